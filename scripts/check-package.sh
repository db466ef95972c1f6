#!/usr/bin/env bash
# Builds the Debian package and checks it: unpacked into a temporary root it holds the install
# layout, its programs answer with the project's version and work with that root's resources (a
# data root provisioned from its language file, a report from its definitions), and lintian
# reports no error.
set -euo pipefail
cd "$(dirname "$0")/.."
# check-package.sh [BUILD_DIR]: the package of that build (build-pkg/, made afresh, without one).
dir=${1:-build-pkg}
deb=$(scripts/package.sh "$@" | tail -n 1)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/CMakeCache.txt")
echo "Checking $deb (version $version)"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root/tree"
usr=$root/tree/usr

fail() {
    echo "check-package: $*" >&2
    exit 1
}

for f in bin/kestrum bin/kestrum-admin bin/kestrum-link bin/kestrum-sim \
    share/kestrum/Kestrum20_Lang.ini share/applications/kestrum.desktop \
    share/icons/hicolor/48x48/apps/kestrum.png share/icons/hicolor/256x256/apps/kestrum.png \
    share/icons/hicolor/scalable/apps/kestrum.svg \
    share/man/man1/kestrum.1.gz share/man/man1/kestrum-admin.1.gz \
    share/man/man1/kestrum-link.1.gz share/man/man1/kestrum-sim.1.gz \
    share/doc/kestrum/copyright share/doc/kestrum/README.Debian; do
    [ -e "$usr/$f" ] || fail "missing /usr/$f"
done
ls "$usr"/share/kestrum/Data/*.frf >/dev/null 2>&1 || fail "no report definitions in /usr/share/kestrum/Data"
extra=$(cd "$usr/bin" && ls | grep -vxE 'kestrum|kestrum-admin|kestrum-link|kestrum-sim' || true)
[ -z "$extra" ] || fail "not for installing: $extra"
desktop-file-validate "$usr/share/applications/kestrum.desktop"
logged=$(zcat "$usr/share/doc/kestrum/changelog.gz" | sed -n '1s/^kestrum (\([^)]*\)).*/\1/p')
[ "$logged" = "$version" ] || fail "packaging/doc/changelog has no entry for $version (its latest is $logged)"
for page in "$usr"/share/man/man1/*.1.gz; do
    warnings=$(zcat "$page" | groff -man -Tutf8 -ww -z 2>&1)
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done
header=$(zcat "$usr/share/man/man1/kestrum.1.gz" | sed -n 1p)
[[ $header == *"Kestrum $version"* ]] || fail "the manual pages do not name version $version"

# The programs from the unpacked tree, on a data root of their own, without a display.
export QT_QPA_PLATFORM=offscreen XDG_DATA_HOME=$root/data XDG_RUNTIME_DIR=$root/run
mkdir -m 0700 "$XDG_RUNTIME_DIR"
for p in kestrum kestrum-admin kestrum-link kestrum-sim; do
    out=$("$usr/bin/$p" --version)
    [ "$out" = "$p $version" ] || fail "$p --version says '$out', not '$p $version'"
done
for p in kestrum kestrum-admin kestrum-link; do
    out=$("$usr/bin/$p" --help)
    [[ $out == "usage: $p "* ]] || fail "$p --help says: $out"
done
# A report provisions the data root, copying the language file found beside the program, and reads
# its definition from there too.
"$usr/bin/kestrum-admin" report users --installation 1 --pdf "$root/users.pdf"
[ -s "$root/users.pdf" ] || fail "no report written"
cmp -s "$usr/share/kestrum/Kestrum20_Lang.ini" "$XDG_DATA_HOME/kestrum/Kestrum20_Lang.ini" ||
    fail "the data root's language file is not the one of /usr/share/kestrum"

lintian --fail-on error "$deb"
echo "Package checked: $deb"
