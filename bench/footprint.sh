#!/bin/bash
# What Morvane takes from the handheld's one store: the installed size of its
# two programs, exact bytes against their targets; and the private memory of
# the resident instance (hidden window, tray icon) against idle_window.exe, a
# program with one window and a message loop, built the same way and run in
# the same device at the same time. Private memory is what the platform
# reports as a process's private bytes (under Wine: the process's anonymous
# resident memory and swap, read from /proc).
#
# The resident instance is measured idle after its start, then after 100
# commands made through the wizard and every dialog opened and closed
# (bench/footprint_driver.cpp), then after each of three more rounds of every
# dialog: a leak grows with every round.
#
#   bench/footprint.sh
#
# Uses MORVANE_BUILD (default <repo>/build, built with its tests and
# benchmarks) and a throwaway device unless MORVANE_DEVICE names one (which is
# then kept).
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
source "$repo/emulator/wine-prefix.sh"
export MORVANE_BUILD=${MORVANE_BUILD:-$repo/build}
client="$MORVANE_BUILD/tests/emulator/e2e_client.exe"
commands="$MORVANE_BUILD/tests/emulator/e2e_commands.exe"
driver="$MORVANE_BUILD/bench/footprint_driver.exe"
idle="$MORVANE_BUILD/bench/idle_window.exe"
for program in "$client" "$commands" "$driver" "$idle"; do
    [ -f "$program" ] || { echo "no $program: build $MORVANE_BUILD first" >&2; exit 1; }
done

MorvaneTarget=262144      # bytes
LauncherTarget=32768      # bytes
OwnMemoryTarget=512       # KiB

source "$repo/bench/device-bench.sh"
cleanup() {
    device run "$client" close IdleWindow >/dev/null 2>&1 || true
    device run "$client" close ZELMORVANE >/dev/null 2>&1 || true
    drop_own_device
    return 0
}
trap cleanup EXIT

figure() { printf 'figure\t%s\t%s\t%s\t%s\t%s\n' "$@"; }

# ---- Installed bytes ---------------------------------------------------------
device up
morvane_bytes=$(stat -c %s "$(device path '\Program Files\Morvane\morvane.exe')")
launcher_bytes=$(stat -c %s "$(device path '\Windows\mvlaunch.exe')")
echo "Installed on the device: morvane.exe $morvane_bytes bytes, mvlaunch.exe $launcher_bytes bytes"
figure "morvane.exe installed" "$morvane_bytes" "$MorvaneTarget" "exact bytes on the device" bytes
figure "mvlaunch.exe installed" "$launcher_bytes" "$LauncherTarget" "exact bytes on the device" bytes

# ---- Resident memory ---------------------------------------------------------
device run "$client" close ZELMORVANE >/dev/null 2>&1 || true
cp "$commands" "$(device path '\Program Files\Morvane')/e2e_commands.exe"
tool() { device run '\Program Files\Morvane\e2e_commands.exe' "$*"; }
tool clear
# Nothing runs by itself meanwhile; the tray icon is on, the main dialog not.
tool "setting|EnableCommands|0"
tool "setting|EnableTrayIcon|1"
tool "setting|ShowMainWin|0"
mkdir -p "$MORVANE_DEVICE/drive_c/bench"
cp "$idle" "$MORVANE_DEVICE/drive_c/bench/idle_window.exe"
rm -f "$(dirname "$driver")/footprint.log"

wait_pid() {
    local pid
    for _ in $(seq 300); do
        pid=$(pid_of "$1") && { echo "$pid"; return 0; }
        sleep 0.2
    done
    echo "$1 did not start" >&2
    exit 1
}
# Private memory in KiB: what Wine reports as the process's private bytes.
private_kib() { awk '/^(RssAnon|VmSwap):/ { sum += $2 } END { print sum }' "/proc/$1/status"; }

device start
morvane=$(wait_pid 'morvane\.exe')
(
    cd "$MORVANE_DEVICE/drive_c"
    DISPLAY=$(cat "$MORVANE_DEVICE/display") WINEPREFIX=$MORVANE_DEVICE WINEDEBUG=-all \
        setsid "$WINE" 'C:\bench\idle_window.exe' </dev/null >/dev/null 2>&1 &
)
baseline=$(wait_pid 'idle_window\.exe')

# One reading of both; the programs do nothing meanwhile, so it is exact.
measure() {
    sleep 2
    local m b
    m=$(private_kib "$morvane")
    b=$(private_kib "$baseline")
    echo "  $1: Morvane $m KiB, idle_window $b KiB, Morvane's own $((m - b)) KiB" >&2
    echo "$m $b"
}
drive() {
    device run "$driver" "$@" || {
        echo "the driver failed at $*: $(cat "$(dirname "$driver")/footprint.log" 2>/dev/null)" >&2
        exit 1
    }
}

echo "Private memory (the same device, the same time):"
read -r idle_m idle_b < <(measure "idle after start")
drive message-command
drive commands 100 1
drive tour
read -r round1_m round1_b < <(measure "after 100 commands and every dialog")
# A leak grows the memory in every round; the heap now and then takes a page
# or a few more in one round and keeps them. So every dialog goes round three
# more times, and the figure is the least any of those rounds added.
growth=""
growths=""
previous=$round1_m
for round in 2 3 4; do
    drive tour
    read -r now _ < <(measure "after every dialog, round $round")
    added=$((now - previous))
    growths="$growths${growths:+, }$added"
    if [ -z "$growth" ] || [ "$added" -lt "$growth" ]; then growth=$added; fi
    previous=$now
done

own=$((idle_m - idle_b))
first=$((round1_m - idle_m))
echo "  the first round added $first KiB (the common controls come with the first dialog and stay);"
echo "  rounds 2 to 4 added $growths KiB"
figure "resident idle: Morvane's own private memory" "$own" "$OwnMemoryTarget" \
    "idle_window.exe: $idle_b KiB" KiB
figure "every dialog again: growth (a leak), least of 3 rounds" "$growth" 0 \
    "rounds 2-4 added $growths KiB, after +$first KiB in the first" KiB
