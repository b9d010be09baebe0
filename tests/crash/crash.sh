#!/bin/bash
# The crash harness: on a throwaway device, crashwriter.exe changes a command
# file of a few thousand commands and the usage counters through Morvane's
# own code while crash.py kills it (SIGKILL of its Wine process) or resets
# the device (./device reset) at random moments, at least 500 times, and
# checks after each that nothing was lost. The last line is the figure for
# make bench.
#
#   tests/crash/crash.sh [BUILD]     (make crash; not part of make test, about ten minutes)
#   CRASH_INTERRUPTIONS=N  CRASH_SEED=N   fewer interruptions, or a run repeated
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
export MORVANE_BUILD
MORVANE_BUILD=$(cd "${1:-$repo/build}" && pwd)
writer="$MORVANE_BUILD/tests/crashwriter.exe"
[ -f "$writer" ] || { echo "no $writer: make build first" >&2; exit 1; }
export MORVANE_DEVICE
MORVANE_DEVICE=$(mktemp -d /tmp/morvane-crash-device.XXXXXX)
rmdir "$MORVANE_DEVICE"

device() { "$repo/device" "$@"; }
cleanup() {
    device down >/dev/null 2>&1 || true
    rm -rf "$MORVANE_DEVICE"
}
trap cleanup EXIT

echo "crash: device $MORVANE_DEVICE" >&2
device up >/dev/null
cp "$writer" "$(device path '\Program Files\Morvane')/crashwriter.exe"
python3 "$here/crash.py" "$repo" "$MORVANE_DEVICE" "${CRASH_INTERRUPTIONS:-520}" ${CRASH_SEED:+"$CRASH_SEED"}
