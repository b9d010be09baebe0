# Sourced by the benchmarks that run on a device (after repo is set).
#
# The device is MORVANE_DEVICE when that names one, which is then kept, or
# else a throwaway one that drop_own_device removes.
device() { "$repo/device" "$@"; }
own_device=0
if [ -z "${MORVANE_DEVICE:-}" ]; then
    export MORVANE_DEVICE
    MORVANE_DEVICE=$(mktemp -d /tmp/morvane-bench-device.XXXXXX)
    rmdir "$MORVANE_DEVICE"
    own_device=1
fi

drop_own_device() {
    if [ "$own_device" = 1 ]; then
        device down
        rm -rf "$MORVANE_DEVICE"
    fi
}

# The Wine process whose command line names PROGRAM (a pattern), in this
# device; not the host's commands that started it inside the sandbox and
# wait for it, which name it too.
pid_of() {
    local file pid
    for file in $(grep -lzxF "WINEPREFIX=$MORVANE_DEVICE" /proc/[0-9]*/environ 2>/dev/null); do
        pid=${file#/proc/}
        pid=${pid%/environ}
        [[ $(readlink "/proc/$pid/exe" 2>/dev/null) == */wine/* ]] || continue
        grep -qa "$1" "/proc/$pid/cmdline" 2>/dev/null && { echo "$pid"; return 0; }
    done
    return 1
}
