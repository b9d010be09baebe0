#!/bin/bash
# `device why` on one device, a row for each thing that keeps a command from
# running, set up one after another: a name not stored, Morvane not running,
# a missing program and folder, commands switched off, no wake-up
# registration, a shadowed name (names match without regard to case); and
# its last run from the run history, which `device history` prints.
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-morvane.sh"
fresh_morvane
device clock set "2026-06-10 09:00"

# why_says NAME TEXT...: every TEXT is a line of the answer (exit code 0).
why_says() {
    local name=$1 answer text
    shift
    answer=$(device why "$name") || fail "why $name ended with $?: $answer"
    for text in "$@"; do
        grep -qxF -- "$text" <<<"$answer" || fail "why $name does not say \"$text\"; it says:"$'\n'"$answer"
    done
}

add 'Morning|power-on|launch|\Windows\nothere.exe|'
add 'Tidy|first-of-day|clean|\e2e\gone|0'
add 'Twice|daily@07:30|close'
add 'Twice|daily@08:00|close'

answer=$(device why Mornin) && fail "why took a name that is not stored"
grep -qF 'no command named "Mornin" is stored; the closest: "Morning", "Tidy", "Twice"' <<<"$answer" ||
    fail "a name not stored is answered: $answer"
why_says Morning '"Morning": at every power-on; launch \Windows\nothere.exe' \
    'last run: none in the history' 'next run: at the next power-on' \
    'kept from running: Morvane is not running: nothing is registered on the device (start Morvane)' \
    'kept from running: the program \Windows\nothere.exe does not exist on the device'

device start
wait_for "Morvane registered its runs" 'device status | grep -q "^event 11 wake-up .*mvlaunch"'
device power-on
wait_for "the power-on's runs" 'device history | grep -q "Tidy (clean folder), first power-on of the day"'
device why Morning | grep -qE '^last run: 2026-06-10 09:0[0-9]:[0-9]{2}, power-on: not started: the program \\Windows\\nothere\.exe does not exist$' ||
    fail "why Morning has not its last run: $(device why Morning)"
answer=$(device history Morning)
grep -qE '^2026-06-10 09:0[0-9]:[0-9]{2}  Morning \(launch\), power-on: not started: the program \\Windows\\nothere\.exe does not exist$' <<<"$answer" ||
    fail "the history of Morning: $answer"
why_says tidy '"Tidy": at the first power-on of each day; clean \e2e\gone' 'next run: 2026-06-11, at the first power-on of the day' \
    'kept from running: the folder \e2e\gone does not exist on the device'
why_says Twice '"Twice": on a schedule, daily, at 07:30; close all programs' 'next run: 2026-06-11 07:30' \
    'kept from running: another command of this name is stored after it: a timed run of this name, Edit and Delete find only this one, and the later one never runs at its moment'

tool "setting|EnableCommands|0"
why_says Tidy 'kept from running: commands are switched off (Options, "Enable Commands")'
tool "setting|EnableCommands|1"
client clear-registrations
why_says Morning 'kept from running: no wake-up registration: a power-on starts nothing (start Morvane again)'
why_says Twice 'kept from running: no timed registration: its moment will pass without a run (start Morvane again)'
echo "PASS"
