#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (the fuzz target briefly among them).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
scripts/fetch-test-server.sh
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2
