#!/bin/bash
# Nothing on the device touches the host. Each way out is aimed at a host
# place that the sandbox lets a program of the device write or read (the
# device's own folder, beside its drive C:), so that only Morvane's own
# device-path check stands in the way: a stored launch of a host program and
# a stored cleaning of a host folder through the platform's namespace
# (\\?\unix\...), both at a power-on through the launcher and Morvane, and
# the help viewer asked for a host file. A program of the device (cmd.exe)
# that writes through that namespace into /tmp, or reads the host's /etc,
# meets the sandbox instead, whose /tmp is its own.
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-morvane.sh"
fresh_morvane

victim="$MORVANE_DEVICE/e2e-victim"
host_tmp="/tmp/morvane-e2e-sealed-$$.txt"
rm -rf "$victim" "$host_tmp"
mkdir -p "$victim/sub"
echo keep >"$victim/kept.txt"
echo keep >"$victim/sub/deep.txt"
printf '<html><head><title>Host secret</title></head><body><p>secret</p></body></html>' >"$victim/secret.htm"
trap 'rm -rf "$victim" "$host_tmp"; client close PegHelp >/dev/null 2>&1 || true' EXIT
unix() { printf '\\\\?\\unix%s' "${1//\//\\}"; }

ran=$(device path '\e2e\sealed')/ran.txt
mkdir -p "$(dirname "$ran")"
rm -f "$ran"
add "touch|power-on|launch|$(unix /usr/bin/touch)|$victim/launched"
add "clean|power-on|clean|$(unix "$victim")|1"
add "write|power-on|launch|\\windows\\system32\\cmd.exe|/c echo x> $(unix "$host_tmp") & echo ran> C:\\e2e\\sealed\\ran.txt"
client at-event 11 '\windows\mvlaunch.exe'
device power-on
wait_for "the device program ran" '[ -f "$ran" ]'
settle

[ "$(counter ExeCmds)" = 2 ] || fail "ExeCmds is $(counter ExeCmds), not the two launches tried"
[ "$(counter DelDirCmds)" = 1 ] || fail "DelDirCmds is $(counter DelDirCmds)"
[ -e "$victim/launched" ] && fail "the host program ran"
[ -f "$victim/kept.txt" ] && [ -f "$victim/sub/deep.txt" ] || fail "a host file was deleted"
[ -e "$host_tmp" ] && fail "a device program wrote into the host's /tmp"

# The help viewer says it has no such file, and shows nothing of it.
tool "spawn|\\Windows\\PegHelp.exe|$(unix "$victim/secret.htm")"
ui ui-wait "Help|65535"
tool "window|Host secret" && fail "the help viewer showed a host file"
ui ui-click "Help|1"

# Reading: the host's /etc is not there.
seen=$(device path '\e2e\sealed')/hostname.txt
device run '\windows\system32\cmd.exe' "/c type $(unix /etc/hostname) > C:\\e2e\\sealed\\hostname.txt" || true
[ -s "$seen" ] && grep -qF "$(cat /etc/hostname)" "$seen" && fail "a device program read the host's /etc/hostname"
echo "PASS"
