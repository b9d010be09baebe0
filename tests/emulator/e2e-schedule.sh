#!/bin/bash
# The timed path hands-free: a resident Morvane registers the launcher for
# the wake-up event, puts the start-up shortcut in place and registers the
# earliest timed run with its names; the clock set past that moment starts
# the launcher, the commands run and the next moment is registered. A Once
# command runs once and is gone; a daily one runs on each of three days.
# Shutting Morvane down removes every registration and the shortcut.
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-morvane.sh"
fresh_morvane
device clock set "2026-06-10 08:00"

log=$(place_probe '\e2e\sched')
probe='\e2e\sched\probe.exe'
add "nightly|daily@22:00|launch|$probe|nightly"
add "once|once@2026-06-10@21:00|launch|$probe|once"
add "also at nine|once@2026-06-10@21:00|launch|$probe|also"
add "late|daily@23:00|launch|$probe|late"
add "morning|daily@first|launch|$probe|morning"
shortcut=$(device path '\Windows\StartUp')/Morvane.lnk
lines() { count_lines "$log" "[$1]"; }
registered_at() { device status | grep -q "^timed $1[: ].*\\\\windows\\\\mvlaunch\\.exe\$"; }
next_is() { device status | grep -qx "NextScheduled $1"; }

device start
wait_for "the launcher is registered for wake-up" 'device status | grep -q "^event 11 wake-up \\\\windows\\\\mvlaunch\\.exe$"'
wait_for "the first timed run is registered" 'registered_at "2026-06-10 21:00"'
next_is "once;also at nine" || fail "NextScheduled: $(device status | grep NextScheduled)"
[ -f "$shortcut" ] || fail "no start-up shortcut"
[ "$(cat "$shortcut")" = '30#"\windows\mvlaunch.exe" -reset' ] || fail "shortcut: $(cat "$shortcut")"

# 21:00: both Once commands, then gone; 22:00 is next.
device clock set "2026-06-10 21:01"
wait_for "the Once commands ran" '[ "$(lines once)" = 1 ] && [ "$(lines also)" = 1 ]'
wait_for "22:00 is registered" 'registered_at "2026-06-10 22:00" && next_is nightly'
stored once && fail "the Once command is still stored"

# Three days of the daily commands.
for day in 10 11 12; do
    device clock set "2026-06-$day 22:01"
    wait_for "nightly ran on the ${day}th" "[ \"\$(lines nightly)\" = $((day - 9)) ]"
    wait_for "23:00 is registered" "registered_at '2026-06-$day 23:00' && next_is late"
    device clock set "2026-06-$day 23:01"
    wait_for "late ran on the ${day}th" "[ \"\$(lines late)\" = $((day - 9)) ]"
    wait_for "the next day's 22:00 is registered" "registered_at '2026-06-$(printf %02d $((day + 1))) 22:00'"
done
[ "$(lines once)" = 1 ] || fail "the Once command ran again"
[ "$(lines morning)" = 0 ] || fail "a first-power-on command ran at a timed start"

# Shutting down removes every registration and the shortcut.
client close ZELMORVANE
settle
status=$(device status)
grep -q '^no event registrations$' <<<"$status" || fail "event registrations remain: $status"
grep -q '^no timed registrations$' <<<"$status" || fail "timed registrations remain: $status"
[ -f "$shortcut" ] && fail "the start-up shortcut remains"
echo "PASS"
