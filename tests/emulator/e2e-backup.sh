#!/bin/bash
# Backing up and restoring Morvane's commands, settings and run history with the device
# verbs: what was there at the backup comes back, what came after goes; a
# device that is down stays down; a file that is not a backup changes nothing.
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-morvane.sh"
fresh_morvane
backup="$MORVANE_BUILD/e2e-backup.tgz"
empty="$MORVANE_BUILD/e2e-backup-empty.tgz"
rm -f "$backup" "$empty"

add "Kept|power-on|close"
add "Greeting|daily@07:30|message|Good morning"
tool "setting|ExeCmds|5"
tool "setting|EnableTrayIcon|1"
history=$(device path '\Program Files\Morvane\Data')/history.txt
printf '2026-06-10 09:00:00\tpower-on\tKept\tclose programs\t2 programs asked to close\n' >"$history"
device backup "$backup"

# Changed after the backup: commands and settings.
tool "delete|Kept"
add "Later|reset|close"
tool "setting|ExeCmds|9"
tool "setting|EnableTrayIcon|0"
printf '2026-06-10 09:05:00\treset\tLater\tclose programs\t0 programs asked to close\n' >>"$history"
device restore "$backup"
[ "$(device history)" = "2026-06-10 09:00:00  Kept (close programs), power-on: 2 programs asked to close" ] ||
    fail "the run history of the backup did not come back: $(device history)"
stored Kept || fail "a command of the backup did not come back"
stored Greeting || fail "the scheduled command of the backup did not come back"
stored Later && fail "a command made after the backup survived the restore"
[ "$(counter ExeCmds)" = 5 ] || fail "ExeCmds is $(counter ExeCmds) after the restore"
[ "$(counter EnableTrayIcon)" = 1 ] || fail "EnableTrayIcon did not come back"
[ "$(counter EnableCommands)" = 1 ] || fail "EnableCommands did not come back"

# A device without commands backs up as one: restoring it removes them all.
tool clear
tool "setting|EnableCommands|1"
device backup "$empty"
device restore "$backup"
stored Kept || fail "the second restore lost a command"
device restore "$empty"
stored Kept && fail "restoring a backup without commands kept one"
[ "$(counter ExeCmds)" = 0 ] || fail "restoring reached counters the backup did not have"

# While the device is down, and it stays down.
device down
device restore "$backup"
[ ! -f "$MORVANE_DEVICE/display" ] || fail "restoring brought the device up"
device up
stored Kept || fail "a restore while the device was down did not take"

# Not a backup: refused, nothing changed.
echo "not a backup" >"$MORVANE_BUILD/e2e-not-a-backup.tgz"
device restore "$MORVANE_BUILD/e2e-not-a-backup.tgz" 2>/dev/null && fail "restore took a file that is not a backup"
stored Kept || fail "a refused restore changed the commands"

# A backup that cannot be written is said, not reported as made.
device backup "$MORVANE_BUILD/e2e-no-such-folder/backup.tgz" 2>/dev/null &&
    fail "a backup into a missing folder was reported as made"
compgen -G "$MORVANE_DEVICE/transfer.*" >/dev/null && fail "an unwritten backup left its work folder"
rm -f "$backup" "$empty" "$MORVANE_BUILD/e2e-not-a-backup.tgz"
echo "PASS"
