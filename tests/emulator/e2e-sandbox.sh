#!/bin/bash
# The device's sandbox and its trace. Every Wine process of the device lives
# in one sandbox: the same mount, process and network namespaces, none of them
# the host's, no capability, no network but loopback; `run` takes no host
# program from outside the build; `down` leaves neither sandbox nor process.
# Booted with DEVICE_LOG, the device traces a power-on link by link.
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-morvane.sh"
fresh_morvane

# The device's Wine processes. (Processes come and go while grep reads them.)
device_processes() {
    local pid
    for pid in $({ grep -lzxF "WINEPREFIX=$MORVANE_DEVICE" /proc/[0-9]*/environ 2>/dev/null || true; } | cut -d/ -f3); do
        [[ $(readlink "/proc/$pid/exe" 2>/dev/null) == */wine/* ]] && echo "$pid"
    done
    return 0
}
sandboxes() { { grep -lzxF "MORVANE_SANDBOX=$MORVANE_DEVICE" /proc/[0-9]*/cmdline 2>/dev/null || true; } | wc -l; }

# All the device's processes share one mount, process and network namespace,
# none of them the host's (nor, when given, PID's).
in_one_sandbox() {
    local pids ns seen
    pids=$(device_processes)
    [ -n "$pids" ] || fail "the device has no processes"
    for ns in mnt pid net; do
        # A process that has ended meanwhile is passed over, not an error.
        seen=$(for pid in $pids; do readlink "/proc/$pid/ns/$ns" 2>/dev/null || true; done | sort -u)
        [ "$(wc -l <<<"$seen")" = 1 ] || fail "the device's processes are in several $ns namespaces"
        [ "$seen" != "$(readlink /proc/self/ns/$ns)" ] || fail "the device shares the host's $ns namespace"
        [ -z "${1:-}" ] || [ "$seen" != "$(readlink "/proc/$1/ns/$ns")" ] || fail "the device entered process $1's $ns namespace"
    done
}
in_one_sandbox
pids=$(device_processes)
for pid in $pids; do
    grep -q '^CapEff:[[:space:]]*0*$' "/proc/$pid/status" 2>/dev/null || [ ! -e "/proc/$pid" ] ||
        fail "device process $pid has capabilities"
done
service=$(for pid in $pids; do
    if grep -qa 'notifysvc\.exe' "/proc/$pid/cmdline" 2>/dev/null; then echo "$pid"; fi
done | head -n1)
[ -n "$service" ] || fail "the notification service does not run"
interfaces=$(tail -n +3 "/proc/$service/net/dev" | cut -d: -f1 | tr -d ' ')
[ "$interfaces" = lo ] || fail "the device has network interfaces: $interfaces"

outside=$(mktemp /tmp/morvane-outside.XXXXXX.exe)
cp "$E2E_PROBE" "$outside"
message=$(device run "$outside" 2>&1) && fail "a program from outside the build ran"
rm -f "$outside"
grep -q 'outside the build' <<<"$message" || fail "no clear refusal: $message"

# The trace of one power-on, link by link.
device down
trace=$(device path '\e2e\trace.log')
mkdir -p "$(dirname "$trace")"
rm -f "$trace"
DEVICE_LOG='\e2e\trace.log' "$repo/device" up
add "traced|power-on|cleanup"
client at-event 11 '\windows\mvlaunch.exe'
device power-on
launcher_ended() { grep -F $'notifysvc.exe\texit\t\\windows\\mvlaunch.exe\t' "$trace" | grep -q $'\tcode 0$'; }
wait_for "the launcher's end is traced" launcher_ended
settle
for line in $'notifysvc.exe\tpower-on' $'notifysvc.exe\tcreate\t\\windows\\mvlaunch.exe\tAppRunAfterWakeup\tstarted' \
    $'mvlaunch.exe\tstart\tAppRunAfterWakeup' $'mvlaunch.exe\tcreate\t\\Program Files\\Morvane\\morvane.exe\tAppRunAfterWakeup\tstarted' \
    $'morvane.exe\tstart\tAppRunAfterWakeup'; do
    grep -qF "$line" "$trace" || fail "the trace lacks \"$line\": $(cat "$trace")"
done

device down
[ -z "$(device_processes)" ] || fail "device processes outlived down"
[ "$(sandboxes)" = 0 ] || fail "the sandbox outlived down"

# Another user's process that looks like the device's sandbox (bubblewrap,
# the device's tag, a process namespace of its own), there first, is never
# entered, and is said; down leaves it alone. Only root can make one.
if [ "$(id -u)" = 0 ]; then
    tag="MORVANE_SANDBOX=$(realpath -m "$MORVANE_DEVICE")"
    # The tag only in the last process's command line.
    TAG=$tag unshare --pid --fork --kill-child setpriv --reuid=65534 --regid=65534 --clear-groups \
        bash -c 'exec -a bwrap sh -c "sleep 600; :" sandbox "$TAG"' </dev/null >/dev/null 2>&1 &
    unshare_pid=$!
    stranger=""
    # Its first process takes the rest of its process namespace along.
    trap 'kill -KILL $stranger "$unshare_pid" 2>/dev/null || true' EXIT
    wait_for "the other user's process is there" \
        'stranger=$(pgrep -P "$unshare_pid") && grep -qzxF "$tag" "/proc/$stranger/cmdline"'
    said=$(device up 2>&1)
    grep -qF "that is not ours (process $stranger, owner 65534) was passed over (not a test failure)" <<<"$said" ||
        fail "the other user's process was not said: $said"
    in_one_sandbox "$stranger"
    device down
    [ -e "/proc/$stranger" ] || fail "down ended the other user's process"
    kill -KILL "$stranger" "$unshare_pid"
    trap - EXIT
fi
device up
echo "PASS"
