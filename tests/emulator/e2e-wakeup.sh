#!/bin/bash
# Wake-up registrations start with "AppRunAfterWakeup" at every power-on;
# CeRunAppAtEvent with NONE and CeRunAppAtTime with a null time remove the
# named program's registrations and nobody else's.
source "$(dirname "$0")/e2e-lib.sh"
fresh_device

kept=$(place_probe '\e2e\wake\kept')
dropped=$(place_probe '\e2e\wake\dropped')
client at-event 11 '\e2e\wake\kept\probe.exe'
client at-event 11 '\e2e\wake\dropped\probe.exe'
client at-time 60 '\e2e\wake\kept\probe.exe'
client at-time 60 '\e2e\wake\dropped\probe.exe'
[ "$(device status | grep -c '\\e2e\\wake\\')" = 4 ] || fail "four registrations expected"

client at-event 0 '\e2e\wake\dropped\probe.exe'
client at-time-null '\e2e\wake\dropped\probe.exe'
status=$(device status)
grep -q '^event 11 wake-up \\e2e\\wake\\kept\\probe\.exe$' <<<"$status" || fail "the kept wake-up registration is gone"
grep -q '^timed .* \\e2e\\wake\\kept\\probe\.exe$' <<<"$status" || fail "the kept timed registration is gone"
grep -q 'dropped' <<<"$status" && fail "NONE or a null time left a registration"

device power-on
wait_for "the wake-up program ran" 'has_line "$kept" "[AppRunAfterWakeup]"'
[ "$(count_lines "$dropped" AppRunAfterWakeup)" = 0 ] || fail "a removed registration started"
# Every power-on, not just the first.
device power-on
wait_for "the wake-up program ran again" '[ "$(count_lines "$kept" "[AppRunAfterWakeup]")" = 2 ]'
device status | grep -q '^event 11 wake-up \\e2e\\wake\\kept' || fail "a wake-up registration is not kept"
echo "PASS"
