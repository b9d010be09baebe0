# The sandbox every Wine process of a prefix runs in (a device, or the tests'
# prefix): one set of namespaces per prefix, made by bubblewrap, which every
# process of that prefix enters, the Wine server first. Inside, the host's
# system folders that Wine needs are there read-only, the prefix is the only
# writable folder besides a private /tmp (shared by all processes of the
# prefix, since the Wine server's socket lives there), the socket of the X
# display the caller made for it is passed in (no key: the display is never
# a person's own), and there is no network, no other process of the host and
# no capability. A machine that cannot make the sandbox gets an error that
# says what to enable; nothing of a prefix ever runs outside it. Only a
# sandbox that this user made and recorded is ever entered. Sourced, not run.
#
#   sandbox_start PREFIX   makes PREFIX's sandbox unless it exists; DISPLAY is
#                          passed in, the host folders in SANDBOX_READ_ONLY are
#                          visible read-only (the build, for its programs) and
#                          those in SANDBOX_WRITABLE writable (the tests' build,
#                          where each test program keeps its files beside it)
#   sandbox_exec PREFIX COMMAND...   runs COMMAND in it (execs)
#   sandbox_stop PREFIX    ends the sandbox and every process in it at once

WINE_BINARY=${WINE_BINARY:-/usr/lib/wine/wine64}
WINESERVER_BINARY=${WINESERVER_BINARY:-/usr/lib/wine/wineserver64}
[ -x "$WINESERVER_BINARY" ] || WINESERVER_BINARY=/usr/lib/wine/wineserver

SANDBOX_READ_ONLY=()
SANDBOX_WRITABLE=()
# Inside a sandbox this file names its prefix.
sandbox_marker=/.morvane-sandbox

sandbox_fail() {
    echo "device: $* (not a test failure)" >&2
    return 1
}

sandbox_inside() { [ -f "$sandbox_marker" ] && [ "$(cat "$sandbox_marker")" = "$1" ]; }

# Who runs this; only a sandbox of the same user is ever entered. (The
# device runs this file for every Wine process: its looks at processes fork
# nothing, a fork costing a verb several milliseconds.)
sandbox_uid=$EUID

# When a prefix's sandbox is made, bubblewrap's first process inside it is
# recorded in the prefix: process id, owner and start time (field 22 of
# /proc/PID/stat), so that a process that merely carries the prefix's tag, say
# another user's started first, is never taken for it.
sandbox_record_file() { printf '%s/.sandbox' "$1"; }

# The real user id and the parent of PID, into owner_uid and owner_ppid.
process_owner_parent() {
    local key value rest
    owner_uid="" owner_ppid=""
    while read -r key value rest; do
        case $key in
            Uid:) owner_uid=$value ;;
            PPid:) owner_ppid=$value ;;
        esac
    done 2>/dev/null <"/proc/$1/status" || return 1
    [ -n "$owner_uid" ]
}

# Field 22 of /proc/PID/stat, into start_time; the name in field 2 may hold
# blanks and ")".
process_start() {
    local stat fields
    start_time=""
    read -r stat 2>/dev/null <"/proc/$1/stat" || return 1
    read -r -a fields <<<"${stat##*) }"
    start_time=${fields[19]}
}

# Whether process PID (a number, or "self") is in the same NAMESPACE (pid,
# user) as this shell.
same_namespace() { [ "/proc/$1/ns/$2" -ef "/proc/self/ns/$2" ]; }

# Whether PID is bubblewrap carrying PREFIX's tag, by its command line.
tagged_bwrap() {
    local args
    mapfile -d '' -t args 2>/dev/null <"/proc/$1/cmdline" || return 1
    [ "${#args[@]}" -gt 0 ] && [ "${args[0]##*/}" = bwrap ] || return 1
    local arg
    for arg in "${args[@]}"; do
        [ "$arg" = "MORVANE_SANDBOX=$2" ] && return 0
    done
    return 1
}

# The process id of PREFIX's sandbox: the recorded process, while it is the
# very one recorded (same start time), bubblewrap with the prefix's tag, ours,
# in a process namespace of its own and started from ours (a sandbox nested
# inside the device's is never taken for it), printed and kept in
# sandbox_found. Fails when there is none.
sandbox_pid() {
    local prefix=$1 pid owner start
    read -r pid owner start 2>/dev/null <"$prefix/.sandbox" || return 1
    [[ $pid =~ ^[0-9]+$ ]] && [ "$owner" = "$sandbox_uid" ] || return 1
    process_start "$pid" && [ "$start_time" = "$start" ] || return 1
    process_owner_parent "$pid" && [ "$owner_uid" = "$sandbox_uid" ] || return 1
    tagged_bwrap "$pid" "$prefix" || return 1
    ! same_namespace "$pid" pid && same_namespace "$owner_ppid" pid || return 1
    sandbox_found=$pid
    echo "$pid"
}

# bubblewrap's processes that carry PREFIX's tag and are ours, inside and
# outside (not the grep that looks for them).
sandbox_processes() {
    local file pid
    for file in $(grep -lzxF -- "MORVANE_SANDBOX=$1" /proc/[0-9]*/cmdline 2>/dev/null); do
        pid=${file#/proc/}
        pid=${pid%/cmdline}
        tagged_bwrap "$pid" "$1" || continue
        process_owner_parent "$pid" || continue
        [ "$owner_uid" = "$sandbox_uid" ] && echo "$pid"
    done
    return 0
}

# Says which processes carrying PREFIX's tag are passed over, and why:
# another user's, or one of ours that no sandbox of ours recorded.
sandbox_passed_over() {
    local prefix=$1 accepted file pid
    accepted=$(sandbox_pid "$prefix") || accepted=""
    for file in $(grep -lzxF -- "MORVANE_SANDBOX=$prefix" /proc/[0-9]*/cmdline 2>/dev/null); do
        pid=${file#/proc/}
        pid=${pid%/cmdline}
        [ "$pid" = "$accepted" ] && continue
        tagged_bwrap "$pid" "$prefix" || continue
        process_owner_parent "$pid" || continue
        if [ "$owner_uid" != "$sandbox_uid" ]; then
            sandbox_fail "a sandbox process for $prefix that is not ours (process $pid, owner $owner_uid) was passed over" || true
        elif [ -z "$accepted" ] && ! same_namespace "$pid" pid; then
            sandbox_fail "a sandbox process for $prefix that it never recorded (process $pid) was passed over" || true
        fi
    done
    return 0
}

sandbox_why() {
    local message=$1 hint
    if [ "$(id -u)" != 0 ]; then
        if [ "$(cat /proc/sys/kernel/unprivileged_userns_clone 2>/dev/null)" = 0 ]; then
            hint="this machine keeps user namespaces from ordinary users: enable them with sysctl -w kernel.unprivileged_userns_clone=1"
        elif [ "$(cat /proc/sys/user/max_user_namespaces 2>/dev/null)" = 0 ]; then
            hint="user namespaces are off: enable them with sysctl -w user.max_user_namespaces=10000"
        elif [ "$(cat /proc/sys/kernel/apparmor_restrict_unprivileged_userns 2>/dev/null)" = 1 ]; then
            hint="AppArmor keeps user namespaces from ordinary users: allow them with sysctl -w kernel.apparmor_restrict_unprivileged_userns=0"
        else
            hint="an ordinary user needs user namespaces (kernel.unprivileged_userns_clone=1, user.max_user_namespaces above 0)"
        fi
    else
        hint="as root it needs mount, process and network namespaces; in a container, allow them (unshare and mount)"
    fi
    sandbox_fail "bubblewrap cannot make the sandbox ($message); $hint"
}

sandbox_start() {
    local prefix=$1 lock result=0
    [ -d "$prefix" ] || { sandbox_fail "no folder $prefix for a sandbox"; return 1; }
    # One at a time, so that two commands at once never make two sandboxes
    # (and two Wine servers) for one prefix.
    exec {lock}>"$prefix/.sandbox-lock"
    flock -w 300 "$lock" || { exec {lock}>&-; sandbox_fail "$prefix stayed locked"; return 1; }
    if ! sandbox_pid "$prefix" >/dev/null; then
        sandbox_passed_over "$prefix"
        # A sandbox of ours that lost its record is stopped, not reused.
        sandbox_stop "$prefix"
        sandbox_make "$prefix" || result=1
    fi
    exec {lock}>&-
    return "$result"
}

# Makes the sandbox; sandbox_start's lock (its file descriptor in "lock")
# stays out of it.
sandbox_make() {
    local prefix=$1 args=() path display_socket ready errors info outer child record
    command -v bwrap >/dev/null || { sandbox_fail "bubblewrap is not installed (make deps installs it)"; return 1; }

    args=(--unshare-pid --unshare-net --unshare-uts --unshare-cgroup-try
          --ro-bind /usr /usr)
    # Debian's /bin, /lib and the like lead into /usr.
    for path in /bin /sbin /lib /lib32 /lib64 /libx32; do
        if [ -L "$path" ]; then
            args+=(--symlink "$(readlink "$path")" "$path")
        elif [ -d "$path" ]; then
            args+=(--ro-bind "$path" "$path")
        fi
    done
    # What Wine reads of /etc: the libraries' cache, fonts, users, time zone;
    # the fonts' cache, without which every program would scan the fonts; and
    # the processors' description.
    for path in /etc/ld.so.cache /etc/fonts /etc/passwd /etc/group /etc/nsswitch.conf \
        /etc/localtime /etc/timezone /var/cache/fontconfig /sys/devices/system/cpu; do
        [ -e "$path" ] && args+=(--ro-bind "$path" "$path")
    done
    # The devices every program expects and no other. (bubblewrap's own
    # --dev would mount a terminal file system, for which it nests a second
    # user namespace that an ordinary user could not enter later.)
    args+=(--tmpfs /dev)
    for path in null zero full random urandom; do
        args+=(--dev-bind "/dev/$path" "/dev/$path")
    done
    args+=(--symlink /proc/self/fd /dev/fd --symlink /proc/self/fd/0 /dev/stdin
           --symlink /proc/self/fd/1 /dev/stdout --symlink /proc/self/fd/2 /dev/stderr
           --remount-ro /dev --proc /proc --tmpfs /tmp)
    if [[ ${DISPLAY:-} =~ ^:([0-9]+)(\.[0-9]+)?$ ]]; then
        display_socket=/tmp/.X11-unix/X${BASH_REMATCH[1]}
        [ -S "$display_socket" ] && args+=(--ro-bind "$display_socket" "$display_socket")
    fi
    for path in "${SANDBOX_READ_ONLY[@]}"; do
        [ -d "$path" ] && args+=(--ro-bind "$path" "$path")
    done
    for path in "${SANDBOX_WRITABLE[@]}"; do
        [ -d "$path" ] && args+=(--bind "$path" "$path")
    done
    # Nothing else is writable: bubblewrap's own root is made read-only last.
    args+=(--bind "$prefix" "$prefix" --ro-bind-data 5 "$sandbox_marker" --remount-ro / --chdir "$prefix")
    [ "$(id -u)" = 0 ] && args+=(--cap-drop ALL)

    ready=$(mktemp)
    errors=$(mktemp)
    info=$(mktemp)
    # The sandbox outlives this script, detached from its terminal and pipes;
    # its first command says when everything inside is in place, and
    # bubblewrap names its first process inside (info). Its command line tags
    # the prefix.
    setsid bwrap --info-fd 6 "${args[@]}" -- /bin/sh -c 'echo ready >&4; exec 4>&- sleep infinity' \
        "MORVANE_SANDBOX=$prefix" 4>"$ready" 5< <(printf '%s' "$prefix") 6>"$info" </dev/null >/dev/null \
        2>"$errors" {lock}>&- &
    outer=$!
    disown "$outer"
    for _ in $(seq 1200); do
        [ -s "$ready" ] && break
        # bubblewrap says why when it cannot make the sandbox, and ends.
        [ -s "$errors" ] && ! kill -0 "$outer" 2>/dev/null && break
        sleep 0.05
    done
    child=$(grep -o '"child-pid": *[0-9]*' "$info" | grep -o '[0-9]*$') || child=""
    if [ ! -s "$ready" ]; then
        if [ -n "$child" ]; then kill -KILL "$child" 2>/dev/null || true; fi
        kill -KILL "$outer" 2>/dev/null || true
        sandbox_why "$(tr '\n' ' ' <"$errors" | sed 's/ *$//')"
        rm -f "$ready" "$errors" "$info"
        return 1
    fi
    rm -f "$ready" "$errors" "$info"
    record=$(sandbox_record_file "$prefix")
    if [ -z "$child" ] || ! process_start "$child" || ! printf '%s %s %s\n' "$child" "$sandbox_uid" "$start_time" >"$record.new" ||
        ! mv -f "$record.new" "$record"; then
        kill -KILL "$outer" 2>/dev/null || true
        sandbox_fail "the sandbox of $prefix could not be recorded"
        return 1
    fi
    sandbox_pid "$prefix" >/dev/null || { sandbox_fail "the sandbox of $prefix started and is gone"; return 1; }
}

sandbox_exec() {
    local prefix=$1 pid wd enter
    shift
    # A program of the prefix that starts another (through a Unix program)
    # is inside already.
    if sandbox_inside "$prefix"; then exec "$@"; fi
    sandbox_pid "$prefix" >/dev/null || {
        sandbox_passed_over "$prefix"
        sandbox_fail "$prefix has no sandbox to run ${1##*/} in"
        exit 1
    }
    pid=$sandbox_found
    # The current folder, when the sandbox has it (drive C: always).
    wd=$prefix
    [ -d "/proc/$pid/root$PWD" ] && wd=$PWD
    enter=(nsenter --target "$pid" --mount --pid --net --uts --root "--wd=$wd")
    # As an ordinary user the sandbox has a user namespace of its own.
    if ! same_namespace "$pid" user; then
        enter+=(--user --preserve-credentials)
    fi
    unset WINE WINESERVER
    exec "${enter[@]}" -- setpriv --no-new-privs --bounding-set=-all --inh-caps=-all --ambient-caps=-all -- "$@"
}

# Another user's process that carries the tag is left alone.
sandbox_stop() {
    local pids
    pids=$(sandbox_processes "$1")
    rm -f "$(sandbox_record_file "$1")"
    [ -z "$pids" ] && return 0
    # The sandbox's inner process dies with the outer one, and may be gone
    # before kill reaches it: not a failure.
    # shellcheck disable=SC2086
    kill -KILL $pids 2>/dev/null || true
    for _ in $(seq 100); do
        [ -z "$(sandbox_processes "$1")" ] && return 0
        sleep 0.05
    done
    return 0
}
