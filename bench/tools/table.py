#!/usr/bin/python3
"""Prints bench/run's results as one table, with Orvane's ratios to each peer and the goals.

  table.py RESULTS

RESULTS holds one measurement a line, as bench/run writes them:
  start NAME MS PEAK_KIB LIBS        one start (first window, peak memory, libraries)
  cpu LABEL NAME NS RUNS SECONDS     CPU time and times scheduled over a window of SECONDS
  thread LABEL NAME WAKES SECONDS    one thread of the Linux program over the same window
  size NAME BYTES
  dlls NAME DLL...
  packages BASE NAME COUNT DOWNLOAD_KIB INSTALLED_KIB NAMES
"""
import statistics
import sys

WINDOWS_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "comctl32.dll",
                "msvcrt.dll", "shell32.dll", "ole32.dll", "comdlg32.dll", "uxtheme.dll",
                "ucrtbase.dll", "ntdll.dll"}
PEERS = ["qshutdown", "kshutdown"]
COLUMNS = ["orvane", "qshutdown", "kshutdown", "orvane.exe"]
TITLES = {"orvane": "Orvane (Linux)", "qshutdown": "qshutdown", "kshutdown": "kshutdown",
          "orvane.exe": "Orvane.exe (Wine)"}


def load(path):
    starts, cpu, size, dlls, packages, threads = {}, {}, {}, {}, {}, {}
    for line in open(path):
        f = line.split()
        if not f:
            continue
        if f[0] == "start":
            starts.setdefault(f[1], []).append((float(f[2]), int(f[3]), int(f[4])))
        elif f[0] == "cpu":
            cpu[(f[1], f[2])] = (int(f[3]), int(f[4]), float(f[5]))
        elif f[0] == "thread":
            threads.setdefault(f[1], []).append((f[2], int(f[3]), float(f[4])))
        elif f[0] == "size":
            size[f[1]] = int(f[2])
        elif f[0] == "dlls":
            dlls[f[1]] = f[2:]
        elif f[0] == "packages" and len(f) >= 6:
            packages[(f[1], f[2])] = (int(f[3]), int(f[4]), int(f[5]))
    return starts, cpu, size, dlls, packages, threads


def main():
    starts, cpu, size, dlls, packages, threads = load(sys.argv[1])
    rows, values = [], {}

    def row(label, key, fmt, get, ratio=True):
        cells = {c: get(c) for c in COLUMNS}
        values[key] = cells
        line = [label] + [fmt(cells[c]) if cells[c] is not None else "-" for c in COLUMNS]
        for peer in PEERS:
            ours, theirs = cells["orvane"], cells[peer]
            line.append(f"{ours / theirs:.2f}" if ratio and ours is not None and theirs else "-")
        rows.append(line)

    def median(name, i):
        runs = starts.get(name)
        return statistics.median(r[i] for r in runs) if runs else None

    def spread(name, i):
        runs = starts.get(name)
        return (min(r[i] for r in runs), max(r[i] for r in runs)) if runs else None

    row("first window, median ms", "start", lambda v: f"{v:.0f}", lambda c: median(c, 0))
    row("  (min-max ms)", "spread", lambda v: f"{v[0]:.0f}-{v[1]:.0f}", lambda c: spread(c, 0), ratio=False)
    row("  runs", "runs", lambda v: f"{v}", lambda c: len(starts.get(c, [])) or None, ratio=False)
    row("peak memory (VmHWM), MiB", "rss", lambda v: f"{v / 1024:.1f}", lambda c: median(c, 1))
    row("shared libraries mapped", "libs", lambda v: f"{v:.0f}", lambda c: median(c, 2))

    def cpu_pct(label):
        def get(c):
            v = cpu.get((label, c))
            return 100.0 * v[0] / (v[2] * 1e9) if v else None
        return get

    def wakeups(label):
        def get(c):
            v = cpu.get((label, c))
            return v[1] / v[2] if v else None
        return get

    row("CPU idle, % of one core", "cpu_idle", lambda v: f"{v:.3f}", cpu_pct("idle"))
    row("  wake-ups/s idle", "wake_idle", lambda v: f"{v:.3f}", wakeups("idle"))
    row("CPU counting down, % of a core", "cpu_count", lambda v: f"{v:.3f}", cpu_pct("counting"), ratio=False)
    row("  wake-ups/s counting down", "wake_count", lambda v: f"{v:.3f}", wakeups("counting"), ratio=False)
    row("program file, KiB", "size", lambda v: f"{v / 1024:.0f}", lambda c: size.get(c))
    for base, label in (("minimal", "minimal Debian 12"), ("image", "this build image")):
        if any(k[0] == base for k in packages):
            row(f"packages to add, {label}", f"pkg_{base}", lambda v: f"{v[0]} ({v[1] / 1024:.1f} MiB)",
                lambda c, b=base: packages.get((b, c)), ratio=False)
            rows[-1][-2:] = [ratio_of(packages, base, "orvane", p) for p in PEERS]

    header = ["", *[TITLES[c] for c in COLUMNS], "vs qshutdown", "vs kshutdown"]
    widths = [max(len(str(r[i])) for r in rows + [header]) for i in range(len(header))]
    print("  ".join(h.ljust(w) if i == 0 else h.rjust(w) for i, (h, w) in enumerate(zip(header, widths))))
    for r in rows:
        print("  ".join(str(x).ljust(w) if i == 0 else str(x).rjust(w) for i, (x, w) in enumerate(zip(r, widths))))

    wine_cpu = cpu.get(("counting", "wineserver"))
    if wine_cpu or cpu.get(("idle", "wineserver")):
        idle = cpu.get(("idle", "wineserver"))
        parts = []
        for label, v in (("idle", idle), ("counting down", wine_cpu)):
            if v:
                parts.append(f"{label} {100.0 * v[0] / (v[2] * 1e9):.3f} % ({v[1] / v[2]:.1f} wake-ups/s)")
        print("wineserver of the prefix (shared by every Wine program in it): " + ", ".join(parts))
    # Under Wine: Orvane.exe's own share is what it costs beyond a plain idle window in the same
    # prefix; the rest is Wine's.
    def figures(v):
        return f"{100.0 * v[0] / (v[2] * 1e9):.3f} % ({v[1] / v[2]:.2f} wake-ups/s)"
    for label, title in (("idle", "idle"), ("counting", "counting down")):
        ours, base = cpu.get((label, "orvane.exe")), cpu.get((label, "wine-window"))
        if ours and base:
            extra = (100.0 * (ours[0] / (ours[2] * 1e9) - base[0] / (base[2] * 1e9)),
                     ours[1] / ours[2] - base[1] / base[2])
            print(f"Orvane.exe {title}: {figures(ours)}; a plain idle Wine window {figures(base)}; "
                  f"Orvane.exe's own share {extra[0]:.3f} % ({extra[1]:.2f} wake-ups/s), the rest is Wine's")
    # Where the Linux program's wake-ups go: the window's thread runs the timers; the others
    # wake only when something reaches them (X events, the bus).
    for label, title in (("idle", "idle"), ("counting", "counting down")):
        if threads.get(label):
            parts = ", ".join(f"{n} {w / s:.3f}" for n, w, s in threads[label])
            print(f"Orvane (Linux) {title}, wake-ups/s by thread: {parts}")
    for name in ("orvane.exe", "orvane.exe-x86"):
        if name in dlls:
            print(f"{name.replace('orvane.exe', 'Orvane.exe')}: {size.get(name, 0)} bytes, imports {' '.join(dlls[name])}")

    # The goals.
    print()
    print("goals:")
    goals = []
    s, q = values["start"]["orvane"], values["start"]["qshutdown"]
    goals.append(("first window at most half of qshutdown's", s is not None and q and s <= 0.5 * q,
                  f"{s:.0f} ms vs {q:.0f} ms, ratio {s / q:.2f}" if s is not None and q else "not measured"))
    m, q = values["rss"]["orvane"], values["rss"]["qshutdown"]
    goals.append(("peak memory at most 40 % of qshutdown's", m is not None and q and m <= 0.4 * q,
                  f"{m / 1024:.1f} MiB vs {q / 1024:.1f} MiB, ratio {m / q:.2f}" if m is not None and q else "not measured"))
    w = values["wake_idle"]["orvane"]
    peers = [values["wake_idle"][p] for p in PEERS if values["wake_idle"][p] is not None]
    goals.append(("Orvane (Linux): at most 0.03 wake-ups/s idle, below every peer",
                  w is not None and w <= 0.03 and all(w < p for p in peers),
                  f"{w:.3f}/s vs {', '.join(f'{p:.3f}' for p in peers)}" if w is not None else "not measured"))
    c, q = values["cpu_idle"]["orvane"], values["cpu_idle"]["qshutdown"]
    goals.append(("Orvane (Linux): idle CPU no more than qshutdown's", c is not None and q is not None and c <= q,
                  f"{c:.3f} % vs {q:.3f} %" if c is not None and q is not None else "not measured"))
    w = values["wake_count"]["orvane"]
    goals.append(("Orvane (Linux): at most 1.15 wake-ups/s counting down", w is not None and w <= 1.15,
                  f"{w:.3f}/s" if w is not None else "not measured"))
    for c in ("orvane", "orvane.exe"):
        v = values["cpu_count"][c]
        goals.append((f"{TITLES[c]}: at most 0.1 % of one core while counting down", v is not None and v <= 0.1,
                      f"{v:.3f} %" if v is not None else "not measured"))
    for name in ("orvane.exe", "orvane.exe-x86"):
        d = [x for x in dlls.get(name, []) if x]
        extra = [x for x in d if x not in WINDOWS_DLLS]
        sz = size.get(name)
        ok = bool(d) and not extra and sz is not None and sz <= 1024 * 1024
        goals.append((f"{name.replace('orvane.exe', 'Orvane.exe')}: only Windows' own DLLs, at most 1 MiB", ok,
                      f"{sz} bytes, " + (f"foreign DLLs: {' '.join(extra)}" if extra else "system DLLs only")
                      if sz is not None else "not measured"))
    for text, ok, detail in goals:
        print(f"  [{'holds' if ok else 'MISSED'}] {text}: {detail}")


def ratio_of(packages, base, ours, peer):
    a, b = packages.get((base, ours)), packages.get((base, peer))
    if not a or not b or not b[1]:
        return "-"
    return f"{a[1] / b[1]:.2f}"  # by download size


if __name__ == "__main__":
    main()
