# The processes of one run, found by a mark in their environment. A suite (or scripts/test) puts
# a variable of its own into its environment, and everything it starts inherits it, whatever
# process group or session it moves to: the bus of dbus-run-session, a compositor's XWayland, a
# wineserver gone to the background. A process whose environment was emptied (env -i) or cannot
# be read (a program with file capabilities, run by a user other than root) counts through its
# parent. Nothing of other runs carries the mark, whatever it is called.
#
#   . tests/lib/scope.sh
#   scope_enter         exports ORVANE_SCOPE_<pid>=<random> and sets $scope_mark to it
#   scope_own DIR...    scope_enter, and at exit, on SIGINT and SIGTERM too, scope_end, then
#                       the folders named are removed
#   scope_pids          the living processes of the scope, this shell aside
#   scope_end           SIGTERM to all of them, SIGKILL to what is left after 5 s
#   scope_wait CMD...   runs CMD in the background and waits for it, so that a signal to the
#                       shell is acted on at once rather than when CMD ends
# shellcheck shell=bash

scope_enter() {
  scope_mark=ORVANE_SCOPE_$$=$SRANDOM$SRANDOM
  export "${scope_mark?}"
}

scope_own() {
  scope_enter
  # shellcheck disable=SC2064  # the folders as they are named now
  trap "scope_end; rm -rf $(printf '%q ' "$@")" EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
}

# Reads /proc with builtins only: no process of its own to tell apart from the scope's.
scope_pids() {
  local d pid stat e changed=1
  local -A ours=() parent=()
  local -a env
  ours[$$]=self
  for d in /proc/[0-9]*; do
    pid=${d#/proc/}
    { read -r stat <"$d/stat"; } 2>/dev/null || continue
    stat=${stat##*) }  # "STATE PPID ...", after the name, which may hold anything
    [ "${stat%% *}" = Z ] && continue
    stat=${stat#* }
    parent[$pid]=${stat%% *}
    { mapfile -d '' -t env <"$d/environ"; } 2>/dev/null || continue
    for e in "${env[@]}"; do
      [ "$e" = "$scope_mark" ] && { ours[$pid]=1; break; }
    done
  done
  while [ $changed = 1 ]; do
    changed=0
    for pid in "${!parent[@]}"; do
      if [ -z "${ours[$pid]:-}" ] && [ -n "${ours[${parent[$pid]}]:-}" ]; then
        ours[$pid]=1 changed=1
      fi
    done
  done
  for pid in "${!ours[@]}"; do
    [ "$pid" = $$ ] || [ "$pid" = "$BASHPID" ] || printf '%s ' "$pid"
  done
  echo
}

scope_end() {
  local start=$SECONDS last=-1
  local -a left
  while true; do
    read -r -a left <<<"$(scope_pids)"
    [ ${#left[@]} -gt 0 ] || return 0
    [ $((SECONDS - start)) -lt 5 ] || break
    # Again every second: a process may have started another one meanwhile.
    if [ $last != $SECONDS ]; then
      last=$SECONDS
      kill -CONT "${left[@]}" 2>/dev/null
      kill -TERM "${left[@]}" 2>/dev/null
    fi
    sleep 0.1
  done
  kill -KILL "${left[@]}" 2>/dev/null
  return 0
}

scope_wait() {
  "$@" &
  wait $!
}
