#!/bin/bash
# Runs every test of a build: the programs under Wine in a private prefix
# under the build folder, with a private X display, one persistent Wine server
# for the whole run, one program at a time; beside them the device scripts,
# each on a device of the run's pool. Extra arguments go to ctest (say
# -R Launcher); MORVANE_TEST_JOBS says how many tests run at once.
set -euo pipefail

build=$(cd "${1:?usage: run-tests.sh BUILD_DIR [ctest args]}" && pwd)
shift
source "$(dirname "$0")/test-environment.sh"
enter_test_environment "$build"

# Five at once: a script on each of the pool's four devices, and the test
# programs' turn beside them. The programs spend much of their time waiting
# (the launcher's retries, a held file), which the devices' work fills.
cd "$build"
ctest --output-on-failure --timeout 600 --resource-spec-file "$build/e2e-devices.json" \
    -j "${MORVANE_TEST_JOBS:-5}" "$@"
