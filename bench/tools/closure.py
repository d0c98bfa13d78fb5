#!/usr/bin/python3
"""What a machine must add to install some packages: the closure of their Depends and
Pre-Depends (no Recommends), minus what a baseline already has.

  closure.py BASELINE ROOT...
    BASELINE  "minimal": Debian's packages of priority required and important (a fresh,
              minimal install); or a file listing installed packages, one a line (the name is
              the first field, or the second after "apt").
    ROOT      a package name, or "deps:<Depends field>" for a package not in the archive.
Prints one line: "<count> <download KiB> <installed KiB> <names,...>".
Reads the candidate versions from the local apt cache (apt-cache dumpavail)."""
import re
import subprocess
import sys


def load_archive():
    text = subprocess.run(["apt-cache", "dumpavail"], capture_output=True, text=True, check=True).stdout
    packages, providers = {}, {}
    for stanza in text.split("\n\n"):
        fields, key = {}, None
        for line in stanza.splitlines():
            if line[:1] in (" ", "\t") and key:
                fields[key] += " " + line.strip()
            elif ":" in line:
                key, _, value = line.partition(":")
                fields[key] = value.strip()
        name = fields.get("Package")
        if not name or name in packages:
            continue
        packages[name] = fields
        for p in fields.get("Provides", "").split(","):
            p = p.strip().split(" ")[0]
            if p:
                providers.setdefault(p, []).append(name)
    return packages, providers


def parse_depends(field):
    groups = []
    for group in field.split(","):
        alts = [re.sub(r"[\s(\[<].*", "", a.strip()).split(":")[0] for a in group.split("|")]
        alts = [a for a in alts if a]
        if alts:
            groups.append(alts)
    return groups


def closure(queue, base, packages, providers):
    """The packages that satisfy every group of alternatives in queue, recursively, beyond base.
    A group is met by any alternative present (or provided); otherwise its first real one."""
    chosen = set()

    def present(name):
        if name in base or name in chosen:
            return True
        return any(p in base or p in chosen for p in providers.get(name, []))

    while queue:
        alts = queue.pop()
        if any(present(a) for a in alts):
            continue
        pick = next((a for a in alts if a in packages), None)
        if pick is None:
            pick = next((providers[a][0] for a in alts if a in providers), None)
        if pick is None:
            print("unresolvable: " + " | ".join(alts), file=sys.stderr)
            continue
        chosen.add(pick)
        f = packages[pick]
        queue.extend(parse_depends(f.get("Pre-Depends", "")))
        queue.extend(parse_depends(f.get("Depends", "")))
    return chosen


def main():
    baseline_arg, roots = sys.argv[1], sys.argv[2:]
    packages, providers = load_archive()
    if baseline_arg == "minimal":
        # What debootstrap installs: these priorities and everything they depend on.
        seeds = [n for n, f in packages.items()
                 if f.get("Priority") in ("required", "important") or f.get("Essential") == "yes"]
        base = closure(seeds and [[n] for n in seeds], set(), packages, providers)
    else:
        base = set()
        for line in open(baseline_arg):
            parts = line.split("\t") if "\t" in line else line.split()
            if not parts or line.startswith("#"):
                continue
            if parts[0] == "apt" and len(parts) > 1:
                base.add(parts[1].split(":")[0])
            elif len(parts) == 1 or parts[0] not in ("pip", "npm", "note, no package"):
                base.add(parts[0].split(":")[0])

    queue = []
    for root in roots:
        if root.startswith("deps:"):
            queue.extend(parse_depends(root[5:]))
        else:
            queue.append([root])
    chosen = closure(queue, base, packages, providers)
    download = sum(int(packages[n].get("Size", 0)) for n in chosen) // 1024
    installed = sum(int(packages[n].get("Installed-Size", 0)) for n in chosen)
    print(len(chosen), download, installed, ",".join(sorted(chosen)))


if __name__ == "__main__":
    main()
