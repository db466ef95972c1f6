#!/usr/bin/env bash
# Installs what is missing, builds, and starts the console.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh kestrum
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    cat <<'MSG'
No display: the console is a desktop program. Either run it on a desktop session, or
  - in a virtual display:  sudo apt-get install -y xvfb && xvfb-run -a build/bin/kestrum
  - over SSH:              ssh -X <host>, then scripts/run.sh
MSG
    exit 1
fi
exec build/bin/kestrum
