# The promises that every front end keeps, written once in tests/promises and spoken by the
# suite of each front end. Sourced after tests/lib/e2e.sh; the suite defines one function a verb,
# promise_VERB ARG..., which does what the verb says or checks what it says, and returns non-zero
# (having logged why) when the program does otherwise.
# shellcheck shell=bash

promises_file=$E2E_ROOT/tests/promises

# The names of the promises, in their order.
promise_names() { sed -n 's/^case \([a-z0-9_]*\)$/\1/p' "$promises_file"; }

# The lines of one promise (of all with "."): its rows, and its steps one a line.
promise_lines() {
  awk -v name="$1" '/^case / { on = (name == "." || $2 == name); next }
    on && NF && $1 !~ /^#/ { sub(/^ +/, ""); if ($1 != "with") gsub(/; /, "\n"); print }' "$promises_file"
}

# run_promise NAME: the steps of the promise for each of its rows ("with A B ...": $1, $2, ...
# in the steps), or once when it has none. A step that fails ends the promise, named with its
# row; between rows the suite's case_done hook ends what the row started.
run_promise() {
  local line row step i rows=() steps=() words=()
  while IFS= read -r line; do
    case $line in
      with\ *) rows+=("${line#with }") ;;
      *) steps+=("$line") ;;
    esac
  done < <(promise_lines "$1")
  [ ${#steps[@]} -gt 0 ] || { echo "  FAIL: no promise named $1"; return 1; }
  [ ${#rows[@]} -gt 0 ] || rows=('')
  for ((i = 0; i < ${#rows[@]}; i++)); do
    row=${rows[i]}
    [ $i -eq 0 ] || e2e_hook case_done
    eval "set -- $row"
    for step in "${steps[@]}"; do
      eval "words=($step)"
      expect "${row:+[$row] }$step" "promise_${words[0]//-/_}" "${words[@]:1}" || return 1
    done
  done
}

# run_promises [NAME...]: first that the suite speaks every verb of the list, then each promise.
run_promises() {
  local verb name missing=() names=("$@")
  [ $# -gt 0 ] || mapfile -t names < <(promise_names)
  for verb in $(promise_verbs); do
    declare -F "promise_${verb//-/_}" >/dev/null || missing+=("$verb")
  done
  [ ${#missing[@]} -eq 0 ] || e2e_fail_early "no driver for the verbs: ${missing[*]}"
  for name in "${names[@]}"; do
    run_case "$name" run_promise "$name"
  done
}

# The verbs the list uses.
promise_verbs() { promise_lines . | awk '$1 != "with" { print $1 }' | sort -u; }
