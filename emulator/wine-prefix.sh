# Shared by the test runner and the device: Wine, a private X display, and
# the making of a prefix. Sourced, not run.
#
# WINE and WINESERVER run Wine in the sandbox of WINEPREFIX (sandbox.sh),
# which sandbox_start must have made first: nothing of a prefix runs outside.
emulator_dir=$(cd "${BASH_SOURCE[0]%/*}" && pwd)
source "$emulator_dir/sandbox.sh"
WINE="$emulator_dir/sandbox/wine"
WINESERVER="$emulator_dir/sandbox/wineserver"

# start_private_display VAR: starts Xvfb on a free display, exports DISPLAY
# and stores Xvfb's process id in VAR.
start_private_display() {
    local fd_file pid n
    fd_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fd_file" >/dev/null 2>&1 &
    pid=$!
    # A loaded machine may take its time; a display that fails says so at once.
    for _ in $(seq 1200); do
        n=$(cat "$fd_file")
        [ -n "$n" ] && break
        sleep 0.05
    done
    rm -f "$fd_file"
    [ -n "$n" ] || { kill "$pid" 2>/dev/null; echo "Xvfb did not start" >&2; return 1; }
    export DISPLAY=":$n"
    printf -v "$1" '%s' "$pid"
}

# make_prefix DIR [DESKTOP]: creates the Wine prefix DIR once, with one
# 240x320 virtual desktop for all windows (named DESKTOP, default "Default";
# its X window is titled "DESKTOP - Wine desktop") and no sound driver.
make_prefix() {
    local dir=$1 desktop=${2:-Default}
    [ -f "$dir/.morvane-ready" ] && return 0
    sandbox_stop "$dir"
    rm -rf "$dir"
    mkdir -p "$dir"
    sandbox_start "$dir" || return 1
    WINEPREFIX="$dir" "$WINE" wineboot -i >/dev/null 2>&1 </dev/null || true
    WINEPREFIX="$dir" "$WINESERVER" -w
    WINEPREFIX="$dir" "$WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d "$desktop" /f >/dev/null 2>&1
    WINEPREFIX="$dir" "$WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v "$desktop" /d 240x320 /f >/dev/null 2>&1
    WINEPREFIX="$dir" "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Audio /d '' /f >/dev/null 2>&1
    WINEPREFIX="$dir" "$WINESERVER" -w
    # Wine's own fonts (Marlett draws the caption buttons) are not found where
    # Debian installs them; the prefix gets a copy.
    if [ -d /usr/share/wine/fonts ]; then
        mkdir -p "$dir/drive_c/windows/Fonts"
        cp -n /usr/share/wine/fonts/*.ttf "$dir/drive_c/windows/Fonts/" 2>/dev/null || true
    fi
    touch "$dir/.morvane-ready"
}

# seal_prefix DIR: drive C: holds only its own files. Wine makes the user's
# Desktop, Documents, Downloads, Music, Pictures, Videos and Templates links
# to the host's home; each link under drive_c becomes a real, empty folder
# (the link alone goes, never what it points to). Measured: Wine's own
# prefix update (wineboot -u) leaves real folders as they are.
seal_prefix() {
    local drive_c=$1/drive_c link
    [ -d "$drive_c" ] || return 0
    while IFS= read -r -d '' link; do
        rm -f -- "$link"
        mkdir -p -- "$link"
    done < <(find -P "$drive_c" -type l -print0)
}

# bring_up_desktop TITLE START...: runs START, which brings a virtual desktop
# up in the background, and waits (three minutes, or desktop_wait_ticks
# tenths of a second, at most) until a window titled TITLE is there. The
# first desktop of a fresh Wine server may close again about a second after
# it came up, between two looks on a loaded machine; START runs again every
# ten seconds (a second explorer for a desktop that is up just ends).
bring_up_desktop() {
    local title=$1 tick
    shift
    for tick in $(seq 0 $((${desktop_wait_ticks:-1800} - 1))); do
        if [ $((tick % 100)) = 0 ]; then "$@"; fi
        xwininfo -root -tree 2>/dev/null | grep -qF "$title" && return 0
        sleep 0.1
    done
    return 1
}

start_explorer_in_background() { "$WINE" explorer "$@" >/dev/null 2>&1 </dev/null & }

# start_virtual_desktop: brings the prefix's desktop up and waits until it is
# there, so that the first window of a test does not race its start.
start_virtual_desktop() {
    bring_up_desktop 'Wine desktop' start_explorer_in_background /desktop=Default,240x320 && return 0
    echo "device: the tests' virtual desktop did not come up (not a test failure)" >&2
    return 1
}
