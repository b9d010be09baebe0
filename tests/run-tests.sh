#!/bin/bash
# Runs every test of a build: the programs under Wine in a private prefix
# under the build folder, with a private X display, one persistent Wine server
# for the whole run. Extra arguments go to ctest (say -R launcher).
set -euo pipefail

build=$(cd "${1:?usage: run-tests.sh BUILD_DIR [ctest args]}" && pwd)
shift
source "$(dirname "$0")/wine-prefix.sh"

prefix_dir="$build/wineprefix"
export WINEPREFIX="$prefix_dir"
export WINEDEBUG=-all
export LC_ALL=C.UTF-8 LANG=C.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="

xvfb_pid=""
cleanup() {
    "$WINESERVER" -k >/dev/null 2>&1 || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -f "$prefix_dir/display"
}
trap cleanup EXIT

start_private_display xvfb_pid

# One prefix for the whole run, made once per build folder; its windows open
# in one 240x320 virtual desktop, as on the device.
make_prefix "$prefix_dir"
echo "$DISPLAY" > "$prefix_dir/display"
mkdir -p "$prefix_dir/drive_c/tests"

# A persistent server, warmed up with its output detached, so that Wine's own
# background processes never hold ctest's pipes.
"$WINESERVER" -p
"$WINE" cmd /c exit >/dev/null 2>&1 </dev/null || true
start_virtual_desktop

cd "$build"
ctest --output-on-failure --timeout 600 "$@"
