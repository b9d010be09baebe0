#!/bin/bash
# The device command's own verbs: paths, exact arguments and exit codes,
# the clock with bad input, and a long "NextScheduled".
source "$(dirname "$0")/e2e-lib.sh"
fresh_device

# Letter case of existing components as the device resolves it; the rest as given.
drive_c="$MORVANE_DEVICE/drive_c"
[ "$(device path '\PROGRAM FILES\morvane\MORVANE.EXE')" = "$drive_c/Program Files/Morvane/morvane.exe" ] ||
    fail "path: $(device path '\PROGRAM FILES\morvane\MORVANE.EXE')"
[ "$(device path 'C:\Program Files\Morvane\Data\zelvane.dat')" = "$drive_c/Program Files/Morvane/Data/zelvane.dat" ] ||
    fail "path of a missing file"

# Exactly the arguments, blanks and quotes included; the exit code comes back.
log=$(place_probe '\e2e\run')
code=0
device run '\e2e\run\probe.exe' ' two  "quoted" args\' || code=$?
[ "$code" = 7 ] || fail "run gave exit code $code"
has_line "$log" '[ two  "quoted" args\]' || fail "arguments changed: $(cat "$log")"
code=0
device run '\e2e\no such program.exe' 2>/dev/null || code=$?
[ "$code" = 127 ] || fail "a missing program gave $code"
# A program's exit code is its answer; a failing step of the device says
# that it is the device's.
message=$(device run '\e2e\run\probe.exe' x 2>&1) && fail "the probe gave exit code 0"
[ -z "$message" ] || fail "a program's exit code was said as a failure: $message"
message=$(device screenshot "$MORVANE_BUILD/e2e-no-such-folder/screen.png" 2>&1) || true
grep -q '^device: screenshot stopped at .*(not a test failure)$' <<<"$message" || fail "a failing step said: $message"
# Morvane that cannot start is Morvane's failure, and is said as one.
main=$(device path '\Program Files\Morvane\morvane.exe')
mv "$main" "$main.away"
code=0
message=$(device start 2>&1) || code=$?
mv "$main.away" "$main"
[ "$code" != 0 ] || fail "start of a missing morvane.exe succeeded"
grep -qx 'device: Morvane could not be started' <<<"$message" && ! grep -q 'not a test failure' <<<"$message" ||
    fail "a Morvane that cannot start said: $message"
# A host path runs too.
code=0
client count no-such-process.exe || code=$?
[ "$code" = 0 ] || fail "a host path program gave $code"

# The clock: set, refused without change, shown.
device clock set "2030-01-01 10:00"
for bad in "2030-02-30 10:00" "2030-01-01 24:00" "tomorrow" "2030-01-01"; do
    message=$(device clock set "$bad" 2>&1) && fail "the clock took \"$bad\""
    # The caller's mistake, not the device's.
    grep -q 'not a test failure' <<<"$message" && fail "a refused setting said: $message"
done
[[ $(device clock show) == "2030-01-01 10:0"* ]] || fail "a refused setting moved the clock: $(device clock show)"

# A value longer than the program ever writes shows in full.
names=$(printf 'Command%03d;' $(seq 1 40))
device run 'C:\windows\system32\reg.exe' \
    "add \"HKLM\\Software\\Quillon Software\\Morvane\" /v NextScheduled /t REG_SZ /d $names /f"
# The status is kept whole, with its exit code, so that a failure shows what
# this very call said (it once failed here, 1 run in 16, and a second call
# showed the value in full).
code=0
status=$(device status) || code=$?
grep -qxF "NextScheduled $names" <<<"$status" || fail "NextScheduled (status exit code $code): $status"
echo "PASS"
