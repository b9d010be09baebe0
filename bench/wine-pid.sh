# Sourced by the device benchmarks.
# The Wine process whose command line names PROGRAM (a pattern), in the
# device MORVANE_DEVICE; not the host's commands that started it inside the
# sandbox and wait for it, which name it too.
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
