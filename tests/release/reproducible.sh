#!/usr/bin/env bash
# The release files (scripts/package) of the last commit: two builds from clean clones in
# different directories, one after the other, in time zones 26 hours apart and with different
# umasks, give the same bytes, and nothing in them (nor packed inside them) names the
# directory they were built in. Then the second clone signs with a throwaway certificate:
# osslsigncode verifies both installers, their uninstallers and the modules inside the zip and
# the installers.
#   tests/release/reproducible.sh      (scripts/install-deps --tests first)
set -uo pipefail
head=$(git -C "$(dirname "$0")" rev-parse HEAD) || exit 1
repo=$(git -C "$(dirname "$0")" rev-parse --show-toplevel)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fails=0
check() {  # check NAME COMMAND...
    if "${@:2}"; then echo "ok   $1"; else echo "FAIL $1"; fails=$((fails + 1)); fi
}
package() {  # package DIR [scripts/package ARGS]: its output kept in DIR.log
    (cd "$1" && scripts/package "${@:2}") >"$1.log" 2>&1 || { tail -30 "$1.log"; echo "FAIL scripts/package in $1"; exit 1; }
}
a=$work/one/virelo b=$work/second-build/src/v
for dir in "$a" "$b"; do git clone -q "$repo" "$dir" && git -C "$dir" checkout -q "$head" || exit 1; done
(umask 022 && TZ=Pacific/Pago_Pago package "$a")
(umask 077 && TZ=Pacific/Kiritimati package "$b")

files=$(ls "$a/build/dist")
check "the same files: $(echo $files)" [ "$files" = "$(ls "$b/build/dist")" ]
for f in $files; do check "$f: the same bytes" cmp "$a/build/dist/$f" "$b/build/dist/$f"; done

# Each archive opened, so a path inside compressed data shows too; strings in both the
# 8-bit and the UTF-16 form (the installers' own).
unpack() {  # unpack DIST INTO
    mkdir -p "$2" && unzip -q "$1/virelo-windows.zip" -d "$2/zip" && dpkg-deb -x "$1"/virelo_*.deb "$2/deb" &&
        7z x -o"$2/x64" "$1/virelo-setup-x64.exe" >/dev/null && 7z x -o"$2/x86" "$1/virelo-setup-x86.exe" >/dev/null
}
check "the zip, the Debian package and both installers unpack" unpack "$b/build/dist" "$work/unpacked"
paths=$(find "$b/build/dist" "$work/unpacked" -type f -exec sh -c 'strings -a "$1"; strings -a -el "$1"' _ {} \; |
        grep -F -e "$work" -e "$a" -e "$b" | sort -u | head -5)
check "no file names the directory it was built in${paths:+: $paths}" [ -z "$paths" ]

openssl req -x509 -newkey rsa:2048 -nodes -subj "/CN=Virelo test" -days 2 \
    -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/test.pfx" -passout pass:throwaway
VIRELO_SIGN_PASSWORD=throwaway package "$b" --sign "$work/test.pfx"
unpack "$b/build/dist" "$work/signed" || fails=$((fails + 1))
signed() {
    local f
    for f in "$b"/build/dist/*.exe "$work"/signed/zip/*/virelo.scr "$work"/signed/x*/*/virelo.scr \
             "$work"/signed/x*/uninstall.exe; do
        osslsigncode verify -CAfile "$work/cert.pem" -in "$f" >"$work/verify.log" 2>&1 || { echo "$f:"; cat "$work/verify.log"; return 1; }
    done
}
check "signed: both installers, their uninstallers, the four modules inside them and the zip verify" signed

echo "$fails failed"
[ "$fails" -eq 0 ]
