#!/usr/bin/env bash
# The Debian package in build/dist (scripts/package), with the program's and debian/changelog's version,
# installed with dpkg into a throwaway root whose package database is this machine's (so the computed
# dependencies must be met): the installed program runs, the package removes cleanly, and lintian
# (when present) reports no error or warning. Usage: test_package.sh VIRELO (77: no package, skipped)
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
deb=$(ls "$src"/build/dist/virelo_*_amd64.deb) || exit 77
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
v=$(dpkg-deb -f "$deb" Version)
versions="$("$1" --version)|$(dpkg-parsechangelog -l "$src/debian/changelog" -S Version)"
[ "$versions" = "virelo $v|$v" ] || { echo "FAIL: program|debian/changelog: $versions, package: $v"; exit 1; }
mkdir -p "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/info"
cp /var/lib/dpkg/status "$root/var/lib/dpkg/status"
# The copied database lists no package's files: dpkg warns about each, so its chatter
# is shown only on failure.
dpkg_root() { dpkg --root="$root" --force-script-chrootless "$@" >"$root/dpkg.log" 2>&1 || { cat "$root/dpkg.log"; exit 1; }; }
dpkg_root -i "$deb"
for f in usr/libexec/xscreensaver/virelo usr/share/xscreensaver/config/virelo.xml \
         usr/share/man/man6/virelo.6.gz usr/share/doc/virelo/copyright usr/share/doc/virelo/changelog.gz usr/bin/virelo-wayland \
         usr/share/man/man6/virelo-wayland.6.gz; do
    [ -s "$root/$f" ] || { echo "FAIL: $f not installed"; exit 1; }
done
"$root/usr/libexec/xscreensaver/virelo" --help | grep -q '^Usage: virelo'
dpkg-deb -f "$deb" Depends | grep -q 'libx11-6' || { echo "FAIL: no computed dependency on libx11-6"; exit 1; }
dpkg-deb -f "$deb" Depends | grep -q 'libwayland-client0' || { echo "FAIL: no computed dependency on libwayland-client0"; exit 1; }
dpkg_root -r virelo
[ ! -e "$root/usr/libexec/xscreensaver/virelo" ] || { echo "FAIL: not removed"; exit 1; }
if command -v lintian >/dev/null; then
    out=$(lintian "$deb" 2>&1 | grep -E '^[EW]: ' || true)
    [ -z "$out" ] || { echo "FAIL: lintian: $out"; exit 1; }
    echo "lintian: no error or warning"
fi
echo "package installs, runs and removes: $(basename "$deb")"
