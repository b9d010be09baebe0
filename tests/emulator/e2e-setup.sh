#!/bin/bash
# Makes the run's throwaway devices and boots them. A new prefix costs a
# core ~20 s and 700 MB, so the end-to-end scripts share a few (CTest gives
# each script a free one), and all but the first are copies of it.
source "$(dirname "$0")/e2e-lib.sh"
: "${E2E_DEVICE_POOL:?}" "${E2E_DEVICE_COUNT:?}"
for folder in "$E2E_DEVICE_POOL"/*/; do
    [ -d "$folder" ] && MORVANE_DEVICE=${folder%/} device down 2>/dev/null || true
done
rm -rf "$E2E_DEVICE_POOL"
mkdir -p "$E2E_DEVICE_POOL"
first=$E2E_DEVICE_POOL/0
MORVANE_DEVICE=$first device install
for ((id = 1; id < E2E_DEVICE_COUNT; id++)); do
    cp -a "$first" "$E2E_DEVICE_POOL/$id"
done

boot() {
    export MORVANE_DEVICE=$1
    device up
    device status | grep -q '^clock ' || fail "the new device $MORVANE_DEVICE shows no clock"
}
pids=()
for ((id = 0; id < E2E_DEVICE_COUNT; id++)); do
    boot "$E2E_DEVICE_POOL/$id" &
    pids+=($!)
done
failed=0
for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
[ "$failed" = 0 ] || fail "not every device of the pool came up"
