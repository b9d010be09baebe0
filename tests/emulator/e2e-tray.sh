#!/bin/bash
# Morvane resident with its tray icon: the icon shows in the tray at the
# bottom right of the device screen. The screenshot stays in the build
# folder to be seen.
source "$(dirname "$0")/e2e-lib.sh"
fresh_device
trap 'client close ZELMORVANE >/dev/null 2>&1 || true' EXIT

# A fresh tray: an icon left by a program that ended without removing it
# would hide the change.
device reset
[ "$(running morvane.exe)" = 0 ] || fail "a main program survived the reset"
client setting EnableTrayIcon 1
client setting EnableCommands 1

shot="$MORVANE_BUILD/e2e-screen.png"
# Pixels of the icon's red hour marks in the tray corner; nothing else on
# the task bar is red.
red_in_tray() {
    device screenshot "$shot"
    convert "$shot" -gravity SouthEast -crop 48x24+0+0 +repage -depth 8 txt:- |
        awk -F'[(),]' 'NR > 1 && $3 > 150 && $4 < 60 && $5 < 60 { n++ } END { print n + 0 }'
}
[ "$(red_in_tray)" = 0 ] || fail "the tray shows the icon before Morvane runs"
[ "$(identify -format '%wx%h' "$shot")" = 240x320 ] || fail "the screen is not 240x320"

device start
wait_for "the tray icon shows" '[ "$(red_in_tray)" -gt 0 ]'
[ "$(running morvane.exe)" = 1 ] || fail "morvane.exe is not resident"
echo "screenshot: $shot"
echo "PASS"
