#!/bin/bash
# The runner on the device: an event start with every trigger and the
# counting actions, then the real path through the launcher at power-on: the
# once-a-day commands run at the first power-on of a day only, and a clock
# set back a day makes the next power-on a first one again. "-reset" runs the
# reset commands and stays resident; disabled commands run nothing; a timed
# start runs the named commands and deletes the Once one.
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-morvane.sh"
fresh_morvane
device clock set "2026-06-10 09:00"

log=$(place_probe '\e2e\run')
clean=$(device path '\e2e')/clean
mkdir -p "$clean/sub"
echo old > "$clean/old.txt"
echo old > "$clean/sub/deep.txt"
probe='\e2e\run\probe.exe'
add "every|power-on|launch|$probe|every"
add "first|first-of-day|launch|$probe|first"
add "reset|reset|launch|$probe|reset"
add "daily|daily@first|launch|$probe|daily"
add "wednesdays|weekly@8@first|launch|$probe|wednesdays"
add "thursdays|weekly@16@first|launch|$probe|thursdays"
add "timed|daily@23:59|launch|$probe|timed"
add "clean|power-on|clean|\\e2e\\clean|1"
add "tidy|power-on|cleanup"
add "chime|first-of-day|sound|Front_Center|2"

lines() { count_lines "$log" "[$1]"; }

# An event start run directly.
rc=0
device run "$MAIN" AppRunAfterWakeup || rc=$?
[ "$rc" = 1 ] || fail "the power-on start ended with $rc"
wait_for "the power-on programs ran" '[ "$(lines every)" = 1 ] && [ "$(lines first)" = 1 ] && [ "$(lines daily)" = 1 ] && [ "$(lines wednesdays)" = 1 ]'
for name in reset timed thursdays; do [ "$(lines $name)" = 0 ] || fail "$name ran at power-on"; done
[ -d "$clean" ] || fail "the cleaned folder was not made again"
[ -z "$(ls -A "$clean")" ] || fail "the cleaned folder is not empty: $(ls -A "$clean")"
[ "$(counter Starts)" = 1 ] || fail "Starts is $(counter Starts)"
[ "$(counter ExeCmds)" = 4 ] || fail "ExeCmds is $(counter ExeCmds)"
[ "$(counter DelDirCmds)" = 1 ] || fail "DelDirCmds is $(counter DelDirCmds)"
[ "$(counter TidewellCmds)" = 1 ] || fail "TidewellCmds is $(counter TidewellCmds)"
[ "$(counter SoundCmds)" = 1 ] || fail "SoundCmds is $(counter SoundCmds)"
[ "$(counter LastRunDay)" = 10 ] && [ "$(counter LastRunMonth)" = 6 ] || fail "the last-run date is not the device's"
# Each run in the run history, with what started it and what came of it.
runs_said() { device history | cut -c22-; }
said="every (launch), power-on: started
first (launch), first power-on of the day: started
daily (launch), first power-on of the day: started
wednesdays (launch), first power-on of the day: started
clean (clean folder), power-on: 2 files deleted, 0 left
tidy (cleanup), power-on: counted
chime (sound), first power-on of the day: sound played 2 times"
# A device without a sound card plays nothing, and says so.
[ "$(runs_said | sed 's/: sound could not be played$/: sound played 2 times/')" = "$said" ] || fail "the run history says:"$'\n'"$(runs_said)"

# The real path: the launcher, registered for the wake-up event, at power-on.
client at-event 11 '\windows\mvlaunch.exe'
device power-on
wait_for "the second power-on ran" '[ "$(lines every)" = 2 ]'
settle
[ "$(lines first)" = 1 ] && [ "$(lines daily)" = 1 ] || fail "a once-a-day command ran twice in a day"
[ "$(counter Starts)" = 2 ] || fail "Starts is $(counter Starts)"

# The clock set back a day: the next power-on is the first of that day.
device clock set "2026-06-09 09:00"
device power-on
wait_for "the first power-on of the ninth ran" '[ "$(lines every)" = 3 ] && [ "$(lines first)" = 2 ] && [ "$(lines daily)" = 2 ]'
settle
[ "$(lines wednesdays)" = 1 ] || fail "a Wednesday command ran on a Tuesday"

# "-reset": the reset commands only, then resident.
device start -reset
wait_for "the reset command ran" '[ "$(lines reset)" = 1 ]'
wait_for "the program stays resident" '[ "$(running morvane.exe)" = 1 ]'
[ "$(lines every)" = 3 ] || fail "a power-on command ran at reset"
client close ZELMORVANE
settle

# Commands disabled: nothing runs and the start ends with 1.
tool "setting|EnableCommands|0"
starts=$(counter Starts)
rc=0
device run "$MAIN" AppRunAfterWakeup || rc=$?
[ "$rc" = 1 ] || fail "the disabled power-on start ended with $rc"
[ "$(counter Starts)" = "$starts" ] || fail "a disabled start counted a start"
[ "$(lines every)" = 3 ] || fail "a command ran while commands were disabled"
tool "setting|EnableCommands|1"

# A timed start runs the names of "NextScheduled"; a name not stored is
# skipped; the Once command is deleted, the other stays.
add "onceA|once@2026-06-09@10:00|launch|$probe|onceA"
add "dailyB|daily@10:00|launch|$probe|dailyB"
tool "next|onceA;no such command;dailyB"
rc=0
device run "$MAIN" AppRunAtTime || rc=$?
[ "$rc" = 1 ] || fail "the timed start ended with $rc"
wait_for "both timed commands ran" '[ "$(lines onceA)" = 1 ] && [ "$(lines dailyB)" = 1 ]'
stored onceA && fail "the Once command is still stored"
stored dailyB || fail "the daily command was deleted"
# (The clock was set back a day: these runs come before the first ones.)
runs_said | grep '^onceA\|^dailyB' | tr '\n' '|' | grep -qx 'onceA (launch), timed: started|dailyB (launch), timed: started|' ||
    fail "the timed runs are not in the history:"$'\n'"$(runs_said)"
echo "PASS"
