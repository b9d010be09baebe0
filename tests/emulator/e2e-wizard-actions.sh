#!/bin/bash
# One command of every visible action kind with a detail page, made on the
# device screen through "New Command": a program with arguments, a message,
# a sound and a folder to clean, each run after power-on. The next power-on
# runs all four, each raising its own counter. Each detail page's screenshot
# (and the folder browser's) stays in the build folder.
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-morvane.sh"
fresh_morvane
device reset
trap 'client close ZELMORVANE >/dev/null 2>&1 || true' EXIT
tool "setting|ShowMainWin|1"

shot() { device screenshot "$MORVANE_BUILD/e2e-wizard-$1.png"; echo "screenshot: $MORVANE_BUILD/e2e-wizard-$1.png"; }

log=$(place_probe '\e2e\wizard')
trash=$(device path '\e2e\wizard-trash')
mkdir -p "$trash/old"
echo stale > "$trash/old/notes.txt"

# "New Command", the action, then the page of its details at step 2, which
# the caller fills; then the default trigger, the name and "Finish".
begin() {
    ui ui-wait "Morvane|1054"
    ui ui-click "Morvane|1054"
    ui ui-click "Step 1|$1"
    ui ui-click "Step 1|1003"
    ui ui-wait "Step 2|$2"
}
finish() {
    ui ui-click "Step 2|1003"
    ui ui-wait "Step 3|1008"
    ui ui-click "Step 3|1003"
    ui ui-text "Step 4|1043|$1"
    ui ui-click "Step 4|1003"
    ui ui-wait "Step 5|1037"
    shot "$2-finished"
    ui ui-click "Step 5|1037"
    wait_for "the command $1 is stored" "stored \"$1\""
}

device start

begin 1011 1017
ui ui-text 'Step 2|1017|\e2e\wizard\probe.exe'
ui ui-text "Step 2|1019|from the wizard"
shot program
finish "Wizard program" program

begin 1013 1051
sleep 1
shot sound
finish "Wizard sound" sound

begin 1015 1033
ui ui-click "Step 2|1018"
ui ui-wait "Folder Selection|1044"
sleep 1
shot browser
ui ui-click "Folder Selection|2"
ui ui-wait "Step 2|1033"
ui ui-text 'Step 2|1033|\e2e\wizard-trash'
shot folder
finish "Wizard folder" folder

# Last: a message holds the commands after it until it is closed.
begin 1014 1021
ui ui-text "Step 2|1021|Written in the wizard"
shot message
finish "Wizard message" message

tool "close-window|Morvane"   # the main dialog; the message window takes its title
before_exe=$(counter ExeCmds) before_sound=$(counter SoundCmds)
before_dir=$(counter DelDirCmds) before_msg=$(counter MsgBoxCmds)
device power-on
wait_for "the message shows" '[ "$(counter MsgBoxCmds)" -gt "$before_msg" ]'
wait_for "the program ran with its arguments" 'has_line "$log" "[from the wizard]"'
[ "$(counter ExeCmds)" -gt "$before_exe" ] || fail "ExeCmds did not rise"
[ "$(counter SoundCmds)" -gt "$before_sound" ] || fail "SoundCmds did not rise"
[ "$(counter DelDirCmds)" -gt "$before_dir" ] || fail "DelDirCmds did not rise"
[ -d "$trash" ] && [ -z "$(ls -A "$trash")" ] || fail "the folder was not emptied and made again"
wait_for "the message window is up" 'tool "window|Morvane"'
tool "close-window|Morvane"
echo "PASS"
