# Orvane.exe's side of the suites that drive it: the host (Wine on Linux, or Windows itself from
# Git Bash), its start through the probe with the recorder in it, and the probe. Set before:
# BUILD (the folder of Orvane.exe, orvane-probe.exe and orvane-record.dll), RECORDS (where the
# records go) and case_log (where the probe's words go).
# shellcheck shell=bash

on_windows=''
case $(uname -s) in MINGW* | MSYS*) on_windows=1 && export MSYS2_ARG_CONV_EXCL='*' ;; esac
host_run=(wine)
[ -z "$on_windows" ] || host_run=()
win() { "${host_run[@]}" "$@"; }
winpath() { if [ -n "$on_windows" ]; then cygpath -w "$1"; else echo "Z:$1"; fi; }
# A probe that ends without a word (Wine's own messages are off) still says how it ended.
probe() {
  win "$BUILD/orvane-probe.exe" "$@" >>"$case_log" 2>&1 && return
  set -- $?
  echo "probe: status $1" >>"$case_log"
  return "$1"
}

# launch RECORD [VARIABLE=VALUE...]: Orvane.exe, with the recorder writing to RECORDS/RECORD.log;
# the variables (ORVANE_REFUSE, ORVANE_FAULT) go to the recorder. $! is the probe's, which ends
# with the program and with its status: no request of the program reaches the system.
launch() {
  local record=$RECORDS/$1.log
  shift
  : >"$record"
  (
    export ORVANE_RECORD="$(winpath "$record")" "$@"
    exec "${host_run[@]}" "$BUILD/orvane-probe.exe" \
      "launch|$(winpath "$BUILD/orvane-record.dll")|$(winpath "$BUILD/Orvane.exe")"
  ) >>"$case_log" 2>&1 &
}
