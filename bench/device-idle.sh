#!/bin/bash
# The device while nothing is due: the CPU time and wake-ups over an idle
# minute of the notification service and of a resident Morvane whose one
# timed command is due in an hour (so the service holds a registration an
# hour ahead), side by side with a scheduler that looks once a minute
# (poll_scheduler.exe), all in the same device at the same time. The target
# is no wake-up at all.
#
#   bench/device-idle.sh [SECONDS]     (default 60)
#
# Uses MORVANE_BUILD (default <repo>/build, built with its tests) and a
# throwaway device unless MORVANE_DEVICE names one (which is then kept).
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
source "$repo/emulator/wine-prefix.sh"
seconds=${1:-60}
export MORVANE_BUILD=${MORVANE_BUILD:-$repo/build}
client="$MORVANE_BUILD/tests/emulator/e2e_client.exe"
commands="$MORVANE_BUILD/tests/emulator/e2e_commands.exe"
poller="$MORVANE_BUILD/bench/poll_scheduler.exe"
for program in "$client" "$commands" "$poller"; do
    [ -f "$program" ] || { echo "no $program: build $MORVANE_BUILD first" >&2; exit 1; }
done

source "$repo/bench/device-bench.sh"
baseline=""
cleanup() {
    [ -n "$baseline" ] && kill "$baseline" 2>/dev/null
    drop_own_device
    return 0
}
trap cleanup EXIT

device up
device run "$client" close ZELMORVANE >/dev/null 2>&1 || true
device run "$client" clear-registrations

# Morvane resident, with one command due in an hour; it registers the
# launcher for that moment itself.
cp "$commands" "$(device path '\Program Files\Morvane')/e2e_commands.exe"
tool() { device run '\Program Files\Morvane\e2e_commands.exe' "$*"; }
tool clear
tool "setting|EnableCommands|1"
tool "setting|EnableTrayIcon|1"
device clock set "2026-06-10 08:00"
tool "hourly|daily@09:00|cleanup"
device start
for _ in $(seq 300); do
    device status | grep -q '^timed 2026-06-10 09:00' && break
    sleep 0.2
done
device status | grep -q '^timed 2026-06-10 09:00' || { echo "Morvane registered no run an hour ahead" >&2; exit 1; }

# The poller runs in the device like any of its programs, from a copy on C:
# (the device has no drive to the host's root).
export WINEPREFIX=$MORVANE_DEVICE WINEDEBUG=-all
mkdir -p "$MORVANE_DEVICE/drive_c/bench"
cp "$poller" "$MORVANE_DEVICE/drive_c/bench/poll_scheduler.exe"
(
    cd "$MORVANE_DEVICE/drive_c"
    setsid "$WINE" 'C:\bench\poll_scheduler.exe' </dev/null >/dev/null 2>&1 &
)

service=$(pid_of 'notifysvc\.exe') || { echo "the notification service is not running" >&2; exit 1; }
morvane=$(pid_of 'morvane\.exe') || { echo "Morvane is not resident" >&2; exit 1; }
for _ in $(seq 100); do
    baseline=$(pid_of 'poll_scheduler\.exe') && break
    sleep 0.1
done
[ -n "$baseline" ] || { echo "the poller did not start" >&2; exit 1; }

# CPU nanoseconds and times scheduled in, summed over the process's threads.
usage() {
    cat /proc/"$1"/task/*/schedstat | awk '{ cpu += $1; runs += $3 } END { printf "%d %d\n", cpu, runs }'
}

sleep 2   # both settled
read -r service_cpu0 service_runs0 < <(usage "$service")
read -r morvane_cpu0 morvane_runs0 < <(usage "$morvane")
read -r baseline_cpu0 baseline_runs0 < <(usage "$baseline")
sleep "$seconds"
read -r service_cpu1 service_runs1 < <(usage "$service")
read -r morvane_cpu1 morvane_runs1 < <(usage "$morvane")
read -r baseline_cpu1 baseline_runs1 < <(usage "$baseline")
morvane_cpu=$((morvane_cpu1 - morvane_cpu0))
morvane_runs=$((morvane_runs1 - morvane_runs0))

service_cpu=$((service_cpu1 - service_cpu0))
service_runs=$((service_runs1 - service_runs0))
baseline_cpu=$((baseline_cpu1 - baseline_cpu0))
baseline_runs=$((baseline_runs1 - baseline_runs0))

ratio() {
    if [ "$2" -eq 0 ]; then
        [ "$1" -eq 0 ] && echo "1 (both zero)" || echo "infinite (the service: zero)"
    else
        awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f\n", a / b }'
    fi
}

echo
echo "Idle for $seconds s, Morvane resident with its next run 60 minutes ahead, same device, same time:"
printf '  %-34s %12s %10s\n' "" "CPU time" "wake-ups"
printf '  %-34s %9.3f ms %10d\n' "notification service (notifysvc)" "$(awk -v n="$service_cpu" 'BEGIN { print n / 1e6 }')" "$service_runs"
printf '  %-34s %9.3f ms %10d\n' "Morvane, resident" "$(awk -v n="$morvane_cpu" 'BEGIN { print n / 1e6 }')" "$morvane_runs"
printf '  %-34s %9.3f ms %10d\n' "polling baseline (every minute)" "$(awk -v n="$baseline_cpu" 'BEGIN { print n / 1e6 }')" "$baseline_runs"
echo "  baseline / service: CPU time $(ratio "$baseline_cpu" "$service_cpu"), wake-ups $(ratio "$baseline_runs" "$service_runs")"
# The table's row (bench/all.sh): the idle wake-ups of the service and
# Morvane against the poller's; the target is none at all.
printf 'figure\tidle minute: wake-ups of the service and Morvane\t%s\t0.00\tthe once-a-minute poller (%d wake-ups)\n' \
    "$(awk -v a="$((service_runs + morvane_runs))" -v b="$baseline_runs" 'BEGIN { printf "%.2f", b ? a / b : a }')" "$baseline_runs"
if [ "$service_runs" -eq 0 ] && [ "$morvane_runs" -eq 0 ]; then
    echo "  target met: neither the service nor Morvane woke up while idle"
else
    echo "  target missed: the service woke $service_runs times, Morvane $morvane_runs times"
fi
device run "$client" close ZELMORVANE >/dev/null 2>&1 || true
