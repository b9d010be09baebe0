# Shared by the scripts that drive morvane.exe itself on the device: its
# command file and settings through e2e_commands.exe placed beside it.
# Sourced after e2e-lib.sh.
: "${E2E_COMMANDS:?}" "${E2E_WINDOW:?}"

MAIN='\Program Files\Morvane\morvane.exe'
TOOL='\Program Files\Morvane\e2e_commands.exe'

tool() { in_device tool "$TOOL" "$*"; }
# tool_value VERB...: the tool's exit code (a counter's value, say).
tool_value() { local n=0; tool "$@" || n=$?; echo "$n"; }
add() { or_fail "could not store the command $1" tool "$1"; }
counter() { tool_value "counter|$1"; }
# Exit code 0 when stored, 1 when not; the tool failing otherwise says so.
stored() {
    local code=0
    tool "exists|$1" || code=$?
    [ "$code" -le 1 ] || echo "the look for the command $1 ended with code $code" >&2
    return "$code"
}

# No resident instance, no commands, fresh settings with commands enabled.
fresh_morvane() {
    fresh_device
    client close ZELMORVANE >/dev/null 2>&1 || true
    wait_for "no main program runs" '[ "$(running morvane.exe)" = 0 ]'
    local folder
    folder=$(device path '\Program Files\Morvane')
    # A new file, never one that a program started from it still maps.
    cp "$E2E_COMMANDS" "$folder/e2e_commands.part"
    mv -f "$folder/e2e_commands.part" "$folder/e2e_commands.exe"
    tool clear
    tool "setting|EnableCommands|1"
}

# Waits until no morvane.exe event instance is left running.
settle() { wait_for "the event instance ended" '[ "$(running morvane.exe)" = 0 ]'; }

# The record as the file format gives it, in hexadecimal: little-endian
# numbers, UTF-16LE strings with their terminator, the body's length first.
u16() { printf '%02x%02x' $(($1 & 255)) $(($1 >> 8)); }
u32() { printf '%02x%02x%02x%02x' $(($1 & 255)) $((($1 >> 8) & 255)) $((($1 >> 16) & 255)) $((($1 >> 24) & 255)); }
str() { printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE | od -An -v -tx1 | tr -d ' \n'; printf '0000'; }
record() {
    local body
    body=$(printf '%s' "$@")
    printf '%s%s' "$(u32 $((${#body} / 2)))" "$body"
}
stored_hex() { od -An -v -tx1 "$(device path '\Program Files\Morvane\Data\zelvane.dat')" | tr -d ' \n'; }
