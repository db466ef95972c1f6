#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
cat <<'MSG'

Built into build/bin/. The console window arrives in a later release; meanwhile:
  build/bin/kestrum-sim --controllers 2      simulated door controllers on pseudo-terminals
  build/bin/kestrum-link DEVICE test         talk to one controller (see README.md)
Starting the simulator with two controllers (type "help", "quit" to stop):
MSG
exec build/bin/kestrum-sim --controllers 2
