#!/usr/bin/env bash
# package.sh [BUILD_DIR]: builds the Debian package and prints its path on the last line. Without
# a folder, from a build of its own in build-pkg/ (without tests and benchmarks); with one (the
# test command passes build/), from that build as it stands, so nothing is compiled twice.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-pkg}
if [ $# -eq 0 ]; then
    scripts/setup.sh
    # The binaries are stripped, so the compile folder in the debug information does not matter:
    # ccache may reuse objects whatever folder made them.
    export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=true
    scripts/configure.sh "$dir" -DKESTRUM_TESTS=OFF -DKESTRUM_BENCH=OFF -DKESTRUM_FUZZ=OFF
    cmake --build "$dir" -j"$(nproc)"
fi
rm -f "$dir"/kestrum_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
deb=$(ls "$PWD/$dir"/kestrum_*.deb)
echo "$deb"
