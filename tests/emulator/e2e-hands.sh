#!/bin/bash
# A person's hands on the device: real key presses and stylus taps through the
# device's X display (xdotool), and no message sent to any window. With the
# keys alone a new command is made, the name page's refusal answered and
# Morvane shut down; with the stylus alone Morvane is started from the Start
# menu and that command edited, its new name typed on the input panel. Each
# journey ends with the stored record checked byte for byte, and every
# message box on the way lies on the screen.
source "$(dirname "$0")/e2e-lib.sh"
source "$(dirname "$0")/e2e-morvane.sh"
fresh_morvane
trap 'client close ZELMORVANE >/dev/null 2>&1 || true' EXIT
tool "setting|ShowMainWin|1"
device clock set "2031-03-14 09:00"

DISPLAY=$(cat "$MORVANE_DEVICE/display")
export DISPLAY
desktop=$(xdotool search --name ' - Wine desktop$' | head -1)
where_file=$(device path '\e2e\where.txt')

# The caption of the window that has the keys.
# While no window has them X says so with an error, which is no failure here.
focused() {
    local window
    window=$(xdotool getwindowfocus 2>/dev/null) && xdotool getwindowname "$window" 2>/dev/null || true
}
wait_focus() { wait_for "\"$1\" has the keys" "[ \"\$(focused)\" = \"$1\" ]"; }
press() { xdotool key --delay 100 "$@"; }
type_text() { xdotool type --delay 30 -- "$1"; }
# tap SPOT: where e2e_client's "where" says SPOT stands.
tap() {
    local x y
    client where "$1" || fail "nowhere to tap: $1"
    read -r x y <"$where_file"
    xdotool mousemove --window "$desktop" "$x" "$y" click 1
}
# Every shown window of that caption lies whole on the 240x320 screen.
on_screen() {
    local id X Y WIDTH HEIGHT SCREEN WINDOW
    for id in $(xdotool search --onlyvisible --name "^$1\$"); do
        eval "$(xdotool getwindowgeometry --shell "$id")"
        [ "$X" -ge 0 ] && [ "$Y" -ge 0 ] && [ $((X + WIDTH)) -le 240 ] && [ $((Y + HEIGHT)) -le 320 ] ||
            fail "\"$1\" at $X,$Y, ${WIDTH}x$HEIGHT, leaves the screen"
    done
}
shown() { xdotool search --onlyvisible --name "^$1\$" | wc -l; }

# The input panel's keys by their texts, as e2e_client's "keys" finds them:
# key_at[TEXT]="X Y". A key keeps its place whatever it shows.
declare -A key_at
read_keys() {
    local x y text
    client keys || fail "the input panel is not up"
    while read -r x y text; do key_at[$text]="$x $y"; done <"$where_file"
}
tap_key() {
    local attempt
    # A text the panel shows only after the tap just made (Shift, Symbols).
    for attempt in 1 2 3; do
        [ -n "${key_at[$1]-}" ] && break
        read_keys
    done
    [ -n "${key_at[$1]-}" ] || fail "the input panel has no key \"$1\""
    # shellcheck disable=SC2086
    xdotool mousemove --window "$desktop" ${key_at[$1]} click 1
}
layer=letters
to_layer() {
    [ "$layer" = "$1" ] && return
    tap_key Symbols
    layer=$1
}
# Types TEXT with taps on the panel's keys alone.
type_on_panel() {
    local i c
    for ((i = 0; i < ${#1}; i++)); do
        c=${1:i:1}
        case $c in
            ' ') tap_key Space ;;
            [0-9]) tap_key "$c" ;;
            [a-z]) to_layer letters; tap_key "$c" ;;
            [A-Z]) to_layer letters; tap_key Shift; tap_key "$c" ;;
            *) to_layer symbols; tap_key "$c" ;;
        esac
    done
}

# --- The keys alone ---------------------------------------------------------------
device start
wait_focus Morvane
press Return                        # "New Command" has the focus
wait_focus "Step 1"
press Down Down Return              # "Display a message", then "Next >", the default
wait_focus "Step 2"
type_text "Back up"
press Return                        # a new line in the message
type_text "now"
press Tab Tab Tab Return            # "Cancel", "< Back", "Next >"
wait_focus "Step 3"
press Down Down Down Return         # "On a certain date"
wait_focus "Step 4"
press Down Down Down Down Return    # "Only once on a specific date", at first power-on
wait_focus "Step 5"
press Right Right Return            # two days after the device's today
wait_focus "Step 6"
press Return                        # no name: refused
wait_focus Morvane
on_screen Morvane
press Return                        # "OK"; the name box has the keys again
wait_focus "Step 6"
name=$(printf 'Morning note %0249d' 0 | tr 0 x)   # 262 characters, 3 more than a name holds
type_text "$name"
name=${name:0:259}
press Return
wait_focus "Step 7"
press Return                        # "Finish" has the focus
wait_focus Morvane
expected=$(record "$(str "$name")" "$(u16 1014)" "$(str $'Back up\r\nnow')" "$(u16 1007)" \
    "$(u16 4)" "$(u16 16)" "$(u16 3)" "$(u16 2031)" "$(u16 1088)")
[ "$(stored_hex)" = "$expected" ] || fail "the keys stored $(stored_hex), not $expected"

# A second start while the main dialog is up stacks no second one.
device start
wait_for "the second start ended" '[ "$(running morvane.exe)" = 1 ]'
[ "$(shown Morvane)" = 1 ] || fail "$(shown Morvane) main dialogs are up"
wait_focus Morvane

press shift+Tab Return              # "Shutdown Morvane", from "New Command" where the focus came back
wait_for "the question shows" '[ "$(shown Morvane)" = 2 ]'
on_screen Morvane
press Return                        # "Yes"
wait_for "Morvane ended" '[ "$(running morvane.exe)" = 0 ]'

# --- The stylus alone -------------------------------------------------------------
tap start
tap "menu 1"                        # "Programs"
tap "menu 2"                        # "Morvane"
tap "Morvane|1055"                  # "View Commands"
tap "Morvane|1046"                  # the filter's list opens
# "On a certain day"; a loaded machine may hand the open list the tap before
# it takes taps, and a person then taps again.
for attempt in 1 2 3; do
    tap "Morvane|1046|row 4"
    client ui-has-item "Morvane|1042|$name" && break
    [ "$attempt" -lt 3 ] || fail "the filter did not show the command"
done
tap "Morvane|1042|row 1"            # the command
tap "Morvane|1049"                  # "Edit"
tap "Step 1|1013"                   # "Play a sound"
tap "Step 1|1003"
tap "Step 2|1051|row 4"             # "Noise", after the three "Front" sounds
tap "Step 2|1025|up"
tap "Step 2|1025|up"                # played three times
tap "Step 2|1003"
tap "Step 3|1006"                   # "After a device reset"
tap "Step 3|1003"
# The name page opens with its name selected and the panel down; the panel's
# taps replace the name, and leave the page's keys where they were.
[ "$(shown Keyboard)" = 0 ] || fail "the input panel is up over the name page"
tap "input panel"
new_name='Kettle 7:45 - C:\Tea_2.wav/On'
type_on_panel "$new_name"
tap "Step 4|1003"                   # "Next >", above the panel
wait_for "the summary shows" '[ "$(shown "Step 5")" = 1 ]'
wait_for "the summary lowered the input panel" '[ "$(shown Keyboard)" = 0 ]'
tap "Step 5|1037"                   # "Finish"
expected=$(record "$(str "$new_name")" "$(u16 1013)" "$(str Noise)" "$(u32 3)" "$(u16 1006)")
wait_for "the edit is stored" '[ "$(stored_hex)" = "$expected" ]'
tap "Morvane|1042|close"            # the command list
tap "Morvane|1054|close"            # the main dialog
wait_for "the main dialog closed" '[ "$(shown Morvane)" = 0 ]'
echo "PASS"
