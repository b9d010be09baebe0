#!/bin/bash
# Makes the run's throwaway device (a new prefix costs ~10 s and 700 MB, so
# the end-to-end scripts share this one) and boots it.
source "$(dirname "$0")/e2e-lib.sh"
device down 2>/dev/null || true
rm -rf "$MORVANE_DEVICE"
device up
device status | grep -q '^clock ' || fail "the new device shows no clock"
