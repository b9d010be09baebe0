#!/bin/bash
# Nothing on the device touches the host. A program launch and a folder
# cleaning aimed at a host folder through the platform's own namespace
# (\\?\unix\...) are refused like paths that do not exist, and a program of
# the device (cmd.exe) that writes and deletes through that namespace, in
# the build that the device sees read-only and in /tmp, changes nothing of
# the host; nor can it read the host's /etc. All at a power-on, through the
# launcher and Morvane.
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-morvane.sh"
fresh_morvane

victim="$MORVANE_BUILD/e2e-victim"
host_tmp="/tmp/morvane-e2e-sealed-$$.txt"
rm -rf "$victim" "$host_tmp"
mkdir -p "$victim/sub"
echo keep >"$victim/kept.txt"
echo keep >"$victim/sub/deep.txt"
trap 'rm -rf "$victim" "$host_tmp"' EXIT
unix() { printf '\\\\?\\unix%s' "${1//\//\\}"; }

ran=$(device path '\e2e\sealed')/ran.txt
mkdir -p "$(dirname "$ran")"
rm -f "$ran"
add "touch|power-on|launch|$(unix /usr/bin/touch)|$victim/launched"
add "clean|power-on|clean|$(unix "$victim")|1"
add "write|power-on|launch|\\windows\\system32\\cmd.exe|/c echo x> $(unix "$victim")\\written.txt & del /q $(unix "$victim")\\kept.txt & echo x> $(unix "$host_tmp") & echo ran> C:\\e2e\\sealed\\ran.txt"
client at-event 11 '\windows\mvlaunch.exe'
device power-on
wait_for "the device program ran" '[ -f "$ran" ]'
settle

[ "$(counter ExeCmds)" = 2 ] || fail "ExeCmds is $(counter ExeCmds), not the two launches tried"
[ "$(counter DelDirCmds)" = 1 ] || fail "DelDirCmds is $(counter DelDirCmds)"
[ -e "$victim/launched" ] && fail "the host program ran"
[ -f "$victim/kept.txt" ] && [ -f "$victim/sub/deep.txt" ] || fail "a host file was deleted"
[ -e "$victim/written.txt" ] && fail "a device program wrote into the host's build"
[ -e "$host_tmp" ] && fail "a device program wrote into the host's /tmp"

# Reading: the host's /etc is not there.
seen=$(device path '\e2e\sealed')/hostname.txt
device run '\windows\system32\cmd.exe' "/c type $(unix /etc/hostname) > C:\\e2e\\sealed\\hostname.txt" || true
[ -s "$seen" ] && grep -qF "$(cat /etc/hostname)" "$seen" && fail "a device program read the host's /etc/hostname"
echo "PASS"
