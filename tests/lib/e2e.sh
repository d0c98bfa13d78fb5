# The start of every end-to-end suite and of the bench: a work folder, the processes a suite
# starts (stopped by their PIDs, newest first, when it ends, then whatever else of its scope is
# left: tests/lib/scope.sh), a private X display, a window manager or a Wayland compositor,
# private buses with a mock logind, a Wine prefix, run_case and the counts file that scripts/test
# adds up.
# shellcheck shell=bash

E2E_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
PY=/usr/bin/python3
MOCKCTL=("$PY" "$E2E_ROOT/tests/qt/e2e_mock.py")
FAKETIME_LIB=$(ls /usr/lib/*/faketime/libfaketime.so.1 2>/dev/null | head -n 1)
. "$E2E_ROOT/tests/lib/scope.sh"

# ---------------------------------------------------------------- the suite itself
# e2e_init SUITE [HOOK=FUNCTION...]: the work folder ($work, without a symbolic link or ".." in
# its path), the suite's scope, the cleanup at exit (on SIGINT and SIGTERM too), the counts. The
# hooks: case_start (before every case), case_failed (what to show of a failure), case_done
# (what to stop after every case) and cleanup (the suite's last words, before its processes stop).
e2e_init() {
  e2e_suite=$1
  shift
  declare -gA e2e_hooks=()
  local hook
  for hook in "$@"; do
    case ${hook%%=*} in
      case_start | case_failed | case_done | cleanup) e2e_hooks[${hook%%=*}]=${hook#*=} ;;
      *) echo "e2e_init: no hook named ${hook%%=*}" >&2; exit 2 ;;
    esac
  done
  work=$(realpath "$(mktemp -d "/tmp/orvane-$e2e_suite.XXXXXX")") || exit 2
  # A runtime folder of the suite's own: the lock that keeps Orvane to one at a time lives there,
  # apart from every other Orvane of this user (another suite's, or the user's own).
  mkdir -m 700 "$work/runtime"
  export XDG_RUNTIME_DIR=$work/runtime
  pids=()
  passed=0 failed=0 failures=() case_ok=1 case_name=''
  e2e_started=$SECONDS
  scope_enter
  trap e2e_cleanup EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
}
# e2e_hook NAME: runs the suite's function for that hook, if it gave one.
e2e_hook() { [ -z "${e2e_hooks[$1]:-}" ] || "${e2e_hooks[$1]}"; }

# Stops what the suite started, newest first, by PID only: a stopped process is woken so that it
# can end. Then the rest of the suite's scope (what those started, daemons included), and SIGKILL
# to what does not end. The suite's cleanup hook comes first.
e2e_cleanup() {
  local i
  set +e
  trap '' INT TERM
  e2e_hook cleanup
  stop_compositor
  [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ] && wineserver -k 2>/dev/null
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill -CONT "${pids[i]}" 2>/dev/null
    kill "${pids[i]}" 2>/dev/null
  done
  scope_end
  wait 2>/dev/null
  rm -rf "$work"
}

# e2e_fail_early MESSAGE: the suite cannot start; it counts as one failure.
e2e_fail_early() {
  echo "$e2e_suite: $1" >&2
  failed=$((failed + 1))
  e2e_finish
  exit 1
}

# wait_until SECONDS COMMAND...: polls the command every $poll_interval (0.1) seconds.
wait_until() {
  local limit=$1 start=$SECONDS
  shift
  until "$@" 2>/dev/null; do
    [ $((SECONDS - start)) -ge "$limit" ] && return 1
    sleep "${poll_interval:-0.1}"
  done
}

# expect "what" COMMAND...: a check of the case; a failed one fails the case and is logged.
expect() {
  local what=$1
  shift
  if ! "$@"; then
    echo "  FAIL: $what"
    case_ok=0
    return 1
  fi
}

# run_case NAME [FUNCTION [ARG...]]: runs FUNCTION (NAME when none) as one case, between the
# hooks case_start and case_done; it passes when every check in it passed and it returned 0 (a
# case that stops early, having said why or not, has failed).
run_case() {
  local fn=${2:-$1} t0=$SECONDS rc=0
  case_name=$1 case_ok=1
  e2e_hook case_start
  "$fn" "${@:3}" || rc=$?
  [ $rc -eq 0 ] || { [ $case_ok -eq 0 ] || echo "  FAIL: stopped early (status $rc)"; case_ok=0; }
  if [ $case_ok -eq 1 ]; then
    passed=$((passed + 1))
    echo "ok   $case_name ($((SECONDS - t0)) s)"
  else
    failed=$((failed + 1))
    failures+=("$case_name")
    echo "FAIL $case_name ($((SECONDS - t0)) s)"
    e2e_hook case_failed
  fi
  e2e_hook case_done
  return 0
}

# run_check NAME COMMAND...: one case of one command, its output kept in $work/check.log and
# shown, its last 40 lines, when it fails; returns 1 when it failed.
run_check() {
  run_case "$1" e2e_run_check "${@:2}"
  [ "$case_ok" = 1 ] || { sed 's/^/       /' "$work/check.log" | tail -n 40; return 1; }
}
e2e_run_check() {
  "$@" >"$work/check.log" 2>&1 || { echo "  FAIL: status $?"; case_ok=0; }
}

# e2e_finish: the closing line and the counts file; returns 1 when anything failed.
e2e_finish() {
  echo "$e2e_suite: $((SECONDS - e2e_started)) s"
  [ -n "${ORVANE_RESULTS:-}" ] && echo "$passed $failed" >"$ORVANE_RESULTS/$e2e_suite"
  echo "$e2e_suite: $passed passed, $failed failed${failures[0]:+ (${failures[*]})}"
  [ "$failed" -eq 0 ]
}

# ---------------------------------------------------------------- screenshots
# pixel IMAGE X Y: "r,g,b" of one pixel, 0 to 255.
pixel() {
  convert "$1" -format "%[fx:int(255*p{$2,$3}.r+0.5)],%[fx:int(255*p{$2,$3}.g+0.5)],%[fx:int(255*p{$2,$3}.b+0.5)]" info:
}

# near "r,g,b" "r,g,b" [TOLERANCE]: the two colours differ by at most TOLERANCE (12) per channel.
near() {
  local IFS=, a b c d e f t=${3:-12}
  read -r a b c <<<"$1"
  read -r d e f <<<"$2"
  [ $(((a - d) * (a - d) <= t * t && (b - e) * (b - e) <= t * t && (c - f) * (c - f) <= t * t)) -eq 1 ]
}

# ---------------------------------------------------------------- windows and processes
# visible NAME: the first shown window whose name matches NAME; shown NAME: there is one.
visible() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
shown() { [ -n "$(visible "$1")" ]; }
# cpu_ns PID, wakeups PID: the CPU time of all the process's threads, and their voluntary context
# switches (a thread went to sleep and was woken again).
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{n += $1} END {print n + 0}'; }
wakeups() { cat /proc/"$1"/task/*/status 2>/dev/null | awk '/^voluntary_ctxt_switches/ {n += $2} END {print n + 0}'; }

# spawn VAR COMMAND...: COMMAND in the background, its PID in $VAR and among the suite's (stop_pid
# VAR ends it).
spawn() {
  local var=$1
  shift
  "$@" &
  printf -v "$var" %s $!
  pids+=($!)
}

# stop_pid VAR [group]: ends the process whose PID VAR holds (with "group", its process group,
# which gets SIGKILL when anything of it is left after 5 s), waits for it and clears VAR.
stop_pid() {
  local pid=${!1}
  [ -n "$pid" ] || return 0
  if [ "${2:-}" = group ]; then
    kill -TERM -- "-$pid" 2>/dev/null
    wait_until 5 sh -c "! kill -0 -- -$pid" || kill -KILL -- "-$pid" 2>/dev/null
  else
    kill "$pid" 2>/dev/null
  fi
  wait "$pid" 2>/dev/null
  printf -v "$1" %s ''
}

# pack_deb BUILD: the .deb of that build directory, packed by CPack into $work/deb.
pack_deb() { (cd "$1" && cpack -G DEB -B "$work/deb"); }

# ---------------------------------------------------------------- a private X display
# start_display [WxH] [XVFB ARGUMENT...]: Xvfb on a display number it picks itself; exports
# DISPLAY. A busy machine may take seconds to start it: waited for, not slept for.
start_display() {
  local size=${1:-1024x768}
  shift || true
  rm -f "$work/display"  # emptied by Xvfb only once it runs: until then the last one's number
  spawn xvfb_pid Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp "$@" \
    3>"$work/display" >"$work/xvfb.log" 2>&1
  wait_until 30 test -s "$work/display" || { echo "$e2e_suite: Xvfb did not start" >&2; return 1; }
  export DISPLAY=:$(head -n 1 "$work/display")
}

# ---------------------------------------------------------------- window managers
# desktop_home DIR: the settings, caches and runtime files of a window manager or compositor, in
# DIR; sets desktop_env to the environment that points it there, with no system bus to talk to.
desktop_home() {
  mkdir -p "$1/config/glib-2.0/settings" "$1/data" "$1/cache" "$1/run"
  chmod 700 "$1/run"
  printf '[org.kde.kdecoration2]\nlibrary=org.kde.breeze\ntheme=Breeze\n' >"$1/config/kwinrc"
  desktop_env=(XDG_CONFIG_HOME="$1/config" XDG_DATA_HOME="$1/data" XDG_CACHE_HOME="$1/cache"
    XDG_RUNTIME_DIR="$1/run" DBUS_SYSTEM_BUS_ADDRESS=unix:path=$work/no_such_socket)
}
wm_pid=
wm_is() {  # wm_is NAME: the running window manager calls itself NAME
  local check
  check=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | awk '/window id/ {print $NF}')
  [ -n "$check" ] && xprop -id "$check" _NET_WM_NAME 2>/dev/null | grep -qi "$1"
}
wm_up() { wm_is "$1" || ! kill -0 "$wm_pid" 2>/dev/null; }
# wm_manages: the window manager takes a new window in (maps it), within 20 s.
wm_manages() {
  local check=orvane-wm-check-$$ probe rc=0
  spawn probe xev -name "$check" -geometry 16x16+0+0 >/dev/null 2>&1
  wait_until 20 sh -c "xdotool search --onlyvisible --name '^$check\$' >/dev/null" || rc=1
  stop_pid probe
  return $rc
}
stop_wm() { stop_pid wm_pid; }
# start_wm openbox|mutter|mutter-attached|kwin: replaces the running one.
start_wm() {
  stop_wm
  local name=$1 attempt cmd
  desktop_home "$work/wm"
  [ "$1" = mutter-attached ] && name=mutter
  printf '[org/gnome/mutter]\nattach-modal-dialogs=%s\n' "$([ "$1" = mutter-attached ] && echo true || echo false)" \
    >"$work/wm/config/glib-2.0/settings/keyfile"
  # Once in a while a window manager started under load cannot open the display and exits at
  # once, or runs and names itself but leaves every new window unmapped for more than 30 s (both
  # seen with openbox): it gets a second try.
  for attempt in 1 2; do
    case $1 in
      openbox) cmd=(openbox --sm-disable) ;;
      mutter | mutter-attached) cmd=(GSETTINGS_BACKEND=keyfile mutter --x11 --replace) ;;
      kwin) cmd=(KWIN_COMPOSE=N kwin_x11 --replace) ;;
      *) echo "start_wm: no window manager named $1" >&2; return 1 ;;
    esac
    spawn wm_pid env "${desktop_env[@]}" "${cmd[@]}" >"$work/wm-$1.log" 2>&1
    wait_until 30 wm_up "$name"
    wm_is "$name" && wm_manages && return 0
    echo "$e2e_suite: $1 did not start or maps no window (try $attempt): $(tail -n 1 "$work/wm-$1.log")" >&2
    stop_wm
    sleep 1
  done
  return 1
}

# ---------------------------------------------------------------- Wayland compositors
# start_compositor mutter|kwin: a headless Wayland session of its own (its own runtime folder
# and session bus, no system bus) with XWayland; exports DISPLAY, XAUTHORITY (mutter) and
# WAYLAND_DISPLAY for the X clients of the suite. The session is a process group of its own:
# dbus-run-session leaves its bus and its child running when it is ended alone.
compositor_pid=
start_compositor() {
  local kind=$1 rt=$work/wl-$1 log=$work/compositor-$1.log
  stop_compositor
  desktop_home "$rt"
  case $kind in
    mutter)
      spawn compositor_pid setsid env -u DISPLAY -u WAYLAND_DISPLAY "${desktop_env[@]}" \
        GSETTINGS_BACKEND=memory dbus-run-session -- mutter --wayland --headless \
        --virtual-monitor 1024x768 >"$log" 2>&1
      ;;
    kwin)
      # Debian's kwin_wayland carries a file capability, which a container without it cannot
      # run; a copy without it runs, as long as it is still called kwin_wayland.
      local kw=/usr/bin/kwin_wayland
      if ! "$kw" --version >/dev/null 2>&1; then
        mkdir -p "$work/kwin-bin"
        cp /usr/bin/kwin_wayland "$work/kwin-bin/kwin_wayland"
        kw=$work/kwin-bin/kwin_wayland
      fi
      printf '#!/bin/sh\nprintf "%%s\\n%%s\\n" "$DISPLAY" "$WAYLAND_DISPLAY" >"%s"\nexec sleep infinity\n' \
        "$rt/displays" >"$rt/session"
      chmod +x "$rt/session"
      spawn compositor_pid setsid env -u DISPLAY -u WAYLAND_DISPLAY "${desktop_env[@]}" \
        dbus-run-session -- "$kw" --virtual --xwayland --width 1024 --height 768 \
        --socket orvane-kwin --exit-with-session "$rt/session" >"$log" 2>&1
      ;;
    *) echo "start_compositor: no compositor named $kind" >&2; return 1 ;;
  esac
  if [ "$kind" = mutter ]; then
    wait_until 60 grep -q 'Using public X11 display' "$log" || { tail -n 5 "$log" >&2; return 1; }
    DISPLAY=$(sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$log" | head -n 1)
    wait_until 10 sh -c "ls '$rt/run'/.mutter-Xwaylandauth.* >/dev/null 2>&1"
    export XAUTHORITY=$(ls "$rt/run"/.mutter-Xwaylandauth.* | head -n 1)
    export WAYLAND_DISPLAY=$rt/run/wayland-0
  else
    wait_until 60 test -s "$rt/displays" || { tail -n 5 "$log" >&2; return 1; }
    DISPLAY=$(sed -n 1p "$rt/displays")
    export WAYLAND_DISPLAY=$rt/run/orvane-kwin
    unset XAUTHORITY
  fi
  export DISPLAY
  # XWayland starts with the first X client on some set-ups: the display must answer.
  wait_until 30 xdpyinfo >/dev/null || { echo "$e2e_suite: XWayland of $kind does not answer" >&2; return 1; }
}
stop_compositor() { stop_pid compositor_pid group; }

# ---------------------------------------------------------------- private buses, mock logind
# start_buses: a private system bus and a private session bus that anyone may own names on and
# listen to; exports their addresses and sets system_bus_pid and session_bus_pid.
start_buses() {
  start_bus system && start_bus session || return 1
  export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$work/system_bus_socket
  export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/session_bus_socket
  unset XDG_SESSION_ID
  assert_private_bus
}
# start_bus system|session: one such bus on $work/KIND_bus_socket, its address exported nowhere.
start_bus() {
  local kind=$1
  cat >"$work/$kind.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>$kind</type>
  <listen>unix:path=$work/${kind}_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
  </policy>
</busconfig>
EOF
  spawn "${kind}_bus_pid" dbus-daemon --config-file="$work/$kind.conf" --nofork >"$work/$kind-bus.log" 2>&1
  wait_until 10 test -S "$work/${kind}_bus_socket" || { echo "$e2e_suite: no private $kind bus" >&2; return 1; }
}

# Never lets a program near any bus but ours: each address is one unix:path= inside the work
# folder, as realpath has it (no "..", no symbolic link), with no "%" escape and no ";" list,
# through which a D-Bus library would go on to the next address when the first one fails. An
# unset session bus would be $XDG_RUNTIME_DIR/bus, the desktop's own.
private_address() {
  local path=${1#unix:path=}
  [ "$path" != "$1" ] && [[ $path =~ ^/[A-Za-z0-9_./-]+$ ]] &&
    [ "$(realpath -m -- "$path")" = "$path" ] && [ "${path#"$work"/}" != "$path" ]
}
assert_private_bus() {
  local kind
  for kind in SYSTEM SESSION; do
    local var=DBUS_${kind}_BUS_ADDRESS
    private_address "${!var:-}" && continue
    echo "$e2e_suite: refusing to run with $var=${!var:-(unset)}" >&2
    exit 2
  done
}

# The mock logind (python3-dbusmock) on the private system bus, set up by tests/qt/e2e_mock.py.
mock_pid=
name_on_bus() {  # name_on_bus system|session NAME
  dbus-send --"$1" --print-reply --dest=org.freedesktop.DBus / \
    org.freedesktop.DBus.NameHasOwner string:"$2" 2>/dev/null | grep -q "boolean true"
}
start_mock_logind() {
  assert_private_bus
  spawn mock_pid "$PY" -m dbusmock --system --template logind >>"$work/mock.log" 2>&1
  wait_until 15 name_on_bus system org.freedesktop.login1 ||
    { echo "$e2e_suite: the mock logind did not start" >&2; return 1; }
  "${MOCKCTL[@]}" setup
}
stop_mock_logind() { stop_pid mock_pid; }

# ---------------------------------------------------------------- Wine
# wine_prefix DIR: a fresh 64-bit prefix, without Mono and Gecko; waits until it is ready.
# Returns wineboot's status (what it said is in $work/wineboot.log).
wine_prefix() {
  local rc=0
  export WINEPREFIX=$1 WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  wine wineboot -i >"$work/wineboot.log" 2>&1 || rc=$?
  wineserver -p || true  # exits 1 when the server from wineboot is still up: it stays up either way
  return $rc
}
