# The Linux program on a private X display, for the suites that drive it (tests/qt, tests/robust):
# starting it and getting past the welcome box, its windows and boxes, its caption, the keyboard's
# way to the list and the minutes field, Start and Stop, what a screen reader reads of it. Sourced
# after tests/lib/e2e.sh, with $BIN the program; the private buses and the mock logind come first.
# shellcheck shell=bash

app_pid=
form=

log() { echo "  $*"; }

# start_app [ARG...]: the arguments go to the program. Its clock runs $speed (60) times as fast;
# every timeout of the program shrinks by as much, the bus's deadline of 4 s included, so the
# cases that need logind's answer in time run at 30 (133 ms of real time for the exchange). With
# speed=step it runs at real speed, and step_clock moves it on. The variables of the array app_env
# go to it as well, and with app_a11y set Qt's accessibility bridge is on (through it a suite
# reads what the boxes say).
start_app() {
  assert_private_bus
  local clock=(FAKETIME="+0 x${speed:-60}")
  if [ "${speed:-}" = step ]; then
    clock_minutes=0
    echo "+0 x1" >"$work/faketime"
    clock=(FAKETIME_TIMESTAMP_FILE="$work/faketime" FAKETIME_NO_CACHE=1)
  fi
  spawn app_pid env LD_PRELOAD="$FAKETIME_LIB" "${clock[@]}" \
    ${app_a11y:+QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1} ${app_env[@]+"${app_env[@]}"} \
    "$BIN" "$@" >"$work/app.log" 2>&1
}
stop_app() { stop_pid app_pid; }
# step_clock MINUTES: the clock of a program started with speed=step, that many minutes ahead; a
# timer of it that falls due ticks once.
step_clock() {
  clock_minutes=$((clock_minutes + $1))
  echo "+$((clock_minutes * 60)) x1" >"$work/faketime"
}
app_alive() { [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; }
# app_has_ended: the program ends within 5 s, with status 0.
app_has_ended() {
  wait_until 5 eval '! app_alive' || { log "the program runs on"; return 1; }
  wait "$app_pid"
  local rc=$?
  app_pid=
  [ $rc -eq 0 ] || { log "the program ended with status $rc"; return 1; }
}

# ---------------------------------------------------------------- windows, boxes, the caption
# other_box TITLE: a visible window titled exactly TITLE that is not the form (the refusal box
# bears the form's own title, "Orvane").
other_box() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | grep -v "^$form\$" | head -n 1; }
has_box() { [ -n "$(other_box "$1")" ]; }
no_box() { [ -z "$(other_box "$1")" ]; }
# dismiss TITLE [KEY]: OK (Return, or KEY) on the box of that title; it is gone within 5 s.
# Without a window manager to activate it, the box is given the keyboard by hand.
dismiss() {
  local box
  box=$(other_box "$1")
  [ -n "$box" ] || return 1
  xdotool windowactivate --sync "$box" key --clearmodifiers "${2:-Return}" 2>/dev/null ||
    xdotool windowfocus "$box" key --clearmodifiers "${2:-Return}"
  wait_until 5 no_box "$1"
}
caption() { xprop -id "$1" _NET_WM_NAME 2>/dev/null | sed -n 's/^_NET_WM_NAME([A-Z0-9_]*) = "\(.*\)"$/\1/p'; }
caption_is() { [ "$(caption "$1")" = "$2" ]; }
geometry() {  # prints "x y w h"
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
    /Width:/{w=$NF} /Height:/{h=$NF} END{print x, y, w, h}'
}
# top_is Y [MAX]: the window's top edge is at Y (or from Y to MAX).
top_is() {  # a window that is gone has no top: false, without a word from [
  local y
  y=$(geometry "$form" | cut -d' ' -f2)
  [ -n "$y" ] && [ "$y" -ge "$1" ] && [ "$y" -le "${2:-$1}" ]
}
active_is() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
# stacked_above A B: the window manager stacks window A above window B.
stacked_above() {
  local list a b
  list=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //' | tr -d ' ' | tr ',' '\n')
  a=$(grep -nx "$(printf '0x%x' "$1")" <<<"$list" | cut -d: -f1)
  b=$(grep -nx "$(printf '0x%x' "$2")" <<<"$list" | cut -d: -f1)
  [ -n "$a" ] && [ -n "$b" ] && [ "$a" -gt "$b" ]
}
# drag_board BUTTON DX DY STEPS: pressed on the board, moved STEPS times by DX, DY, not let go.
drag_board() {
  local step
  xdotool mousemove --window "$form" 150 110 mousedown "$1"
  for ((step = 0; step < $4; step++)); do
    xdotool mousemove_relative -- "$2" "$3"
    sleep 0.03
  done
}
# open_cover: another program's window over the whole screen, with the keyboard: $cover, its
# process $cover_pid; close_cover ends it.
cover= cover_pid=
open_cover() {
  spawn cover_pid xmessage -geometry 1024x768+0+0 -title cover "another program" >/dev/null 2>&1
  wait_until 10 shown '^cover$' || { log "no window of another program"; return 1; }
  cover=$(visible '^cover$')
  xdotool windowactivate --sync "$cover" 2>/dev/null
}
close_cover() { stop_pid cover_pid; }
# second_start_comes_forward COVER: with the form covered by the window COVER, a second start
# ends at once, with status 0, no welcome box and no window; the form comes over COVER and has
# the keyboard.
second_start_comes_forward() {
  local second rc
  xdotool windowactivate --sync "$1" 2>/dev/null
  wait_until 5 stacked_above "$1" "$form" || { log "the form is not covered"; return 1; }
  spawn second env ${app_env[@]+"${app_env[@]}"} "$BIN" >"$work/second.log" 2>&1
  wait_until 10 sh -c "! kill -0 $second 2>/dev/null" || { log "the second start runs on"; kill "$second"; return 1; }
  wait "$second"
  rc=$?
  [ $rc -eq 0 ] || { log "the second start ended with status $rc"; return 1; }
  ! shown '^Velmo$' || { log "a welcome box"; return 1; }
  [ "$(xdotool search --onlyvisible --name '^Orvane( \(.*\))?$' | wc -l)" -eq 1 ] || { log "more than one window of ours"; return 1; }
  wait_until 5 stacked_above "$form" "$1" || { log "the form stays under the other window"; return 1; }
  wait_until 5 active_is "$form" || { log "the form has not the keyboard"; return 1; }
}

# open_form [START...]: starts the program (start_app, or the command given), answers the welcome
# box and sets $form to the window; each within 20 s, room for a busy machine. Says what did not
# come, with the end of the program's output. With $on_welcome set, that command runs first while
# the welcome box shows, and its failure ends the opening.
open_form() {
  form=
  "${@:-start_app}"
  wait_until 20 shown '^Velmo$' || { log "no welcome box: $(tail -n 5 "$work/app.log")"; return 1; }
  ${on_welcome:-true} || return
  dismiss Velmo || { log "the welcome box stays"; return 1; }
  wait_until 20 shown '^Orvane$' || { log "no window after the welcome box"; return 1; }
  form=$(visible '^Orvane$')
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
# pick_item [ITEM]: Combo1 focused and, with ITEM, list item ITEM (0 Shutdown, 1 Reboot, 2
# Logoff) picked. focus_text1 [ITEM]: the same, then the minutes field focused and emptied. The
# field's white inside lets clicks through to the desktop (the colour key), so the keyboard
# reaches it: from Combo1, three Tabs walk Start and Stop to Text1.
pick_item() {
  focus_combo1
  [ -z "${1:-}" ] || xdotool key --clearmodifiers Home $(yes Down | head -n "$1")
}
focus_text1() {
  pick_item "$@"
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

# ---------------------------------------------------------------- what a screen reader reads
# Over AT-SPI, with the program started with $app_a11y set.
# says TEXT: a label of the program (a box's text is the name of its label) reads TEXT, in which
# "*" stands for any text.
says() {
  local pattern line
  pattern=$(printf '%q' "$1")
  pattern=${pattern//\\\*/*}
  while IFS= read -r line; do
    [[ $line == label:\ $pattern ]] && return 0
  done < <("${MOCKCTL[@]}" texts "$app_pid" 2>/dev/null)
  return 1
}

# reads_as "expected" COMMAND [ARG]: what e2e_mock.py COMMAND reads of the program over AT-SPI,
# within 5 s; states_are NAME "states": which of enabled, sensitive the object of that name has;
# described_as NAME "role|value|actions"; mock_reads COMMAND [ARG]: what it reads now.
mock_reads() { "${MOCKCTL[@]}" "$1" "$app_pid" "${@:2}" 2>&1; }
mock_reads_as() { [ "$(mock_reads "${@:2}")" = "$1" ]; }
reads_as() {
  wait_until 5 mock_reads_as "$@" || { log "${*:2} of the program: '$(mock_reads "${@:2}")', expected '$1'"; return 1; }
}
states_are() { reads_as "$2" states "$1"; }
described_as() { reads_as "$2" describe "$1"; }
