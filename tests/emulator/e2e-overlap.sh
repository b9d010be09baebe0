#!/bin/bash
# Two Morvane processes at once, as on a handheld all day: a run shows a
# message and waits for a tap while the person uses the resident instance.
# Phase A against a power-on run's message, phase B against a timed run's:
# a new command from the wizard, an edit and a delete from the command list,
# Options "OK", Statistics "Clear", another power-on, and a timed moment (a
# timed Once launch falling due; then the launcher started a second time for
# the moment whose message is up). Every row ends with the command file byte
# for byte, every counter, the number of messages up and no error box.
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-morvane.sh"
fresh_morvane
# Nothing of this script runs on: no message, no box, and no start-up
# shortcut that would run the stored reset commands at the next boot.
leave() {
    rm -f "$(device path '\Windows\StartUp')"/*
    device reset >/dev/null 2>&1 || true
}
trap leave EXIT
day=2026-06-10
device clock set "$day 09:00"
tool "setting|ShowMainWin|1"
log=$(place_probe '\e2e\overlap')
probe='\e2e\overlap\probe.exe'
counts=$(device path '\e2e')/counters.txt

# The records by command name, built by hand. "spare", "junk" and the
# commands the rows make close every program after a device reset, which
# never comes here. "once HOUR": Once on $day (day, month, year) at HOUR:00.
once() { printf '%s' "$(u16 1007)$(u16 4)$(u16 10)$(u16 6)$(u16 2026)$(u16 1089)$(u16 "$1")$(u16 0)"; }
declare -A rec=(
    [note]=$(record "$(str note)" "$(u16 1014)" "$(str 'Good morning')" "$(u16 1009)")
    [probe]=$(record "$(str probe)" "$(u16 1011)" "$(str "$probe")" "$(str once)" "$(once 10)")
    [tidy]=$(record "$(str tidy)" "$(u16 1012)" "$(u16 63)" "$(u16 1008)")
    [reminder]=$(record "$(str reminder)" "$(u16 1014)" "$(str 'Call home')" "$(once 11)")
)
for name in spare junk newA editA newB editB; do
    rec[$name]=$(record "$(str $name)" "$(u16 1016)" "$(u16 1006)")
done
add "tidy|power-on|cleanup"              # before the message, which holds the commands after it
add "note|first-of-day|message|Good morning"
add "probe|once@$day@10:00|launch|$probe|once"
add "reminder|once@$day@11:00|message|Call home"
add "spare|reset|close"
add "junk|reset|close"

records() { local name; for name in $1; do printf '%s' "${rec[$name]}"; done; }
counters() {
    tool "counters|Starts|ExeCmds|DelDirCmds|MsgBoxCmds|SoundCmds|CloseCmds|TidewellCmds"
    cat "$counts"
}
up() { local n=0; client ui-count "$1" || n=$?; echo "$n"; }
shot() { device screenshot "$MORVANE_BUILD/e2e-overlap.png"; echo " (screen: $MORVANE_BUILD/e2e-overlap.png)"; }

# row WHAT NAMES COUNTERS STEP...: after STEP, the command file is exactly the
# records NAMES in that order; the counters Starts, ExeCmds, DelDirCmds,
# MsgBoxCmds, SoundCmds, CloseCmds, TidewellCmds are COUNTERS; $messages
# messages are up, each held by an instance of its own beside the resident one.
row() {
    what="$phase: $1" want=$(records "$2") want_counts=$3
    local until="\"$what\" leaves the file ($2) and counters ($3)"
    shift 3
    "$@"
    wait_for "$until" 'trouble || settled' seen
    [ "$boxes" = 0 ] || fail "$what: an error box is up$(shot)"
    [ "$shown" -le "$messages" ] || fail "$what: $shown messages are up, not $messages$(shot)"
}
# Every box Morvane shows has an OK button (1), no other window of its has;
# the message window has its text (1096).
trouble() {
    boxes=$(up 'Morvane|1') shown=$(up 'Morvane|1096')
    [ "$boxes" != 0 ] || [ "$shown" -gt "$messages" ]
}
settled() {
    [ "$(stored_hex)" = "$want" ] && [ "$(counters)" = "$want_counts" ] &&
        [ "$(running morvane.exe)" = $((messages + 1)) ]
}
seen() {
    echo "the file holds $(stored_hex), the counters are $(counters)," \
        "$(running morvane.exe) morvane.exe run and $(up 'Morvane|1096') messages are up$(shot)"
}

# The steps, from the main dialog.
show() { "$@"; messages=1; ui ui-wait "Morvane|1096"; }
close_message() { ui ui-close "Morvane|1096"; messages=0; }
wizard_new() {
    ui ui-click "Morvane|1054"
    ui ui-click "Step 1|1016"            # close all programs
    ui ui-click "Step 1|1003"
    ui ui-click "Step 2|1006"            # after a device reset
    ui ui-click "Step 2|1003"
    ui ui-text "Step 3|1043|$1"
    ui ui-click "Step 3|1003"
    ui ui-click "Step 4|1037"
}
# The command list stays open from the edit to the delete: after a failed
# edit's box it would not close.
list_edit() {
    ui ui-click "Morvane|1055"
    ui ui-choose "Morvane|1046|2"        # "Device reset"
    ui ui-pick "Morvane|1042|$1"
    ui ui-click "Morvane|1049"
    ui ui-click "Step 1|1003"
    ui ui-click "Step 2|1003"
    ui ui-text "Step 3|1043|$2"
    ui ui-click "Step 3|1003"
    ui ui-click "Step 4|1037"
}
list_delete() {
    ui ui-pick "Morvane|1042|$1"
    ui ui-click "Morvane|1048"
    ui ui-close "Morvane|1042"
}
options_ok() {   # "Show main window" switched, to see that OK stores it
    ui ui-click "Morvane|1056"
    ui ui-click "Morvane Options|1092"
    ui ui-close "Morvane Options|1092"
    wait_for "Options stored ShowMainWin $1" "[ \"\$(counter ShowMainWin)\" = $1 ]"
}
statistics_clear() {
    ui ui-click "Morvane|1057"
    ui ui-click "Morvane|1097"
    ui ui-close "Morvane|1097"
}
# The launcher started a second time for the moment whose message is up.
launcher_again() { device run '\Windows\mvlaunch.exe' AppRunAtTime; }

device start
ui ui-wait "Morvane|1054"
wait_for "the launcher is registered for power-on" 'device status | grep -q "^event 11 wake-up"'
messages=0
phase=A
#   what happens             the command file after it                   its counters (as in row)
row "the power-on message"   "tidy note probe reminder spare junk"       "1 0 0 1 0 0 1" show device power-on
row "a new command"          "tidy note probe reminder spare junk newA"  "1 0 0 1 0 0 1" wizard_new newA
row "an edit"                "tidy note probe reminder junk newA editA"  "1 0 0 1 0 0 1" list_edit spare editA
row "a delete"               "tidy note probe reminder newA editA"       "1 0 0 1 0 0 1" list_delete junk
row "Options OK"             "tidy note probe reminder newA editA"       "1 0 0 1 0 0 1" options_ok 0
row "Statistics Clear"       "tidy note probe reminder newA editA"       "0 0 0 0 0 0 0" statistics_clear
row "another power-on"       "tidy note probe reminder newA editA"       "1 0 0 0 0 0 1" device power-on
row "a timed Once launch"    "tidy note reminder newA editA"             "1 1 0 0 0 0 1" device clock set "$day 10:01"
row "the message closed"     "tidy note reminder newA editA"             "1 1 0 0 0 0 1" close_message
phase=B
row "the timed message"      "tidy note reminder newA editA"             "1 1 0 1 0 0 1" show device clock set "$day 11:01"
row "a new command"          "tidy note reminder newA editA newB"        "1 1 0 1 0 0 1" wizard_new newB
row "an edit"                "tidy note reminder newA newB editB"        "1 1 0 1 0 0 1" list_edit editA editB
row "a delete"               "tidy note reminder newB editB"             "1 1 0 1 0 0 1" list_delete newA
row "Options OK"             "tidy note reminder newB editB"             "1 1 0 1 0 0 1" options_ok 1
row "Statistics Clear"       "tidy note reminder newB editB"             "0 0 0 0 0 0 0" statistics_clear
row "another power-on"       "tidy note reminder newB editB"             "1 0 0 0 0 0 1" device power-on
row "the timed moment again" "tidy note reminder newB editB"             "1 0 0 0 0 0 1" launcher_again
row "the message closed"     "tidy note newB editB"                      "1 0 0 0 0 0 1" close_message
[ "$(count_lines "$log" '[once]')" = 1 ] || fail "the timed Once launch did not run once: $(cat "$log")"
echo "PASS"
