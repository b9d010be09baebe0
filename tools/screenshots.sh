#!/bin/bash
# The README's screenshots: drives the real program on a throwaway device, as
# a user's taps do, and keeps the device screen (240x320) at each step in
# docs/screenshots/.
#
#   tools/screenshots.sh [BUILD]        (default BUILD: build)
#
# Each step below is one function that brings one screen up and shoots it.
# A step whose window does not come up (a part of the program that this
# build lacks) is reported and left out; the others still run.
set -euo pipefail

repo=$(cd "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/.." && pwd)
build=$(realpath -m "${1:-$repo/build}")
out="$repo/docs/screenshots"
client_exe="$build/tests/emulator/e2e_client.exe"
[ -f "$client_exe" ] || { echo "screenshots: no $client_exe (run make build)" >&2; exit 1; }

export MORVANE_BUILD="$build"
export MORVANE_DEVICE="$build/screenshots-device"
# Always a private display, so that nothing of the user's desktop shows.
export DISPLAY=

device() { "$repo/device" "$@"; }
client() { device run "$client_exe" "$@"; }
ui() { client "$@" || { echo "screenshots: could not $*" >&2; return 1; }; }

finish() {
    device down >/dev/null 2>&1 || true
    rm -rf "$MORVANE_DEVICE"
}
trap finish EXIT

# shot NAME: the screen once the window on it has painted.
shot() {
    sleep 1
    device screenshot "$out/$1.png"
    echo "screenshots: $out/$1.png"
}

# A tap on the task bar's button that raises and lowers the input panel,
# through the device's display as a person's stylus.
panel_tap() {
    local display desktop x y
    ui where input panel || return 1
    read -r x y <"$(device path '\e2e\where.txt')"
    display=$(cat "$MORVANE_DEVICE/display")
    desktop=$(DISPLAY=$display xdotool search --name ' - Wine desktop$' | head -1)
    DISPLAY=$display xdotool mousemove --window "$desktop" "$x" "$y" click 1
}

made=()
skipped=()
step() {
    if "$1"; then made+=("$1"); else skipped+=("$1"); fi
}

# --- The steps --------------------------------------------------------------

# 1. The main dialog, as Morvane opens it when started.
main_dialog() {
    device start
    ui ui-wait "Morvane|1054" && shot 01-main
}

# 2. A first command through "New Command": close all running programs at
#    every power-on, named "Close everything" (four pages).
first_command() {
    ui ui-click "Morvane|1054" &&
    ui ui-wait "Step 1|1016" &&
    ui ui-click "Step 1|1016" && shot 02-action-type &&
    ui ui-click "Step 1|1003" &&
    ui ui-wait "Step 2|1008" && shot 03-trigger &&
    ui ui-click "Step 2|1003" &&
    ui ui-wait "Step 3|1043" &&
    ui ui-text "Step 3|1043|Close everything" && shot 04-name &&
    panel_tap && shot 04-name-input-panel && panel_tap &&
    ui ui-click "Step 3|1003" &&
    ui ui-wait "Step 4|1037" && shot 05-finished &&
    ui ui-click "Step 4|1037" &&
    ui ui-wait "Morvane|1054"
}

# 3. (To come with the detail and schedule pages.) A scheduled command:
#    "Display a message" (detail page 1021), "On a certain date" (1007), the
#    recurrence page ("Daily" 1080, "Specific time" 1089), the name page and
#    the summary. Shoot them as 06-message, 07-schedule, 08-scheduled-finished.

# 4. The command list: "View Commands" (1055), the list box 1042.
command_list() {
    ui ui-click "Morvane|1055" &&
    client ui-wait "Morvane|1042" >/dev/null 2>&1 || return 1
    shot 09-command-list
    ui ui-close "Morvane|1042" || true
    ui ui-wait "Morvane|1054"
}

# 5. The power button runs the first command, which closes every program's
#    window, the main dialog included.
power_on() {
    device power-on
    local i
    for i in $(seq 30); do
        client ui-wait "Morvane|1054" >/dev/null 2>&1 || { shot 06-after-power-on; return 0; }
        sleep 1
    done
    echo "screenshots: the main dialog stayed open after the power-on" >&2
    return 1
}

# 6. The statistics ("Statistics" 1057, with "Clear" 1097) count it; starting
#    Morvane again opens its main dialog.
statistics() {
    device start
    ui ui-wait "Morvane|1057" &&
    ui ui-click "Morvane|1057" &&
    client ui-wait "Morvane|1097" >/dev/null 2>&1 || return 1
    shot 10-statistics
}

# ----------------------------------------------------------------------------

mkdir -p "$out"
device down >/dev/null 2>&1 || true
rm -rf "$MORVANE_DEVICE"
device up
step main_dialog
step first_command
step command_list
step power_on
step statistics
client close ZELMORVANE >/dev/null 2>&1 || true
echo "screenshots: made ${made[*]:-nothing}"
[ ${#skipped[@]} = 0 ] || echo "screenshots: not there in this build: ${skipped[*]}"
[ ${#made[@]} -gt 0 ]
