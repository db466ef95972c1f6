#!/usr/bin/env bash
# The pictures of the user guide: builds kestrum-screenshots (with the demo's setup tool) when
# needed and runs it under Qt's offscreen platform, writing docs/images/ (or the folder given).
# Exits 1 naming the window when one cannot be shot.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/images}
scripts/setup.sh
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
[ -f build/CMakeCache.txt ] || cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target kestrum-screenshots kestrum-demo-setup -j"${JOBS:-2}"
QT_QPA_PLATFORM=offscreen timeout 400 build/bin/kestrum-screenshots "$out"
