#!/bin/bash
# The launcher for real: registered for the wake-up event, it starts the
# program in "InstallDir" with "AppRunAfterWakeup". probe.exe stands in for
# morvane.exe on this throwaway device; the build is installed again after.
source "$(dirname "$0")/e2e-lib.sh"
fresh_device
trap 'device install >/dev/null; client clear-registrations || true' EXIT

client close ZELMORVANE || true
wait_for "no main program runs" '[ "$(running morvane.exe)" = 0 ]'
main=$(device path '\Program Files\Morvane\morvane.exe')
cp "$E2E_PROBE" "$main.new" && mv -f "$main.new" "$main"
log=$(dirname "$main")/probe.log
rm -f "$log"

client at-event 11 '\windows\mvlaunch.exe'
device power-on
wait_for "the launcher started the installed program" 'has_line "$log" "[AppRunAfterWakeup]"'
[ "$(count_lines "$log" '[')" = 1 ] || fail "unexpected starts: $(cat "$log")"
echo "PASS"
