#!/bin/bash
# The device's screen is a display of its own. On a person's desktop (a
# private Xvfb here, with a window of the person's that logs every key it
# gets) the device shows in a window of a nested X server; a program on the
# device looks for the person's window, on its own display and on the
# person's, and types at it: it finds nothing and types nothing, and the
# person still sees the device's screen, task bar and all.
source "$(dirname "$0")/e2e-lib.sh"
source "$repo/emulator/wine-prefix.sh"

device down
person_xvfb=""
restore() {
    device down >/dev/null 2>&1 || true
    [ -n "$person_xvfb" ] && kill "$person_xvfb" 2>/dev/null || true
    rm -f "${keys:-}"
}
trap restore EXIT
start_private_display person_xvfb || fail "the person's display did not start"
person=$DISPLAY
keys=$(mktemp)
name="Person's notes $$"
xev -name "$name" -event keyboard >"$keys" 2>&1 &
wait_for "the person's window shows" 'xdotool search --name "^$name\$" >/dev/null'
# Its log takes a key typed on the person's own display.
xdotool type --window "$(xdotool search --name "^$name\$" | head -1)" q 2>/dev/null
wait_for "the person's window logs a key" 'grep -q "^KeyPress" "$keys"'
: >"$keys"

device up
own=$(cat "$MORVANE_DEVICE/display")
[ "$own" != "$person" ] || fail "the device was given the person's display"

# On the device, through the platform's own way to a host program.
folder=$(device path '\e2e\screen')
mkdir -p "$folder"
rm -f "$folder/tried.txt"
cat >"$folder/try.sh" <<EOF
exec >"$folder/tried.txt" 2>&1
for display in "\$DISPLAY" "$person"; do
    echo "display \$display"
    for id in \$(DISPLAY=\$display xdotool search --name "$name"); do
        echo "found \$id"
        DISPLAY=\$display xdotool type --window "\$id" typed
        DISPLAY=\$display xdotool windowfocus "\$id" type typed
    done
    DISPLAY=\$display xwininfo -root -tree | grep -F "$name"
done
echo tried
EOF
device run 'C:\windows\system32\start.exe' "/wait /unix /bin/sh $folder/try.sh" || true
wait_for "the device's program tried" 'grep -qx tried "$folder/tried.txt" 2>/dev/null'
grep -qx "display $own" "$folder/tried.txt" || fail "the device's program was on another display: $(cat "$folder/tried.txt")"
grep -q '^KeyPress' "$keys" && fail "the device typed into the person's window: $(grep -c '^KeyPress' "$keys") keys"
grep -q "^found\|$name" "$folder/tried.txt" && fail "the device found the person's window: $(cat "$folder/tried.txt")"

# The person sees the device: the nested server's window on the person's
# display shows the device's screen, as device screenshot takes it.
window=$(xdotool search --name "^Handheld-[0-9]*\$" | head -1)
[ -n "$window" ] || fail "no window of the device on the person's display"
screen="$MORVANE_BUILD/e2e-screen-device.png"
viewed="$MORVANE_BUILD/e2e-screen-seen.png"
same_screen() {
    device screenshot "$screen" && import -window "$window" "$viewed" &&
        [ "$(compare -metric AE "$screen" "$viewed" null: 2>&1)" = 0 ]
}
wait_for "the person sees the device's screen" same_screen
[ "$(identify -format '%wx%h' "$screen")" = 240x320 ] || fail "the screen is $(identify -format '%wx%h' "$screen")"
# The task bar: its 20 light rows at the bottom, under the dark desktop.
brightness() { convert "$screen" -crop "$1" +repage -colorspace gray -format '%[fx:int(100 * mean)]' info:; }
[ "$(brightness 240x20+0+300)" -gt 60 ] && [ "$(brightness 240x280+0+0)" -lt 50 ] ||
    fail "no task bar on the device's screen (brightness $(brightness 240x20+0+300) under $(brightness 240x280+0+0))"
rm -f "$screen" "$viewed"

trap - EXIT
restore
DISPLAY= device up
echo "PASS"
