#!/bin/bash
# The fresh-machine check: in a clean Debian 12 root made with debootstrap,
# clone the committed HEAD of this repository and run exactly the README's two
# commands, "make run" and then "make test", as a new user would.
#
#   tools/fresh-check.sh [LOG]     (default LOG: build/fresh-check.log)
#
#   MIRROR        the Debian mirror (default: the first one this machine's apt
#                 sources name; with neither, the check stops and says so)
#   FRESH_ROOT    where to make the root (default: a new folder under TMPDIR)
#   KEEP_ROOT=1   keep the root afterwards (unmounted) to look into it
#
# Runs as root (debootstrap, mount and chroot need it). The root starts with
# what a Debian 12 installation has, plus git and make, which the README
# asks for before its two commands. /proc, /sys and /dev are mounted into the
# root for the run and unmounted again on every way out; the root is removed
# only once nothing is mounted under it any more.
set -euo pipefail

repo=$(cd "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/.." && pwd)
log=$(realpath -m "${1:-$repo/build/fresh-check.log}")
suite=bookworm
run_timeout=${FRESH_RUN_TIMEOUT:-7200}

[ "$(id -u)" = 0 ] || { echo "fresh-check: run as root (debootstrap, mount, chroot)" >&2; exit 2; }

mkdir -p "$(dirname "$log")"
: >"$log"
say() { echo "fresh-check: $*" | tee -a "$log"; }

# The mirror this machine's apt uses, in either sources format.
default_mirror() {
    local line
    line=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources 2>/dev/null |
        grep -Eo '(^deb +(\[[^]]*\] +)?|^URIs: *)https?://[^ ]*debian/?( |$)' | head -n1) || true
    printf '%s' "$line" | grep -Eo 'https?://[^ ]*' || true
}
mirror=${MIRROR:-$(default_mirror)}
if [ -z "$mirror" ]; then
    say "this machine's apt sources (/etc/apt/sources.list, /etc/apt/sources.list.d/) name no Debian mirror; name one with MIRROR=<its address>" >&2
    exit 2
fi

if ! command -v debootstrap >/dev/null; then
    say "installing debootstrap"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q debootstrap >>"$log" 2>&1
fi

root=${FRESH_ROOT:-$(mktemp -d "${TMPDIR:-/tmp}/morvane-fresh.XXXXXX")}
root=$(realpath -m "$root")
mkdir -p "$root"
mounts=()

# Mount points under the root, deepest first.
mounted_under_root() {
    awk -v r="$root" '$2 == r || index($2, r "/") == 1 { print $2 }' /proc/mounts | sort -r
}

# Processes whose root folder is the fresh root (what the chroot started).
root_pids() {
    local link pid
    for link in /proc/[0-9]*/root; do
        [ "$(readlink "$link" 2>/dev/null)" = "$root" ] || continue
        pid=${link#/proc/}
        echo "${pid%/root}"
    done
}

cleanup() {
    local rc=$? pid point left
    set +e
    # The device of "make run" and anything else still running in the root.
    if [ -x "$root/root/morvane/device" ] && mountpoint -q "$root/proc"; then
        chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin \
            bash -c 'cd /root/morvane && ./device down' >>"$log" 2>&1
    fi
    for pid in $(root_pids); do kill -TERM "$pid" 2>/dev/null; done
    sleep 2
    for pid in $(root_pids); do kill -KILL "$pid" 2>/dev/null; done
    sleep 1
    for point in $(mounted_under_root); do
        umount "$point" 2>/dev/null || umount -l "$point"
    done
    left=$(mounted_under_root)
    if [ -n "$left" ]; then
        say "still mounted, root kept: $left"
        rc=1
    elif [ "${KEEP_ROOT:-0}" = 1 ]; then
        say "root kept at $root"
    else
        rm -rf --one-file-system "$root"
    fi
    say "log: $log"
    exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Runs one step, timing it; its output goes to the log and the tail to us.
step() {
    local name=$1 start rc
    shift
    say "== $name: $*"
    start=$(date +%s)
    rc=0
    "$@" >"$log.step" 2>&1 || rc=$?
    cat "$log.step" >>"$log"
    say "== $name: exit $rc after $(( $(date +%s) - start )) s; last lines:"
    tail -n 15 "$log.step" | sed 's/^/    /' | tee -a "$log"
    rm -f "$log.step"
    return "$rc"
}

in_root() {
    chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        bash -c "cd /root/morvane && $1"
}

head=$(git -C "$repo" rev-parse HEAD)
say "repository $repo at $head ($(git -C "$repo" log -1 --format=%s "$head"))"
say "mirror $mirror, root $root"

step debootstrap debootstrap --include=git,make "$suite" "$root" "$mirror"

# The root is a mount point of its own, as a machine's root is: the device's
# sandbox (bubblewrap) moves its processes into a new root, which the kernel
# refuses from a root that is a mere folder.
mount --bind "$root" "$root"
mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"
cp -L /etc/resolv.conf "$root/etc/resolv.conf"

step clone git clone -q "$repo" "$root/root/morvane"
git -C "$root/root/morvane" -c advice.detachedHead=false checkout -q "$head"

# "make run" has to come back on its own: the device it starts must not hold
# its output, so it runs with a pipe and a time limit.
step "make run" timeout "$run_timeout" chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb \
    LANG=C.UTF-8 PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    bash -c 'set -o pipefail; cd /root/morvane && make run | cat'
# Morvane runs on the device once "make run" is back: it has registered its
# launcher for the power-on.
step "device status" in_root './device status | tee /dev/stderr | grep -q "^event 11 wake-up"'
step "make test" in_root 'make test'
say "passed"
