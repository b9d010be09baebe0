#!/bin/bash
# Ends the run's device and removes it.
source "$(dirname "$0")/e2e-lib.sh"
device down
rm -rf "$MORVANE_DEVICE"
