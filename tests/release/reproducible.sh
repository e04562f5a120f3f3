#!/usr/bin/env bash
# The release files (scripts/package) of the last commit, from two clean clones in different
# directories built one after the other, in time zones 26 hours apart and with other umasks:
# the same bytes, and nothing in them or packed inside them names where they were built. Then
# signed with a throwaway certificate: osslsigncode verifies both installers, their
# uninstallers and the modules inside the zip and the installers.
set -uo pipefail
head=$(git -C "$(dirname "$0")" rev-parse HEAD) && repo=$(git -C "$(dirname "$0")" rev-parse --show-toplevel) || exit 1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fails=0
check() { if "${@:2}"; then echo "ok   $1"; else echo "FAIL $1"; fails=$((fails + 1)); fi; }
package() {  # package DIR [ARGS]: scripts/package in DIR, a clone of the commit
    { [ -d "$1" ] || git clone -q "$repo" "$1"; } && git -C "$1" checkout -q "$head" &&
        (cd "$1" && scripts/package "${@:2}") >"$1.log" 2>&1 || { tail -30 "$1.log"; echo "FAIL package $1"; exit 1; }
}
unpack() {  # unpack DIR: the zip, the Debian package and both installers opened in DIR/open
    local d=$1/build/dist o=$1/open
    rm -rf "$o" && mkdir -p "$o" && unzip -q "$d/virelo-windows.zip" -d "$o/zip" && dpkg-deb -x "$d"/virelo_*.deb "$o/deb" &&
        7z x -o"$o/x64" "$d/virelo-setup-x64.exe" >/dev/null && 7z x -o"$o/x86" "$d/virelo-setup-x86.exe" >/dev/null
}
a=$work/one/virelo b=$work/second-build/src/v
(umask 022 && TZ=Pacific/Pago_Pago package "$a")
(umask 077 && TZ=Pacific/Kiritimati package "$b")
check "the same bytes: $(ls "$a/build/dist" | xargs)" diff -r "$a/build/dist" "$b/build/dist"
check "the zip, the Debian package and both installers open" unpack "$b"
paths=$(find "$b/build/dist" "$b/open" -type f -exec sh -c 'strings -a "$1"; strings -a -el "$1"' _ {} \; |
        grep -F "$work" | sort -u | head -3)  # -el: UTF-16, as in the installers
check "no file names the directory it was built in${paths:+: $paths}" [ -z "$paths" ]

openssl req -x509 -newkey rsa:2048 -nodes -subj "/CN=Virelo test" -days 2 \
    -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/test.pfx" -passout pass:throwaway
VIRELO_SIGN_PASSWORD=throwaway package "$b" --sign "$work/test.pfx"
verify() {
    unpack "$b" || return 1
    for f in "$b"/build/dist/*.exe "$b"/open/zip/*/virelo.scr "$b"/open/x*/*/virelo.scr "$b"/open/x*/uninstall.exe; do
        osslsigncode verify -CAfile "$work/cert.pem" -in "$f" >"$work/v.log" 2>&1 || { echo "$f:"; cat "$work/v.log"; return 1; }
    done
}
check "signed: both installers, their uninstallers, the modules inside them and the zip verify" verify
echo "$fails failed"
[ "$fails" -eq 0 ]
