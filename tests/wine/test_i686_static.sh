#!/bin/bash
# The i686 release module, inspected without running it: PE32 for i386, the two exports,
# only system DLLs imported, and the resources with language 0x0411.
#   test_i686_static.sh [build/win32/virelo.scr]     (exit 77 = skipped when it is not built)
set -u
M=${1:-build/win32/virelo.scr}
PASS=0
FAIL=0
ok() { PASS=$((PASS + 1)); echo "PASS: $*"; }
bad() { FAIL=$((FAIL + 1)); echo "FAIL: $*"; }
check_eq() { if [ "$2" = "$3" ]; then ok "$1 ($2)"; else bad "$1: got '$2', expected '$3'"; fi; }
if [ ! -f "$M" ]; then
    echo "SKIP: $M not built (cmake --preset win32 && cmake --build build/win32)"
    exit 77
fi
OBJDUMP=i686-w64-mingw32-objdump
command -v "$OBJDUMP" >/dev/null || OBJDUMP=x86_64-w64-mingw32-objdump
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
$OBJDUMP -p "$M" >"$TMP/p.txt" 2>&1

check_eq "file format" "$(awk '/file format/ { print $NF; exit }' "$TMP/p.txt")" pei-i386
check_eq "machine" "$(awk '$1 == "Magic" { print $2; exit }' "$TMP/p.txt")" 010b
check_eq "subsystem (Windows GUI)" "$(awk '$1 == "Subsystem" { print $2; exit }' "$TMP/p.txt")" 00000002
check_eq "subsystem version" "$(awk '$1 == "MajorSubsystemVersion" { a = $2 } $1 == "MinorSubsystemVersion" { b = $2 } END { print a "." b }' "$TMP/p.txt")" 4.0

exports=$(awk '/\[Ordinal\/Name Pointer\] Table/ { on = 1; next } on && /^\t\[/ { print $NF; next } on { on = 0 }' "$TMP/p.txt" | sort | tr '\n' ' ')
check_eq "exported names" "$exports" "ScreenSaverConfigureDialog ScreenSaverProc "

dlls=$(awk '/DLL Name:/ { print toupper($3) }' "$TMP/p.txt" | sort -u | tr '\n' ' ')
echo "imported DLLs: $dlls"
allowed=" KERNEL32.DLL USER32.DLL GDI32.DLL ADVAPI32.DLL COMCTL32.DLL MSVCRT.DLL "
for d in $dlls; do
    case "$allowed" in
    *" $d "*) ok "imports system DLL $d" ;;
    *) bad "imports $d, expected only system DLLs ($allowed)" ;;
    esac
done
for d in KERNEL32.DLL USER32.DLL GDI32.DLL ADVAPI32.DLL; do
    case " $dlls" in *" $d "*) ok "imports $d" ;; *) bad "does not import $d, expected it" ;; esac
done
for bad_dll in LIBSTDC++-6.DLL LIBGCC_S_DW2-1.DLL LIBGCC_S_SJLJ-1.DLL LIBWINPTHREAD-1.DLL; do
    case " $dlls" in *" $bad_dll "*) bad "imports $bad_dll (runtime not linked in)" ;; esac
done

# Resources: windres turns the .rsrc section back into a resource script.
if x86_64-w64-mingw32-windres -i "$M" -O rc -o "$TMP/r.rc" 2>"$TMP/windres.err"; then
    grep -Eq '^101 (BITMAP|2 )' "$TMP/r.rc" && ok "bitmap 101" || bad "bitmap 101 missing"
    grep -Eq '^103 (BITMAP|2 )' "$TMP/r.rc" && ok "bitmap 103" || bad "bitmap 103 missing"
    grep -Eq '^2003 DIALOG' "$TMP/r.rc" && ok "dialog 2003" || bad "dialog 2003 missing"
    grep -Eq '^100 (GROUP_ICON|14 )' "$TMP/r.rc" && ok "icon group 100" || bad "icon group 100 missing"
    for s in 1 1002 1007 1009; do
        grep -Eq "^ *$s," "$TMP/r.rc" && ok "string $s" || bad "string $s missing"
    done
    grep -Eq 'FILEVERSION 1, *2, *0, *1' "$TMP/r.rc" && ok "version 1.2.0.1" || bad "FILEVERSION 1,2,0,1 missing ($(grep -m1 FILEVERSION "$TMP/r.rc"))"
    langs=$(grep -E '^LANGUAGE' "$TMP/r.rc" | sort -u | tr '\n' ';')
    check_eq "every resource in language 0x0411 (Japanese)" "$langs" "LANGUAGE 17, 1;"
    grep -q '"Virelo"' "$TMP/r.rc" && ok "string 1 is \"Virelo\"" || bad "string \"Virelo\" not found"
else
    bad "windres could not read the resources: $(head -3 "$TMP/windres.err")"
fi

echo "test_i686_static: $PASS passed, $FAIL failed"
[ "$FAIL" -eq 0 ]
