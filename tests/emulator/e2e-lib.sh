# Shared by the end-to-end scripts: the device under test (one of the pool
# that e2e-setup.sh made for the whole run, or MORVANE_DEVICE), its test
# client and probe, and waiting on conditions. Sourced, not run.
set -euo pipefail
# A command that ends a script through "set -e" names itself and the calls
# that led to it, so that no script ever fails without saying where; in a
# function too (errtrace), where a failure would otherwise end the script
# without a word.
script_stopped() {
    local code=$1 line=$2 command=$3 where i
    # Only in the script itself: a subshell's end is said where the script
    # meets it, and where set -e is off (a command substitution) nothing ends.
    if [ "$BASHPID" != "$$" ] || [[ $- != *e* ]]; then return 0; fi
    where="${BASH_SOURCE[1]##*/} line $line"
    for ((i = 1; i < ${#FUNCNAME[@]} - 1; i++)); do
        where+=" in ${FUNCNAME[i]}, called from ${BASH_SOURCE[i + 1]##*/} line ${BASH_LINENO[i]}"
    done
    echo "FAIL: $where: \"$command\" ended with $code" >&2
    echo "--- the notification service: $(service_state)" >&2
}
set -E
trap 'script_stopped $? $LINENO "$BASH_COMMAND"' ERR

# Whether the device's notification service runs: without it, a status or
# clock call brings the device up and takes it down again.
service_state() {
    local file pid
    for file in $(grep -lza 'notifysvc[.]exe' /proc/[0-9]*/cmdline 2>/dev/null); do
        pid=${file#/proc/}
        pid=${pid%/cmdline}
        if grep -qzxF "WINEPREFIX=$MORVANE_DEVICE" "/proc/$pid/environ" 2>/dev/null; then
            echo "running (process $pid)"
            return
        fi
    done
    echo "not running"
}

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# CTest hands a script running beside others the id of a free device of the
# pool ("id:2,slots:1"); run on its own, a script takes the pool's first.
if [ -n "${CTEST_RESOURCE_GROUP_0_DEVICES:-}" ]; then
    device_id=${CTEST_RESOURCE_GROUP_0_DEVICES#id:}
    MORVANE_DEVICE=${E2E_DEVICE_POOL:?}/${device_id%%,*}
elif [ -z "${MORVANE_DEVICE:-}" ] && [ -n "${E2E_DEVICE_POOL:-}" ]; then
    MORVANE_DEVICE=$E2E_DEVICE_POOL/0
fi
: "${MORVANE_DEVICE:?}" "${MORVANE_BUILD:?}" "${E2E_CLIENT:?}" "${E2E_PROBE:?}"
export MORVANE_DEVICE MORVANE_BUILD

# Generous: the machine is shared; nothing here depends on how fast it is.
WAIT_SECONDS=${WAIT_SECONDS:-120}

fail() {
    echo "FAIL: $*" >&2
    echo "--- the notification service: $(service_state)" >&2
    # The script's probe log, when it keeps one: which programs did run.
    if [ -n "${log:-}" ] && [ -f "$log" ]; then
        echo "--- $log:" >&2
        tail -n 20 "$log" >&2
    fi
    echo "--- device status:" >&2
    device status >&2 || true
    # What was up on the screen, and what it showed, when the script gave up.
    if client windows 2>/dev/null; then
        echo "--- the windows up:" >&2
        cat "$(device path '\e2e\where.txt')" >&2
    fi
    local shot="$MORVANE_BUILD/failed-${0##*/}.png"
    if device screenshot "$shot" 2>/dev/null; then echo "--- the screen: $shot" >&2; fi
    exit 1
}

# A device reset or down ends the device's agent with every other process.
device() {
    case ${1:-} in reset | down) rm -f "$MORVANE_DEVICE/e2e-agent" ;; esac
    "$repo/device" "$@"
}
client() { in_device client "$E2E_CLIENT" "$@"; }

# The agent (e2e_agent.exe, resident beside morvane.exe) takes the client's
# and the tool's steps from request files in the device's \e2e\agent: a step
# through `device run` starts two Wine programs, about half a second of a
# core, and a script takes hundreds. While no agent is known to run (the
# flag below is missing), a step goes through `device run` and an agent is
# started for the next ones.
AGENT='\Program Files\Morvane\e2e_agent.exe'

# in_device KIND PROGRAM ARGS...: the step, its exit code as `device run` gives it.
# The device's agent_flag and agent_dir, taken from MORVANE_DEVICE at each
# step (a script may switch devices), are seen by the two helpers below.
in_device() {
    local kind=$1 program=$2 code=0 agent_flag=$MORVANE_DEVICE/e2e-agent agent_dir=$MORVANE_DEVICE/drive_c/e2e/agent
    shift 2
    # "wait" holds its program until it is killed: never the agent.
    if [ -n "${E2E_AGENT:-}" ] && [ "$*" != wait ] && [ -e "$agent_flag" ]; then
        agent_step "$kind" "$*" && return "$agent_code"
    fi
    device run "$program" "$@" || code=$?
    [ -z "${E2E_AGENT:-}" ] || [ -e "$agent_flag" ] || start_agent
    return "$code"
}

start_agent() {
    local folder
    folder=$(device path '\Program Files\Morvane')
    mkdir -p "$agent_dir"
    rm -f "$agent_dir"/*
    # A new file, never one a running agent has mapped.
    cp "$E2E_AGENT" "$folder/e2e_agent.part"
    mv -f "$folder/e2e_agent.part" "$folder/e2e_agent.exe"
    : >"$agent_flag"
    # Its own output, away from the script's, which CTest waits on.
    ("$repo/device" run "$AGENT" </dev/null >/dev/null 2>&1 &)
}

# Whether the device's agent runs, by the host's processes.
agent_running() {
    local file pid
    for file in $(grep -lza 'e2e_agent[.]exe' /proc/[0-9]*/cmdline 2>/dev/null); do
        pid=${file#/proc/}
        pid=${pid%/cmdline}
        grep -qzxF "WINEPREFIX=$MORVANE_DEVICE" "/proc/$pid/environ" 2>/dev/null && return 0
    done
    return 1
}

# agent_step KIND LINE: the step through the agent, its exit code in
# agent_code (124 when no answer came in five minutes, which no step takes);
# fails, the step not taken, when the agent is gone.
agent_step() {
    local id=${EPOCHREALTIME/./}-$BASHPID answer look=$((SECONDS + 2)) give_up=$((SECONDS + 300))
    local request=$agent_dir/$id.req
    answer=$agent_dir/$id.rc
    [ -n "${agent_nap:-}" ] || exec {agent_nap}<> <(:)
    printf '%s\n%s' "$1" "$2" >"$agent_dir/$id.part" && mv "$agent_dir/$id.part" "$request" || return 1
    until [ -e "$answer" ]; do
        read -rt 0.02 -u "$agent_nap" _ || true
        ((SECONDS >= look)) || continue
        look=$((SECONDS + 2))
        if ((SECONDS >= give_up)); then
            echo "the device's agent did not answer \"$2\" in five minutes" >&2
            agent_code=124
            return 0
        fi
        agent_running && continue
        rm -f "$agent_flag"
        # Not taken: the step is the caller's to take. Taken, and the agent
        # ended on it: said, and the caller takes it again.
        rm "$request" 2>/dev/null && return 1
        [ -e "$answer" ] && break
        echo "the device's agent ended during \"$2\"" >&2
        return 1
    done
    read -r agent_code <"$answer"
    rm -f "$answer"
    agent_code=$((agent_code & 255))
}

# wait_for DESCRIPTION CONDITION [SEEN]: until the shell CONDITION (evaluated
# anew each time) holds, or fail, saying what the shell command SEEN prints.
# Between two looks it rests at least as long as the last look took: a look
# that starts a device program costs about a second of a core, which the
# device needs for what is awaited, and scripts side by side share the cores.
wait_for() {
    local what=$1 condition=$2 seen=${3:-}
    local deadline=$((SECONDS + WAIT_SECONDS)) started rest
    while started=$EPOCHREALTIME; ! eval "$condition"; do
        [ $SECONDS -lt $deadline ] || fail "timed out waiting until $what${seen:+; instead $(eval "$seen")}"
        rest=$(((${EPOCHREALTIME/./} - ${started/./}) / 1000))   # milliseconds
        ((rest >= 200)) || rest=200
        printf -v rest '%d.%03d' $((rest / 1000)) $((rest % 1000))
        sleep "$rest"
    done
}

# Lines of a device file that contain TEXT (0 when the file is missing).
count_lines() {
    local file=$1 text=$2
    [ -f "$file" ] || { echo 0; return; }
    grep -cF -- "$text" "$file" || true
}

has_line() { [ "$(count_lines "$1" "$2")" -gt 0 ]; }

running() { local n=0; client count "$1" || n=$?; echo "$n"; }

# or_fail WHAT COMMAND...: runs COMMAND, and fails the test with WHAT and
# the command's exit code when it does not succeed.
or_fail() {
    local what=$1 code=0
    shift
    "$@" || code=$?
    [ "$code" = 0 ] || fail "$what (exit code $code)"
}

# A step on the device screen through the test client; its exit code says
# how it failed (1: the dialog or control was not there; other codes: the
# client itself did not end as it should).
ui() { or_fail "could not $*" client "$@"; }

# A copy of probe.exe at DEVICE_FOLDER\probe.exe, with no log yet; prints
# the host path of its log.
place_probe() {
    local folder
    folder=$(device path "$1")
    mkdir -p "$folder"
    cp "$E2E_PROBE" "$folder/probe.exe"
    rm -f "$folder/probe.log"
    echo "$folder/probe.log"
}

# No registrations, no start-up shortcuts, and the clock at the host's time.
fresh_device() {
    device up
    client clear-registrations
    rm -f "$(device path '\Windows\StartUp')"/*
    device clock set "$(date '+%Y-%m-%d %H:%M:%S')"
}

# The device clock moved MINUTES ahead (whole minutes of the clock).
advance_clock() {
    local now seconds
    now=$(device clock show)
    seconds=$(TZ=UTC date -d "$now" +%s)
    device clock set "$(TZ=UTC date -d "@$((seconds + $1 * 60))" '+%Y-%m-%d %H:%M')"
}
