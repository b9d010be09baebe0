#!/bin/bash
# The soak: the command mix of commands.txt on a throwaway device, driven
# through the event script events.txt (made by model.py events) with the
# device's own verbs, every run through the launcher, morvane.exe and the
# notification service. Each command launches soakprobe.exe, which logs its
# name and the device clock; model.py then compares what ran, and the lines
# the run history gained, event by event, with what must have run, and
# checks the command file. The device
# keeps its trace (DEVICE_LOG: every program's start, every start it tried
# and how the launcher ended) beside the soak's own line for each event, and
# each difference is shown with what the device did at its event.
#
#   tests/soak/soak.sh [BUILD]     (make soak; not part of make test)
#   SOAK_FORECAST_ONLY=1 tests/soak/soak.sh [BUILD]   only the forecast check
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
export MORVANE_BUILD=$(cd "${1:-$repo/build}" && pwd)
tool_exe="$MORVANE_BUILD/tests/emulator/e2e_commands.exe"
client_exe="$MORVANE_BUILD/tests/emulator/e2e_client.exe"
probe_exe="$MORVANE_BUILD/tests/soakprobe.exe"
for program in "$tool_exe" "$client_exe" "$probe_exe"; do
    [ -f "$program" ] || { echo "no $program: make build first" >&2; exit 1; }
done
export MORVANE_DEVICE
MORVANE_DEVICE=$(mktemp -d /tmp/morvane-soak-device.XXXXXX)
rmdir "$MORVANE_DEVICE"
work=$(mktemp -d /tmp/morvane-soak.XXXXXX)
started=$SECONDS

device() { "$repo/device" "$@"; }
cleanup() {
    device down >/dev/null 2>&1 || true
    rm -rf "$MORVANE_DEVICE"
}
trap cleanup EXIT

TOOL='\Program Files\Morvane\e2e_commands.exe'
tool() { device run "$TOOL" "$*"; }

# This device's processes whose command line names one of Morvane's
# programs or the probe; busy while an event is still being handled (more
# than the one resident instance, a launcher, or a probe).
busy() {
    local file pid command morvane=0
    for file in $(grep -lzxF "WINEPREFIX=$MORVANE_DEVICE" /proc/[0-9]*/environ 2>/dev/null); do
        pid=${file#/proc/}
        pid=${pid%/environ}
        # A process may end between the two reads.
        command=$({ tr '\0' ' ' <"/proc/$pid/cmdline"; } 2>/dev/null) || continue
        case $command in
            *mvlaunch.exe* | *soakprobe.exe*) return 0 ;;
            *morvane.exe*) morvane=$((morvane + 1)) ;;
        esac
    done
    [ "$morvane" -gt 1 ]
}

settle() {
    local deadline=$((SECONDS + 90))
    sleep 0.3
    while [ $SECONDS -lt $deadline ]; do
        if busy; then sleep 0.2; continue; fi
        sleep 0.3
        busy || return 0
    done
    echo "soak: still busy after 90 s" >&2
}

# The device's trace, in the device's own folder, and where it is on the host.
export DEVICE_LOG='\soak\device.log'
trace=$MORVANE_DEVICE/drive_c/soak/device.log
mark() { printf '%s\t-\t-\tsoak\t%s\n' "$(date -u '+%Y-%m-%d %H:%M:%S.%3N')" "$*" >>"$trace"; }

echo "soak: device $MORVANE_DEVICE" >&2
device up >/dev/null
mkdir -p "$(dirname "$trace")"
device run "$client_exe" clear-registrations
probe_folder=$(device path '\soak')
mkdir -p "$probe_folder"
cp "$probe_exe" "$probe_folder/soakprobe.exe"
log="$probe_folder/soak.log"
rm -f "$log"
cp "$tool_exe" "$(device path '\Program Files\Morvane')/e2e_commands.exe"
tool clear
for setting in "EnableCommands|1" "EnableTrayIcon|0" "ShowMainWin|0" "ShowStatus|0"; do tool "setting|$setting"; done

first_clock=$(grep -m1 '^clock ' "$here/events.txt" | cut -d' ' -f2-)
device clock set "$first_clock"
while IFS='|' read -r name trigger <&3; do
    [[ -z $name || $name == \#* ]] && continue
    tool "$name|$trigger|launch|\\soak\\soakprobe.exe|$name" || { echo "soak: cannot store $name" >&2; exit 1; }
done 3<"$here/commands.txt"

# The forecast of the stored mix against the model's, once, before anything ran.
device forecast 30 | awk '
    /^every power-on/ { print "every power-on " $3; next }
    /^after a reset/ { print "after a reset " $4; next }
    $3 == "first" { print $1 " first power-on " $5; next }
    { print $1 " " $3 " " $4 }' | sort >"$work/forecast.device"
python3 "$here/model.py" forecast "$first_clock" 30 | sort >"$work/forecast.model"
if diff "$work/forecast.model" "$work/forecast.device" >"$work/forecast.diff"; then
    forecast_result="agrees with the model ($(wc -l <"$work/forecast.model") lines)"
else
    forecast_result="DIFFERS from the model (model <, device >):"$'\n'"$(cat "$work/forecast.diff")"
fi

if [ -n "${SOAK_FORECAST_ONLY:-}" ]; then
    echo "Forecast 30 days at $first_clock: $forecast_result"
    [[ $forecast_result == agrees* ]]
    exit
fi

# The events, each with the runs it caused and the run history's lines.
seen="$work/seen.tsv"
history_seen="$work/history.tsv"
history=$(device path '\Program Files\Morvane\Data')/history.txt
: >"$seen"
: >"$history_seen"
index=0
lines_before=0
history_before=0
total=$(grep -vc '^#' "$here/events.txt")
while read -r verb rest <&3; do
    [[ -z $verb || $verb == \#* ]] && continue
    mark "event $index: $verb $rest"
    case $verb in
        clock) device clock set "$rest" ;;
        start) device start; sleep 3 ;;
        power-on) device power-on ;;
        reset) device reset; sleep 4 ;;
        down) device down ;;
        up) device up >/dev/null; sleep 4 ;;
        *) echo "soak: unknown event $verb" >&2; exit 1 ;;
    esac
    [ "$verb" = down ] || settle
    if [ -f "$log" ]; then
        lines_now=$(wc -l <"$log")
        if [ "$lines_now" -gt "$lines_before" ]; then
            tail -n "+$((lines_before + 1))" "$log" | head -n "$((lines_now - lines_before))" | tr -d '\r' |
                awk -v i="$index" -F'\t' '{ print i "\t" $1 "\t" $2 }' >>"$seen"
            lines_before=$lines_now
        fi
    fi
    if [ -f "$history" ]; then
        history_now=$(wc -l <"$history")
        if [ "$history_now" -gt "$history_before" ]; then
            tail -n "+$((history_before + 1))" "$history" | head -n "$((history_now - history_before))" |
                awk -v i="$index" '{ print i "\t" $0 }' >>"$history_seen"
            history_before=$history_now
        fi
    fi
    index=$((index + 1))
    [ $((index % 50)) = 0 ] && echo "soak: $index of $total events, $((SECONDS - started)) s" >&2
done 3< <(grep -v '^#' "$here/events.txt")

# What the command file holds at the end.
: >"$work/existing"
while IFS='|' read -r name trigger <&3; do
    [[ -z $name || $name == \#* ]] && continue
    if tool "exists|$name"; then echo "$name" >>"$work/existing"; fi
done 3<"$here/commands.txt"

result=0
python3 "$here/model.py" report "$seen" "$work/existing" "$history_seen" | tee "$work/report" || result=$?
cp "$trace" "$work/device.log"

# What the device did at each event with a difference: from the soak's line
# for the event to the next one.
for index in $(grep -o 'event [0-9]*:' "$work/report" | grep -o '[0-9]*' | sort -nu); do
    echo
    echo "Device trace of event $index:"
    awk -F'\t' -v this="event $index:" -v next_="event $((index + 1)):" '
        $4 == "soak" && index($5, this) == 1 { on = 1 }
        $4 == "soak" && index($5, next_) == 1 { on = 0 }
        on { print "    " $0 }' "$work/device.log"
done
echo
echo "Forecast 30 days at $first_clock: $forecast_result"
echo "Soak took $((SECONDS - started)) s; runs seen: $seen; device trace: $work/device.log"
exit "$result"
