#!/usr/bin/env bash
# Configures and builds everything into build/ (executables in build/bin/).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# Relative paths in the compiler's cache: a clone anywhere reuses what another clone compiled.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
