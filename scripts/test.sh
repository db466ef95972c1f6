#!/usr/bin/env bash
# The whole proof, as CI runs it: installs what is missing, builds into build/, runs the tests of
# the windows and the programs there, builds the Debian package from that build and checks it,
# then runs the widget-free libraries' tests and the fuzz target under AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan/). Ends with each stage's wall time.
set -euo pipefail
cd "$(dirname "$0")/.."

stages=()
started=$SECONDS
report() {
    local status=$?
    local line
    line=$(printf '%s, ' "${stages[@]}")
    echo "Stages (wall time): ${line}total $((SECONDS - started)) s$([ $status -eq 0 ] || echo " (failed)")"
}
trap report EXIT
stage() {
    local name=$1 t0=$SECONDS
    shift
    "$@"
    stages+=("$name $((SECONDS - t0)) s")
}
plain_tests() {
    (cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" -LE core)
}

stage set-up bash -c 'scripts/setup.sh && scripts/fetch-test-server.sh'
stage build scripts/build.sh
stage tests plain_tests
stage package scripts/check-package.sh build
stage sanitizers scripts/test-sanitizers.sh
