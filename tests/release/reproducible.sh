#!/usr/bin/env bash
# The release files of the last commit from two clean clones in other folders, built one after the
# other in time zones 26 hours apart with other umasks: the same bytes, none names its folder (inside
# its archive either). Signed with a throwaway certificate, every Windows executable in them verifies.
set -uo pipefail
head=$(git -C "$(dirname "$0")" rev-parse HEAD) && repo=$(git -C "$(dirname "$0")" rev-parse --show-toplevel) || exit 1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fails=0
check() { if "${@:2}"; then echo "ok   $1"; else echo "FAIL $1"; fails=$((fails + 1)); fi; }
package() {  # package DIR [ARGS]: scripts/package in DIR, a clone of the commit; its files opened in DIR/open
    local d=$1/build/dist o=$1/open
    { [ -d "$1" ] || git clone -q "$repo" "$1"; } && git -C "$1" checkout -q "$head" &&
        (cd "$1" && scripts/package "${@:2}") >"$1.log" 2>&1 || { tail -30 "$1.log"; echo "FAIL package $1"; exit 1; }
    rm -rf "$o" && mkdir -p "$o" && unzip -q "$d/virelo-windows.zip" -d "$o/zip" && dpkg-deb -x "$d"/virelo_*.deb "$o/deb" &&
        7z x -o"$o/x64" "$d/virelo-setup-x64.exe" >/dev/null && 7z x -o"$o/x86" "$d/virelo-setup-x86.exe" >/dev/null || exit 1
}
a=$work/one/virelo b=$work/second-build/src/v
(umask 022 && TZ=Pacific/Pago_Pago package "$a")
(umask 077 && TZ=Pacific/Kiritimati package "$b")
check "the same bytes: $(ls "$a/build/dist" | xargs)" diff -r "$a/build/dist" "$b/build/dist"
paths=$(find "$b/build/dist" "$b/open" -type f -exec sh -c 'strings -a "$1"; strings -a -el "$1"' _ {} \; |
        grep -F "$work" | sort -u | head -3)  # -el: UTF-16, as in the installers
check "no file names the folder it was built in${paths:+: $paths}" [ -z "$paths" ]

openssl req -x509 -newkey rsa:2048 -nodes -subj "/CN=Virelo test" -days 2 -keyout "$work/k.pem" -out "$work/c.pem" 2>/dev/null &&
    openssl pkcs12 -export -inkey "$work/k.pem" -in "$work/c.pem" -out "$work/t.pfx" -passout pass:throwaway || exit 1
VIRELO_SIGN_PASSWORD=throwaway package "$b" --sign "$work/t.pfx"
verify() { osslsigncode verify -CAfile "$work/c.pem" -in "$1" >"$work/v.log" 2>&1 || { cat "$work/v.log"; false; }; }
for f in "$b"/build/dist/*.exe "$b"/open/zip/*/virelo.scr "$b"/open/x*/*/virelo.scr "$b"/open/x*/uninstall.exe; do
    check "signed: ${f#"$b"/} verifies" verify "$f"
done
echo "$fails failed"
[ "$fails" -eq 0 ]
