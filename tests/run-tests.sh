#!/bin/bash
# Runs every test of a build: the programs under Wine in a private prefix
# under the build folder, with a private X display, one persistent Wine server
# for the whole run. Extra arguments go to ctest (say -R Launcher).
set -euo pipefail

build=$(cd "${1:?usage: run-tests.sh BUILD_DIR [ctest args]}" && pwd)
shift
source "$(dirname "$0")/test-environment.sh"
enter_test_environment "$build"

cd "$build"
ctest --output-on-failure --timeout 600 "$@"
