#!/usr/bin/env bash
# Configures and builds into build/ (executables in build/bin/): everything, or only the targets
# named (build.sh kestrum). The fuzz target is built by the sanitizer run (build-asan/).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
scripts/configure.sh build -DKESTRUM_FUZZ=OFF
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build build -j"$(nproc)" "${targets[@]}"
