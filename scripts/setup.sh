#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Kestrum need, when missing.
set -euo pipefail

packages=(
    g++ cmake make ninja-build ccache lld clang libclang-rt-14-dev
    qt6-base-dev qt6-serialport-dev libqt6sql6-ibase
    firebird-dev libfbclient2 firebird3.0-server-core firebird3.0-utils
    libsimpleini-dev libxlsxwriter-dev libfreexl-dev libzip-dev
    poppler-utils
    dpkg-dev file lintian desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
