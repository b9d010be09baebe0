#!/bin/bash
# The launcher retries: a morvane.exe that appears only after the second failed
# start is started by the third. Wine's own process trace counts the starts, so
# the count is exact and nothing depends on timing.
# Runs inside tests/run-tests.sh (its prefix, display and Wine server).
set -euo pipefail
build=$1
source "$(dirname "$0")/../../emulator/wine-prefix.sh"
: "${WINEPREFIX:?run through tests/run-tests.sh}"

name="retry-$$"
dir="$WINEPREFIX/drive_c/tests/$name"
rm -rf "$dir"
mkdir -p "$dir"
trap 'rm -rf "$dir"; "$WINE" reg delete "HKLM\\Software\\Apps\\Quillon Software Morvane" /f >/dev/null 2>&1 || true' EXIT
"$WINE" reg add "HKLM\\Software\\Apps\\Quillon Software Morvane" /v InstallDir /d "C:\\tests\\$name" /f >/dev/null 2>&1

cd "$WINEPREFIX/drive_c/tests"
attempts=0
started=0
while IFS= read -r line; do
    case $line in
    *"CreateProcessInternalW app L\"C:\\\\tests\\\\$name\\\\morvane.exe\""*)
        attempts=$((attempts + 1))
        if [ "$attempts" = 2 ]; then
            # The launcher waits a second after this failed start; the file
            # appears well inside that second.
            sleep 0.3
            cp "$build/tests/probe.exe" "$dir/morvane.exe"
        fi
        ;;
    *"CreateProcessInternalW started process"*)
        [ "$attempts" -gt 0 ] && started=$((started + 1))
        ;;
    esac
done < <(WINEDEBUG=-all,+process "$WINE" "$build/launcher/mvlaunch.exe" AppRunAtTime 2>&1 >/dev/null)

for _ in $(seq 100); do [ -f "$dir/probe.log" ] && break; sleep 0.1; done
log=$(cat "$dir/probe.log" 2>/dev/null || true)
echo "attempts=$attempts started=$started log=$log"
[ "$attempts" = 3 ] || { echo "FAIL: expected three start attempts"; exit 1; }
[ "$started" -ge 1 ] || { echo "FAIL: the third attempt did not start the program"; exit 1; }
case $log in *"[AppRunAtTime]"*) ;; *) echo "FAIL: the program did not get AppRunAtTime"; exit 1 ;; esac
[ "$(wc -l < "$dir/probe.log")" = 1 ] || { echo "FAIL: started more than once"; exit 1; }
echo PASS
