#!/bin/bash
# Ends the run's devices and removes them.
source "$(dirname "$0")/e2e-lib.sh"
for folder in "${E2E_DEVICE_POOL:?}"/*/; do
    [ -d "$folder" ] || continue
    MORVANE_DEVICE=${folder%/} device down
done
rm -rf "$E2E_DEVICE_POOL"
