#!/usr/bin/env bash
# Installs what is missing, builds, runs every test (the fuzz target briefly among them), builds the
# Debian package and checks it, then runs every test again under the sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
scripts/fetch-test-server.sh
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2)
scripts/check-package.sh
scripts/test-sanitizers.sh
