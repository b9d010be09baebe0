#!/bin/bash
# A reset ends every process of the device at once and boots it: the
# start-up shortcuts' targets run with their arguments, the registrations
# stay, and a broken shortcut does not keep the others from running. A
# target that stays running does not hold the output of whoever reset.
source "$(dirname "$0")/e2e-lib.sh"
fresh_device

log=$(place_probe '\e2e\reset')
client shortcut '\Windows\StartUp\e2e.lnk' '"\e2e\reset\probe.exe" after  reset'
cp "$E2E_CLIENT" "$(device path '\e2e\reset')/stay.exe"
client shortcut '\Windows\StartUp\stay.lnk' '"\e2e\reset\stay.exe" wait'
printf 'not a shortcut' >"$(device path '\Windows\StartUp')/broken.lnk"
client at-event 11 '\e2e\reset\probe.exe'
client at-time 60 '\e2e\reset\probe.exe'

device run "$E2E_CLIENT" wait &
waiter=$!
wait_for "a program runs before the reset" '[ "$(running e2e_client.exe)" -ge 1 ]'

timeout 300 bash -c '"$1/device" reset 2>&1 | cat' _ "$repo" ||
    fail "the reset did not return, or held its caller's output"
wait "$waiter" 2>/dev/null || true
[ "$(running e2e_client.exe)" = 0 ] || fail "a process outlived the reset"
wait_for "the start-up shortcut's target ran" 'has_line "$log" "[after  reset]"'
status=$(device status)
grep -q '^event 11 wake-up \\e2e\\reset\\probe\.exe$' <<<"$status" || fail "the wake-up registration did not survive"
grep -q '^timed .* \\e2e\\reset\\probe\.exe$' <<<"$status" || fail "the timed registration did not survive"
wait_for "the start-up target that stays runs" '[ "$(running stay.exe)" = 1 ]'

# Leave no program running for the scripts that follow.
rm -f "$(device path '\Windows\StartUp')/stay.lnk"
device reset
echo "PASS"
