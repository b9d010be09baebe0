#!/bin/bash
# Timed registrations: one start with "AppRunAtTime" when the clock reaches
# the moment, then gone; a registration made by the started program itself
# survives; one that fell due while the device was down fires as it comes up.
source "$(dirname "$0")/e2e-lib.sh"
fresh_device

log=$(place_probe '\e2e\timed')
client at-time 2 '\e2e\timed\probe.exe'
device status | grep -q '^timed .* \\e2e\\timed\\probe\.exe$' || fail "no timed registration"
[ "$(count_lines "$log" AppRunAtTime)" = 0 ] || fail "started before its time"

advance_clock 3
wait_for "the probe ran at its time" 'has_line "$log" "[AppRunAtTime]"'
device status | grep -q 'e2e\\timed' && fail "the registration outlived its start"
# A later clock and a power-on find nothing left to start.
advance_clock 10
device power-on
[ "$(count_lines "$log" AppRunAtTime)" = 1 ] || fail "started more than once: $(cat "$log")"

# The started program registers again at once; that registration stays.
folder=$(device path '\e2e\again')
mkdir -p "$folder"
cp "$E2E_CLIENT" "$folder/e2e_client.exe"
rm -f "$folder/client.log"
client at-time 2 '\e2e\again\e2e_client.exe'
advance_clock 3
wait_for "the client ran at its time" 'has_line "$folder/client.log" AppRunAtTime'
# The client registers the path it was started from: drive letter and all.
reregistered() { device status | grep -qi '^timed .*\\e2e\\again\\e2e_client\.exe$'; }
wait_for "its new registration is there" reregistered

# Due while the device was down: started when it comes up.
log=$(place_probe '\e2e\missed')
client at-time 2 '\e2e\missed\probe.exe'
device down
advance_clock 3
[ "$(count_lines "$log" AppRunAtTime)" = 0 ] || fail "a device that is down started a program"
device up
wait_for "the missed registration ran at boot" 'has_line "$log" "[AppRunAtTime]"'
echo "PASS"
