#!/usr/bin/env bash
# Builds the Debian package in build-pkg/ (a build of its own, without tests and benchmarks) and
# prints the package's path on the last line.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# The binaries are stripped, so the compile folder in the debug information does not matter:
# ccache may reuse objects whatever folder made them.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=true
cmake -S . -B build-pkg -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUM_TESTS=OFF -DKESTRUM_BENCH=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr "-DCMAKE_EXE_LINKER_FLAGS=-Wl,-z,relro -Wl,-z,now" >/dev/null
cmake --build build-pkg -j2
rm -f build-pkg/kestrum_*.deb
(cd build-pkg && cpack -G DEB >/dev/null)
deb=$(ls "$PWD"/build-pkg/kestrum_*.deb)
echo "$deb"
