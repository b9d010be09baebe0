#!/bin/bash
# Runs one benchmark program of a build under Wine, in the same environment
# as the tests (tests/test-environment.sh).
#
#   bench/run.sh BUILD NAME     NAME: command_file_bench, schedule_bench, event_start_bench,
#                               browser_bench
set -euo pipefail

build=$(cd "${1:?usage: bench/run.sh BUILD NAME}" && pwd)
name=${2:?usage: bench/run.sh BUILD NAME}
program="$build/bench/$name.exe"
[ -f "$program" ] || { echo "no $program: make build first" >&2; exit 1; }
source "$(dirname "$0")/../tests/test-environment.sh"
enter_test_environment "$build"
"$build/wine-run" "$program"
