#!/usr/bin/env bash
# configure.sh BUILD_DIR [CMAKE ARGS...]: configures a build folder with Ninja, the compiler cache
# shared across clones. A folder made earlier by another generator is configured afresh.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1
shift
# Relative paths in the compiler's cache: a clone anywhere reuses what another clone compiled.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
generator=()
if command -v ninja >/dev/null; then
    generator=(-G Ninja)
    if [ -f "$dir/CMakeCache.txt" ] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "$dir/CMakeCache.txt"; then
        rm -rf "$dir/CMakeCache.txt" "$dir/CMakeFiles"
    fi
fi
cmake -S . -B "$dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
