# The Linux program on a private X display, for the suites that drive it (tests/qt, tests/robust):
# starting it and getting past the welcome box, its windows and boxes, its caption, the keyboard's
# way to the list and the minutes field, Start and Stop. Sourced after tests/lib/e2e.sh, with
# $BIN the program; the private buses and the mock logind come first.
#
#   speed=60 open_form          # the program, its clock 60 times as fast; $form is its window
#   start_countdown 1 30        # Reboot in 30 minutes, shown in the caption
#   press_stop; stop_app
# shellcheck shell=bash

app_pid=
form=

log() { echo "  $*"; }

# start_app [ARG...]: the arguments go to the program. Its clock runs $speed (60) times as fast;
# every timeout of the program shrinks by as much, the bus's deadline of 4 s included, so the
# cases that need logind's answer in time run at 30 (133 ms of real time for the exchange). The
# variables of the array app_env go to it as well, and with app_a11y set Qt's accessibility
# bridge is on (through it a suite reads what the boxes say).
start_app() {
  assert_private_bus
  env LD_PRELOAD="$FAKETIME_LIB" FAKETIME="+0 x${speed:-60}" \
    ${app_a11y:+QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1} ${app_env[@]+"${app_env[@]}"} \
    "$BIN" "$@" >"$work/app.log" 2>&1 &
  app_pid=$!
  pids+=($app_pid)
}
stop_app() {
  [ -n "$app_pid" ] || return 0
  kill "$app_pid" 2>/dev/null
  wait "$app_pid" 2>/dev/null
  app_pid=
}

# ---------------------------------------------------------------- windows, boxes, the caption
visible_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
has_window() { [ -n "$(visible_window "$1")" ]; }
no_window() { [ -z "$(visible_window "$1")" ]; }
# other_box TITLE: a visible window titled exactly TITLE that is not the form (the refusal box
# bears the form's own title, "Orvane").
other_box() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | grep -v "^$form\$" | head -n 1; }
has_box() { [ -n "$(other_box "$1")" ]; }
no_box() { [ -z "$(other_box "$1")" ]; }
# dismiss TITLE: OK (Return) on the box of that title; it is gone within 5 s.
dismiss() {
  local box
  box=$(other_box "$1")
  [ -n "$box" ] || return 1
  xdotool windowactivate --sync "$box" key --clearmodifiers Return 2>/dev/null
  wait_until 5 no_box "$1"
}
caption() { xprop -id "$1" _NET_WM_NAME 2>/dev/null | sed -n 's/^_NET_WM_NAME([A-Z0-9_]*) = "\(.*\)"$/\1/p'; }
caption_is() { [ "$(caption "$1")" = "$2" ]; }

# open_form [START...]: starts the program (start_app, or the command given), answers the welcome
# box and sets $form to the window; each within 20 s, room for a busy machine. Says what did not
# come, with the end of the program's output.
open_form() {
  form=
  "${@:-start_app}"
  wait_until 20 has_window '^Velmo$' || { log "no welcome box: $(tail -n 5 "$work/app.log")"; return 1; }
  dismiss Velmo || { log "the welcome box stays"; return 1; }
  wait_until 20 has_window '^Orvane$' || { log "no window after the welcome box"; return 1; }
  form=$(visible_window '^Orvane$')
}

# ---------------------------------------------------------------- the keyboard, Start and Stop
# The program's visible windows: the form, and the list's popup while it is open.
app_windows() { xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null | wc -l; }
app_windows_are() { [ "$(app_windows)" "$1" "$2" ]; }  # app_windows_are -gt|-le N
# A click on the list and Escape put the focus on Combo1, whatever had it. Each waits for the
# popup to open and to close again: on a busy machine a key sent too early reaches the popup, or
# nothing.
focus_combo1() {
  xdotool windowactivate --sync "$form" 2>/dev/null
  local before
  before=$(app_windows)
  xdotool mousemove --window "$form" 160 130 click 1
  wait_until 10 app_windows_are -gt "$before" || log "the list did not open"
  xdotool key --clearmodifiers Escape
  wait_until 10 app_windows_are -le "$before" || log "the list did not close"
}
# focus_text1 [ITEM]: the minutes field focused and emptied; with ITEM, list item ITEM (0
# Shutdown, 1 Reboot, 2 Logoff) picked on the way. The field's white inside lets clicks through
# to the desktop (the colour key), so the keyboard reaches it: from Combo1, three Tabs walk Start
# and Stop to Text1.
focus_text1() {
  focus_combo1
  if [ $# -gt 0 ]; then
    xdotool key --clearmodifiers Home
    local i
    for ((i = 0; i < $1; i++)); do xdotool key --clearmodifiers Down; done
  fi
  xdotool key --clearmodifiers Tab Tab Tab ctrl+a BackSpace
}
# type_text TEXT: its keys one by one ("xdotool type" remaps a keycode first and may lose a
# character); "-" and "." by their key names.
type_text() {
  local keys
  keys=$(sed 's/./& /g; s/-/minus/g; s/\./period/g' <<<"$1")
  [ -z "$keys" ] || xdotool key --clearmodifiers --delay 30 $keys
}
press_start() { xdotool mousemove --window "$form" 128 156 click 1; }
press_stop() { xdotool mousemove --window "$form" 192 156 click 1; }
# enter_countdown ITEM MINUTES: picks list item ITEM, types MINUTES into the field, presses Start.
# start_countdown ITEM MINUTES: the same, and the caption shows the count at 0 within 5 s.
enter_countdown() {
  focus_text1 "$1"
  type_text "$2"
  press_start
}
start_countdown() {
  enter_countdown "$1" "$2"
  wait_until 5 caption_is "$form" "Orvane ($2 - 0)"
}
