#!/usr/bin/env bash
# Unpacks Debian's Firebird 3 server into <build folder>/fbserver (build/ unless named) for the tests
# that run consoles against a server of their own. Nothing is installed: no daemon, no system user,
# no /tmp/firebird.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:-build}/fbserver
[ -x "$target/usr/sbin/firebird" ] && exit 0

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
if ! apt-get download firebird3.0-server >/dev/null 2>&1; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    apt-get download firebird3.0-server >/dev/null
fi
cd - >/dev/null
mkdir -p "$target"
dpkg-deb -x "$work"/firebird3.0-server_*.deb "$target"
echo "Firebird server unpacked into $target"
