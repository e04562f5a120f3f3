#!/bin/bash
# The installer of the module's own architecture, silent, end to end: what it puts where,
# that the installed module runs from there, and that the uninstaller takes it all back, the
# previous saver included. The i686 module's runs on the Wine with both halves: on 64-bit
# Windows (the WoW64 prefix), also in a table of sequences beside the x64 installer, and on
# a 32-bit Windows (a prefix of its own). NSIS sees Windows NT under any Windows version Wine
# reports, so the 95/98 rows take a build of the x86 installer whose family is fixed to 9x.
#   test_install.sh MODULE [HELPER_DIR]   (the installers from build/dist, made by
#                                          scripts/package; exit 77 = skipped when not built)
. "$(dirname "$0")/lib.sh"
SETUP64=$WT_DIR/../../build/dist/virelo-setup-x64.exe
SETUP86=$WT_DIR/../../build/dist/virelo-setup-x86.exe
for f in "$SETUP64" "$SETUP86"; do
    [ -f "$f" ] || { echo "SKIP: $f not built (scripts/package)"; exit 77; }
done
wt_init "$1" "${2:-}" --wm

UNINST_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Virelo'
UNINST_KEY32='HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\Virelo'
PREVIOUS='C:\windows\system32\previous.scr'
VERSION=$(cat "$(dirname "$MODULE")/version.txt")
# The folder each installer's module goes to in this prefix, and its uninstall key.
D64=system32 D86=syswow64 K64=$UNINST_KEY K86=$UNINST_KEY32
setup() { timeout 120 wine "$1" /S >>"$WT_ARTIFACTS/$WT_NAME-wine.log" 2>&1; }
# The uninstaller copies itself away and returns at once: wait for its work instead.
uninstall() {  # UNINSTALL_KEY FOLDER
    local key=$1 file=$WINEPREFIX/drive_c/windows/$2/virelo.scr cmd i
    cmd=$(reg_sz "$key" QuietUninstallString)
    [ -n "$cmd" ] || return 1
    # shellcheck disable=SC2086  # the recorded command: quoted path plus /S
    eval "timeout 60 wine $cmd" >>"$WT_ARTIFACTS/$WT_NAME-wine.log" 2>&1
    for i in $(seq 1 60); do
        [ -z "$(reg_sz "$key" DisplayName)" ] && [ ! -f "$file" ] && return 0
        sleep 0.5
    done
    return 1
}
saver() { echo "$(reg_sz "$DESKTOP_KEY" SCRNSAVE.EXE)|$(reg_sz "$DESKTOP_KEY" ScreenSaveActive)"; }

# end_to_end SETUP FOLDER KEY BITS: install, start the installed module the way Windows starts
# the current saver (from its recorded path), uninstall; FOLDER as the installer spells it
end_to_end() {
    local installed="C:\\windows\\$2\\virelo.scr"
    set -- "$1" "${2,,}" "$3" "$4"
    reg_add "$DESKTOP_KEY" SCRNSAVE.EXE REG_SZ "$PREVIOUS"
    reg_add "$DESKTOP_KEY" ScreenSaveActive REG_SZ 0
    setup "$1"
    check_eq "silent install: exit code" "$?" 0
    check_true "the module in $2 is the $WT_ARCH build, byte for byte" "vs $MODULE" \
        cmp -s "$WINEPREFIX/drive_c/windows/$2/virelo.scr" "$MODULE"
    check_eq "the current saver is the installed module, switched on" "$(saver)" "$installed|1"
    check_eq "uninstall entry: name, version (version.txt), publisher, icon" \
        "$(reg_sz "$3" DisplayName)|$(reg_sz "$3" DisplayVersion)|$(reg_sz "$3" Publisher)|$(reg_sz "$3" DisplayIcon)" \
        "Virelo ($4)|${VERSION:-(no version.txt)}|The Virelo developers|$installed,0"
    scr_start_module "$installed" /s
    if saver_window_wait 20; then
        sleep 1
        xdotool key a
        proc_wait "$SCR_PID" 10
        check_eq "the installed module runs full screen and a key ends it (exit code)" "$EXIT_CODE" 0
    else
        wt_fail "the installed module showed no full-screen window within 20 s"
    fi
    no_saver_left
    check_true "silent uninstall ends with the module and the entry gone" "still there after 30 s" uninstall "$3" "$2"
    check_eq "the previous saver is back, as it was" "$(saver)" "$PREVIOUS|0"
}

# 95/98 keep the chosen saver in system.ini; Wine's has no [boot], so ours stays the last section.
ini_pick() {
    sed -i '/^\[boot\]/,$d' "$WINEPREFIX/drive_c/windows/system.ini"
    printf '[boot]\r\nSCRNSAVE.EXE=%s\r\n' "$1" >>"$WINEPREFIX/drive_c/windows/system.ini"
}
state() {
    printf ' %s,%s,%s' "$(reg_sz "$DESKTOP_KEY" SCRNSAVE.EXE)" "$(reg_sz "$DESKTOP_KEY" ScreenSaveActive)" \
        "$(sed -n 's/^SCRNSAVE\.EXE=//Ip' "$WINEPREFIX/drive_c/windows/system.ini" | tr -d '\r')" |
        sed "s/[^ ,]*\\\\$D86\\\\virelo\\.scr/V86/Ig; s/[^ ,]*\\\\$D64\\\\virelo\\.scr/V64/Ig
             s/[^ ,]*previous\\.scr/P/Ig; s/[^ ,]*other\\.scr/O/Ig; s/ ,/ -,/; s/,\$/,-/"
}
# table, rows on stdin: i64/u64: the x64 installer, its uninstaller; i86/u86: the x86 one on
# NT, i9x/u9x on 95/98; pick/ipick: the user picks another saver (registry/system.ini); list:
# the names in the programs list (64-bit+32-bit entry, blanks dropped). From saver P, off,
# each row lists the state after each step (registry saver, ScreenSaveActive, system.ini);
# then nothing is left.
table() {
    local steps want got left s
    while IFS='|' read -r steps want; do
        reg_add "$DESKTOP_KEY" SCRNSAVE.EXE REG_SZ "$PREVIOUS" && reg_add "$DESKTOP_KEY" ScreenSaveActive REG_SZ 0
        ini_pick 'C:\WINDOWS\SYSTEM\PREVIOUS.SCR'
        got=$(for s in $steps; do
            case $s in
            i64) setup "$SETUP64" ;; i86) setup "$SETUP86" ;; i9x) setup "$WT_TMP/setup-9x.exe" ;;
            u64) uninstall "$K64" "$D64" ;; u86 | u9x) uninstall "$K86" "$D86" ;;
            pick) reg_add "$DESKTOP_KEY" SCRNSAVE.EXE REG_SZ 'C:\other.scr' ;; ipick) ini_pick 'C:\OTHER.SCR' ;;
            list) printf ' %s' "$(echo "$(reg_sz "$UNINST_KEY" DisplayName)+$(reg_sz "$UNINST_KEY32" DisplayName)" | tr -d ' ')"; continue ;;
            esac
            state
        done)
        left=$(ls "$WINEPREFIX"/drive_c/windows/{system32,syswow64}/virelo.scr 2>/dev/null; reg_sz "$UNINST_KEY" DisplayName
               reg_sz "$UNINST_KEY32" DisplayName; timeout 30 wine reg query 'HKCU\Software\Virelo' 2>/dev/null | grep -i virelo)
        check_eq "$steps" "${got# }${left:+ left: $left}" "$want"
    done
    reg_del_value "$DESKTOP_KEY" SCRNSAVE.EXE
    reg_del_value "$DESKTOP_KEY" ScreenSaveActive
}

if [ "$WT_ARCH" = x86_64 ]; then
    end_to_end "$SETUP64" system32 "$UNINST_KEY" 64-bit
else
    WT_CASE="64-bit Windows"
    makensis -V1 -DARCH=x86 -DTEST_FAMILY=9x -DVERSION="$VERSION" -DMODULE="$MODULE" -DOUTFILE="$WT_TMP/setup-9x.exe" \
        "$WT_DIR/../../resources/installer/virelo.nsi" || wt_fail "makensis -DTEST_FAMILY=9x"
    end_to_end "$SETUP86" SysWOW64 "$UNINST_KEY32" 32-bit
    table <<'EOF'
i64 i64 u64|V64,1,P V64,1,P P,0,P
i64 pick u64|V64,1,P O,1,P O,1,P
i64 i86 u64 u86|V64,1,P V86,1,P V86,1,P P,0,P
i86 i64 list u86 u64|V86,1,P V64,1,P Virelo(64-bit)+Virelo(32-bit) V64,1,P P,0,P
i64 i86 u86 u64|V64,1,P V86,1,P V64,1,P P,0,P
i86 i64 u64 u86|V86,1,P V64,1,P V86,1,P P,0,P
i9x i9x u9x|P,1,V86 P,1,V86 P,0,P
i9x ipick u9x|P,1,V86 P,1,O P,1,O
EOF
    # A 32-bit Windows: no WoW64, the x86 installer's module in System32 and its entry in the
    # one registry view there is.
    WT_CASE="32-bit Windows"
    prefix_win32 || exit 1
    D86=system32 K86=$UNINST_KEY D64=none
    end_to_end "$SETUP86" system32 "$UNINST_KEY" 32-bit
    table <<'EOF'
i86 i86 u86|V86,1,P V86,1,P P,0,P
i86 pick u86|V86,1,P O,1,P O,1,P
i9x i9x u9x|P,1,V86 P,1,V86 P,0,P
i9x ipick u9x|P,1,V86 P,1,O P,1,O
EOF
fi
wt_finish
