#!/bin/bash
# A person's first command, on the device screen: "New Command" in the main
# dialog, a command that closes every program at power-on, four wizard pages.
# A power-on then runs it. Each page's screenshot stays in the build folder.
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-morvane.sh"
fresh_morvane
device reset
trap 'client close ZELMORVANE >/dev/null 2>&1 || true' EXIT
tool "setting|ShowMainWin|1"

shot() { device screenshot "$MORVANE_BUILD/e2e-wizard-$1.png"; echo "screenshot: $MORVANE_BUILD/e2e-wizard-$1.png"; }

device start
ui ui-wait "Morvane|1054"
shot main
ui ui-click "Morvane|1054"
ui ui-click "Step 1|1016"
shot action-type
ui ui-click "Step 1|1003"
ui ui-wait "Step 2|1004"
ui ui-checked "Step 2|1008"
shot trigger
ui ui-click "Step 2|1003"
ui ui-text "Step 3|1043|Close everything"
shot name
ui ui-click "Step 3|1003"
ui ui-wait "Step 4|1037"
shot finished
ui ui-click "Step 4|1037"
wait_for "the command is stored" 'stored "Close everything"'

before=$(counter CloseCmds)
device power-on
wait_for "the power-on closed the programs" '[ "$(counter CloseCmds)" -gt "$before" ]'
echo "PASS"
