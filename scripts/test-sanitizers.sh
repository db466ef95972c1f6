#!/usr/bin/env bash
# Builds the programs and tests with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/
# and runs every test there; the receive fuzz target runs longer than in the plain build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# Relative paths in the compiler's cache: a clone anywhere reuses what another clone compiled.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUM_SANITIZE=ON -DKESTRUM_BENCH=OFF \
    -DKESTRUM_FUZZ_SECONDS="${KESTRUM_FUZZ_SECONDS:-240}" >/dev/null
cmake --build build-asan -j2
scripts/fetch-test-server.sh build-asan
# Leaks inside the database engine's own library are its business; everything else fails the test.
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd build-asan
# LeakSanitizer's exit-time check stops every thread; under load it now and then crashes on one of
# the engine's threads ("Tracer caught signal 11 ... LeakSanitizer has encountered a fatal error"),
# with every test passed. A failed test runs once more: a real finding fails both times.
# In these three it crashes that way at every run under ctest (never when they are run by hand):
# they run with AddressSanitizer and UndefinedBehaviorSanitizer, without the leak check.
no_leak_check='^(tst_distribucion|tst_entradas|tst_senyales)$'
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 900 --repeat until-pass:2 -E "$no_leak_check"
ASAN_OPTIONS="detect_leaks=0:abort_on_error=1:detect_stack_use_after_return=0" \
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 900 -R "$no_leak_check"
