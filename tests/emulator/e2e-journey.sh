#!/bin/bash
# A person's day with Morvane on the device screen, hands-free: start it,
# switch commands on in Options, create "Backup" (daily at 22:00, launching a
# program) through the tray's "New Command", find it in the command list under
# "On a certain day", let the clock pass 22:00 (the program runs, Statistics
# shows one launch), move it to 23:00 with "Edit", and "Exit" from the tray.
# Every dialog and the tray menu leave a screenshot in the build folder.
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-morvane.sh"
fresh_morvane
device reset
trap 'client close ZELMORVANE >/dev/null 2>&1 || true' EXIT
tool "setting|EnableCommands|0"
tool "setting|EnableTrayIcon|1"
tool "setting|ShowMainWin|1"
device clock set "2026-06-10 08:00"

shot() {
    local file="$MORVANE_BUILD/e2e-journey-$1.png"
    device screenshot "$file"
    echo "screenshot: $file"
}
registered_at() { device status | grep -q "^timed $1[: ].*\\\\windows\\\\mvlaunch\\.exe\$"; }
log=$(place_probe '\e2e\journey')
probe='\e2e\journey\probe.exe'

# 1. Start: the main dialog opens, the icon is in the tray.
device start
ui ui-wait "Morvane|1054"
shot main
ui ui-click "Morvane|1057"
ui ui-wait "Morvane|1097"
shot statistics-before
ui ui-close "Morvane|1097"

# 2. Commands on, in Options.
ui ui-click "Morvane|1056"
ui ui-wait "Morvane Options|1094"
ui ui-click "Morvane Options|1094"
shot options
ui ui-close "Morvane Options|1094"
wait_for "commands are enabled" '[ "$(counter EnableCommands)" = 1 ]'
ui ui-close "Morvane|1054"

# The tray menu, and the about box from it.
ui tray-tap
shot tray-menu
ui tray-choose About
ui ui-wait "About Morvane"
shot about
ui ui-close "About Morvane"

# 3. "New Command" from the tray: launch the probe daily at 22:00.
ui tray-choose "New Command"
ui ui-click "Step 1|1011"
ui ui-click "Step 1|1003"
ui ui-wait "Step 2|1017"
ui ui-text "Step 2|1017|$probe"
ui ui-text "Step 2|1019|backup"
shot program
ui ui-click "Step 2|1003"
ui ui-click "Step 3|1007"
ui ui-click "Step 3|1003"
ui ui-click "Step 4|1080"
ui ui-click "Step 4|1089"
ui ui-time "Step 4|1067|22:00"
shot recurrence
ui ui-click "Step 4|1003"
ui ui-text "Step 5|1043|Backup"
ui ui-click "Step 5|1003"
ui ui-wait "Step 6|1037"
shot finished
ui ui-click "Step 6|1037"
wait_for "Backup is stored" 'stored Backup'
wait_for "22:00 is registered" 'registered_at "2026-06-10 22:00"'

# 4. In the command list, under "On a certain day" (and not under "Device power on").
ui tray-choose Open
ui ui-click "Morvane|1055"
ui ui-wait "Morvane|1042"
client ui-has-item "Morvane|1042|Backup" && fail "Backup is listed under Device power on"
ui ui-choose "Morvane|1046|3"
ui ui-has-item "Morvane|1042|Backup"
shot command-list

# 5. Past 22:00: the program runs, and Statistics shows one launch.
device clock set "2026-06-10 22:01"
wait_for "the probe ran" 'has_line "$log" "[backup]"'
wait_for "the timed instance ended" '[ "$(running morvane.exe)" = 1 ]'
[ "$(counter ExeCmds)" = 1 ] || fail "ExeCmds is $(counter ExeCmds)"

# 6. "Edit" from the command list: 23:00 today is the next run.
ui ui-click "Morvane|1049"
ui ui-click "Step 1|1003"
ui ui-click "Step 2|1003"
ui ui-click "Step 3|1003"
ui ui-time "Step 4|1067|23:00"
ui ui-click "Step 4|1003"
ui ui-click "Step 5|1003"
ui ui-click "Step 6|1037"
wait_for "23:00 is registered" 'registered_at "2026-06-10 23:00"'
ui ui-close "Morvane|1042"
ui ui-wait "Morvane|1057"
ui ui-click "Morvane|1057"
ui ui-wait "Morvane|1097"
shot statistics
ui ui-close "Morvane|1097"
ui ui-close "Morvane|1054"

# 7. "Exit" from the tray, answered Yes: no registration and no shortcut remain.
ui tray-choose Exit
ui ui-wait "Morvane|6"
shot exit-question
ui ui-click "Morvane|6"
wait_for "Morvane ended" '[ "$(running morvane.exe)" = 0 ]'
status=$(device status)
grep -q '^no event registrations$' <<<"$status" || fail "event registrations remain: $status"
grep -q '^no timed registrations$' <<<"$status" || fail "timed registrations remain: $status"
[ -f "$(device path '\Windows\StartUp')/Morvane.lnk" ] && fail "the start-up shortcut remains"
echo "PASS"
