#!/bin/bash
# Actions that reach other programs and the screen: closing all programs asks
# exactly the eligible ones to close and counts each; a message holds the
# commands after it until the user closes it (its screenshot stays in the
# build folder to be seen).
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-morvane.sh"
fresh_morvane
# No program left from earlier scripts: each one here is counted. None is
# left behind either: a program still holding the test's output would keep
# the test from ending.
device reset
trap 'device reset >/dev/null 2>&1 || true' EXIT

# Three ordinary programs, one whose window is titled Desktop in another
# letter case, one with only hidden windows.
apps=$(device path '\e2e\apps')
mkdir -p "$apps"
for name in alpha beta gamma desk ghost; do cp "$E2E_WINDOW" "$apps/$name.exe"; done
tool "spawn|\\e2e\\apps\\alpha.exe|visible:Alpha"
tool "spawn|\\e2e\\apps\\beta.exe|visible:Beta"
tool "spawn|\\e2e\\apps\\gamma.exe|visible:Gamma;hidden:Gamma tools"
tool "spawn|\\e2e\\apps\\desk.exe|visible:dESKTOP"
tool "spawn|\\e2e\\apps\\ghost.exe|hidden:Ghost"
for name in alpha beta gamma desk ghost; do
    wait_for "$name runs" "[ \"\$(running $name.exe)\" = 1 ]"
done
wait_for "their windows are up" 'tool "window|Alpha" && tool "window|Beta" && tool "window|Gamma" && tool "window|dESKTOP"'

add "closer|power-on|close"
device run "$MAIN" AppRunAfterWakeup || true
for name in alpha beta gamma; do
    wait_for "$name closed" "[ \"\$(running $name.exe)\" = 0 ]"
done
[ "$(running desk.exe)" = 1 ] || fail "the program titled dESKTOP was closed"
[ "$(running ghost.exe)" = 1 ] || fail "the program with hidden windows was closed"
client where "input panel" || fail "closing all programs took the input panel's button off the task bar"
# Alpha, Beta, Gamma, and the device's task bar and input panel button,
# which are asked as every program with a window shown is, and stay.
[ "$(counter CloseCmds)" = 5 ] || fail "CloseCmds is $(counter CloseCmds), not 5"
tool "delete|closer"
client close MorvaneTestWindow >/dev/null 2>&1 || true

# A message, then a program: the program waits for the message to close.
log=$(place_probe '\e2e\msg')
add "note|power-on|message|Back up the photos\\nbefore the trip.\\nThree lines."
add "after|power-on|launch|\\e2e\\msg\\probe.exe|after"
( device run "$MAIN" AppRunAfterWakeup >/dev/null 2>&1 || true ) &
run_pid=$!
wait_for "the message shows" 'tool "window|Morvane"'
sleep 1
shot="$MORVANE_BUILD/e2e-message.png"
device screenshot "$shot"
echo "screenshot: $shot"
[ "$(count_lines "$log" after)" = 0 ] || fail "the command after the message ran before it was closed"
[ "$(counter MsgBoxCmds)" = 1 ] || fail "MsgBoxCmds is $(counter MsgBoxCmds)"
tool "close-window|Morvane"
wait_for "the command after the message ran" 'has_line "$log" "[after]"'
wait "$run_pid"
echo "PASS"
