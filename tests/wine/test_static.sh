#!/bin/bash
# A module inspected without running it: the PE header fields old loaders care about, the
# two exports, the import table, the resources, the version (version.txt, which CMake writes
# beside the module). The i686 module is the release target for every 32-bit Windows from 95
# on (every instruction checked too); the x86_64 module gets the same checks minus those.
#   test_static.sh MODULE               (exit 77 = skipped when it is not built)
#   test_static.sh --installer SETUP    the 32-bit installer: only what Windows 95 needs to
#                                       start it (PE32, version 4.0, imports)
# Every import of the i686 module must be exported by Windows 95's system DLLs, as listed in
# win95-exports.txt here; the installer's imports from the DLLs on that list must be there too.
set -u
installer=0
[ "${1:-}" = --installer ] && { installer=1; shift; }
M=${1:-build/win32/virelo.scr}
HERE=$(cd "$(dirname "$0")" && pwd)
EXPORTS_LIST=$HERE/win95-exports.txt
PASS=0
FAIL=0
ok() { PASS=$((PASS + 1)); echo "PASS: $*"; }
bad() { FAIL=$((FAIL + 1)); echo "FAIL: $*"; }
check_eq() { if [ "$2" = "$3" ]; then ok "$1 ($2)"; else bad "$1: got '$2', expected '$3'"; fi; }
if [ ! -f "$M" ]; then
    echo "SKIP: $M not built (cmake --preset win32 && cmake --build build/win32, or scripts/package)"
    exit 77
fi
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
x86_64-w64-mingw32-objdump -p "$M" >"$TMP/p.txt" 2>&1
hdr() { awk -v k="$1" '$1 == k { print $2; exit }' "$TMP/p.txt"; }

format=$(awk '/file format/ { print $NF; exit }' "$TMP/p.txt")
case "$format" in
pei-i386) w9x=1; magic=010b ;;
pei-x86-64) w9x=0; magic=020b ;;
*) bad "file format $format, expected pei-i386 or pei-x86-64"; echo "test_static: $PASS passed, $FAIL failed"; exit 1 ;;
esac
echo "module $M ($format)"
check_eq "optional header magic" "$(hdr Magic)" $magic
check_eq "subsystem (Windows GUI)" "$(hdr Subsystem)" 00000002
[ $installer = 1 ] && [ $w9x = 0 ] && bad "the installer for every 32-bit Windows is not PE32"
if [ $installer = 0 ]; then
check_eq "file alignment" "$(hdr FileAlignment)" 00000200
tls=$(awk '/Thread Storage Directory/ { print $3 $4; exit }' "$TMP/p.txt")
check_eq "no TLS directory (9x runs no TLS callbacks; nothing here needs them)" "$((16#${tls:-1}))" 0
grep -q '^	symbols stripped' "$TMP/p.txt" && ok "symbols stripped" || bad "the symbol table is still there"
fi
if [ $w9x = 1 ]; then
    check_eq "subsystem version" "$(hdr MajorSubsystemVersion).$(hdr MinorSubsystemVersion)" 4.0
    check_eq "OS version" "$(hdr MajorOSystemVersion).$(hdr MinorOSystemVersion)" 4.0
fi
if [ $w9x = 1 ] && [ $installer = 0 ]; then
    dllch=$((16#$(hdr DllCharacteristics)))
    check_eq "no DYNAMIC_BASE or NX_COMPAT flag (DllCharacteristics & 0x140)" $((dllch & 0x140)) 0
    # Never moved: no relocation table, and the header says so (a loader then cannot misuse it).
    relocs=$(awk '/Base Relocation Directory/ { print $4; exit }' "$TMP/p.txt")
    check_eq "relocation table size / IMAGE_FILE_RELOCS_STRIPPED" "$((16#${relocs:-1}))/$(($(hdr Characteristics) & 1))" 0/1
    # Every instruction must exist on an 80386 without coprocessor: the rest is counted by the
    # processor that brought it, or as "other". ud2 is a deliberate trap; "(bad)" is the -1
    # word opening each constructor list, which ld puts at the end of .text.
    cpu=$(i686-w64-mingw32-objdump -d --no-show-raw-insn "$M" | awk -F'\t' '
        NF < 2 || $1 !~ /^ *[0-9a-f]+:$/ { next }
        { n = split($2, w, " "); i = 1
          while (i < n && w[i] ~ /^(rep[a-z]*|lock|data(16|32)|addr(16|32)|[c-gs]s|notrack|bnd)$/) i++
          m = w[i]; ops = substr($2, index($2, m) + length(m)) }
        m ~ /^(cmov|fcmov|fcomi|fucomi|rdpmc|sysenter|sysexit)/ || m ~ /^nop/ && ops ~ /[^ ]/ { f["pentiumpro"]++; u[m] = 1; next }
        m ~ /^(cpuid|rdtsc|rdmsr|wrmsr|cmpxchg8b|rsm)$/ { f["pentium"]++; u[m] = 1; next }
        m ~ /^(bswap|cmpxchg|xadd)[bwl]?$|^(invd|wbinvd|invlpg)$/ { f["486"]++; u[m] = 1; next }
        ops ~ /%[xyz]?mm[0-9]|%k[0-7]/ || m ~ /^(emms|femms|fxsave|fxrstor|[lms]fence|[ls]tmxcsr|clflush|prefetch|movnti|xsave|xrstor|vzero)/ { f["mmx/sse/avx"]++; u[m] = 1; next }
        m ~ /^f/ { f["x87"]++; u[m] = 1; next }
        m !~ /^(aa[adms]|adc|add|and|arpl|bound|bs[fr]|bt[crs]?|l?call|cbtw|cwtl|cwtd|cltd|cl[cdi]|clts|cmc|cmps?|da[as]|dec|div|enter|hlt|idiv|imul|inc?|ins|int3?|into|iret|j[a-z]+|ljmp|lahf|lar|l[defgs]s|lea|leave|l[gil]dt|lmsw|lods|loopn?[ez]?|lsl|ltr|movs?|movs[bw][wl]|movz[bw][wl]|mul|neg|nop|not|or|outs?|pop|popa|popf|push|pusha|pushf|rc[lr]|ro[lr]|l?ret|sahf|sa[lr]|sbb|scas|set[a-z]+|s[gil]dt|sh[lr]d?|smsw|st[cdi]|stos|str|sub|test|ver[rw]|xchg|xlat|xor|ud2)[bwl]?$|^\(bad\)$/ { f["other"]++; u[m] = 1 }
        END { for (k in f) printf "%s %d, ", k, f[k]; if (length(u)) { printf "(" ; for (k in u) printf " %s", k; printf " )" } }')
    check_eq "instructions the 80386 lacks, by family" "$cpu" ""
fi

if [ $installer = 0 ]; then
exports=$(awk '/\[Ordinal\/Name Pointer\] Table/ { on = 1; next } on && /^\t\[/ { print $NF; next } on { on = 0 }' "$TMP/p.txt" | sort | tr '\n' ' ')
check_eq "exported names" "$exports" "ScreenSaverConfigureDialog ScreenSaverProc "

fi

# Imports as "DLL function" lines; an import by ordinal has no name and shows as "DLL #".
awk '/DLL Name:/ { d = tolower($3); next }
     d != "" && /^\t[0-9a-f]+\t/ { print d, (NF >= 3 ? $3 : "#"); next }
     /^$/ { d = "" }' "$TMP/p.txt" | sort -u >"$TMP/imports.txt"
echo "imports by DLL: $(awk '{ n[toupper($1)]++ } END { for (d in n) printf "%s %d, ", d, n[d] }' "$TMP/imports.txt")"
if [ $installer = 0 ]; then
check_eq "DLLs imported from" "$(awk '{ print toupper($1) }' "$TMP/imports.txt" | sort -u | tr '\n' ' ')" \
    "ADVAPI32.DLL COMCTL32.DLL GDI32.DLL KERNEL32.DLL USER32.DLL "
check_eq "imports by ordinal" "$(awk '$2 == "#"' "$TMP/imports.txt" | wc -l)" 0
check_eq "from COMCTL32, only InitCommonControls (comctl32 4.00 has no more)" \
    "$(awk '$1 == "comctl32.dll" { print $2 }' "$TMP/imports.txt" | tr '\n' ' ')" "InitCommonControls "
fi
if [ $w9x = 1 ]; then
    if [ -f "$EXPORTS_LIST" ]; then
        # The installer may use DLLs the list does not cover (shell32, ole32): those pass,
        # but not msvcrt.dll, which the list leaves out because Windows 95 lacks it.
        missing=$(grep -v '^#' "$EXPORTS_LIST" | tr 'A-Z' 'a-z' | awk -v all=$((1 - installer)) '
            BEGIN { listed["msvcrt.dll"] = 1 }
            NR == FNR { have[$1 " " $2] = 1; listed[$1] = 1; next }
            (all || listed[$1]) && !have[$1 " " tolower($2)] { printf "%s ", $0 }' - "$TMP/imports.txt")
        check_eq "imports that Windows 95 does not export" "$missing" ""
    else
        bad "list of Windows 95 exports not found at $EXPORTS_LIST"
    fi
fi

# Resources: windres turns the .rsrc section back into a resource script.
if [ $installer = 1 ]; then
    :
elif x86_64-w64-mingw32-windres -i "$M" -O rc -o "$TMP/r.rc" 2>"$TMP/windres.err"; then
    grep -Eq '^101 (BITMAP|2 )' "$TMP/r.rc" && ok "bitmap 101" || bad "bitmap 101 missing"
    grep -Eq '^103 (BITMAP|2 )' "$TMP/r.rc" && ok "bitmap 103" || bad "bitmap 103 missing"
    grep -Eq '^2003 DIALOG' "$TMP/r.rc" && ok "dialog 2003" || bad "dialog 2003 missing"
    grep -Eq '^100 (GROUP_ICON|14 )' "$TMP/r.rc" && ok "icon group 100" || bad "icon group 100 missing"
    for s in 1 1002 1007 1009; do
        grep -Eq "^ *$s," "$TMP/r.rc" && ok "string $s" || bad "string $s missing"
    done
    v=$(cat "$(dirname "$M")/version.txt" 2>/dev/null)
    check_eq "both version records and the manifest carry version.txt's ${v:-(missing)}" \
        "$({ grep -Eo '(FILE|PRODUCT)VERSION .*' "$TMP/r.rc" | tr -d ' '
             grep -o 'Virelo.ScreenSaver"" version=""[^"]*' "$TMP/r.rc" | sed 's/.*""/manifest /'; } | LC_ALL=C sort -u | tr '\n' ' ')" \
        "FILEVERSION${v//./,} PRODUCTVERSION${v//./,} manifest $v "
    langs=$(grep -E '^LANGUAGE' "$TMP/r.rc" | sort -u | tr '\n' ';')
    check_eq "resource languages: neutral (the manifest), Japanese, English (US)" "$langs" \
        "LANGUAGE 0, 0;LANGUAGE 17, 1;LANGUAGE 9, 1;"
    grep -q '"Virelo"' "$TMP/r.rc" && ok "string 1 is \"Virelo\"" || bad "string \"Virelo\" not found"
else
    bad "windres could not read the resources: $(head -3 "$TMP/windres.err")"
fi

echo "test_static: $PASS passed, $FAIL failed"
[ "$FAIL" -eq 0 ]
