# The environment test and benchmark programs of a build run in: a private
# Wine prefix under the build folder in its sandbox (which shows the sources
# read-only and the build), a private X display, one persistent Wine server
# warmed up with its output detached (so Wine's own background processes
# never hold the caller's pipes), and the prefix's 240x320 virtual desktop up. Sourced; `enter_test_environment BUILD` sets it up and stops
# it when the calling script ends.
source "$(dirname "${BASH_SOURCE[0]}")/../emulator/wine-prefix.sh"

enter_test_environment() {
    local build=$1
    test_prefix="$build/wineprefix"
    export WINEPREFIX="$test_prefix"
    export WINEDEBUG=-all
    export LC_ALL=C.UTF-8 LANG=C.UTF-8
    export WINEDLLOVERRIDES="mscoree,mshtml="

    test_xvfb_pid=""
    trap leave_test_environment EXIT
    # A sandbox left by an earlier run holds an earlier display.
    sandbox_stop "$test_prefix"
    start_private_display test_xvfb_pid || { sandbox_fail "the tests' X display did not start"; exit 1; }

    # The test programs keep their command files beside themselves, in the build.
    SANDBOX_READ_ONLY=("$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)")
    SANDBOX_WRITABLE=("$build")
    make_prefix "$test_prefix" || exit 1
    sandbox_start "$test_prefix" || exit 1
    # C: holds only its own files; drive Z: stays, the harness runs the
    # build's programs from it.
    seal_prefix "$test_prefix"
    echo "$DISPLAY" > "$test_prefix/display"
    mkdir -p "$test_prefix/drive_c/tests"

    "$WINESERVER" -p
    "$WINE" cmd /c exit >/dev/null 2>&1 </dev/null || true
    start_virtual_desktop
}

leave_test_environment() {
    "$WINESERVER" -k >/dev/null 2>&1 || true
    sandbox_stop "$test_prefix"
    [ -n "${test_xvfb_pid:-}" ] && kill "$test_xvfb_pid" 2>/dev/null || true
    rm -f "$test_prefix/display"
}
