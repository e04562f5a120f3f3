#!/bin/bash
# The 64-bit installer, silent, end to end: what it puts where, that the installed module
# runs from there, and that the uninstaller takes it all back, the previous saver included.
# Then a table of sequences, with the x86 script built for Wine too (TEST_X86, 64-bit, NT and 9x).
#   test_install.sh MODULE [HELPER_DIR] [SETUP]   (SETUP defaults to build/dist/virelo-setup-x64.exe;
#                                                   exit 77 = skipped when it is not built)
SETUP=${3:-$(cd "$(dirname "$0")/../.." && pwd)/build/dist/virelo-setup-x64.exe}
if [ ! -f "$SETUP" ]; then echo "SKIP: $SETUP not built (scripts/package)"; exit 77; fi
. "$(dirname "$0")/lib.sh"
wt_init "$1" "${2:-}" --wm

SYS=$WINEPREFIX/drive_c/windows/system32
WOW=$WINEPREFIX/drive_c/windows/syswow64
INI=$WINEPREFIX/drive_c/windows/system.ini
INSTALLED='C:\windows\system32\virelo.scr'
UNINST_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Virelo'
UNINST_KEY32='HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\Virelo'
PREVIOUS='C:\windows\system32\previous.scr'
VERSION=$(cat "$(dirname "$MODULE")/version.txt")
setup() { timeout 120 wine "${1:-$SETUP}" /S >>"$WT_ARTIFACTS/$WT_NAME-wine.log" 2>&1; }
# The uninstaller copies itself away and returns at once: wait for its work instead.
uninstall() {  # [UNINSTALL_KEY MODULE_FILE]
    local key=${1:-$UNINST_KEY} file=${2:-$SYS/virelo.scr} cmd i
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

reg_add "$DESKTOP_KEY" SCRNSAVE.EXE REG_SZ "$PREVIOUS"
reg_add "$DESKTOP_KEY" ScreenSaveActive REG_SZ 0
setup
check_eq "silent install: exit code" "$?" 0
check_true "the installed module is the x86_64 build, byte for byte" "$SYS/virelo.scr vs $MODULE" \
    cmp -s "$SYS/virelo.scr" "$MODULE"
check_eq "the current saver is the installed module, switched on" "$(saver)" "$INSTALLED|1"
check_eq "uninstall entry: name, version (version.txt), publisher, icon" \
    "$(reg_sz "$UNINST_KEY" DisplayName)|$(reg_sz "$UNINST_KEY" DisplayVersion)|$(reg_sz "$UNINST_KEY" Publisher)|$(reg_sz "$UNINST_KEY" DisplayIcon)" \
    "Virelo (64-bit)|${VERSION:-(no version.txt)}|The Virelo developers|$INSTALLED,0"

# Started the way Windows starts the current saver: from its recorded path.
scr_start_module "$INSTALLED" /s
if saver_window_wait 15; then
    sleep 1
    xdotool key a
    proc_wait "$SCR_PID" 10
    check_eq "the installed module runs full screen and a key ends it (exit code)" "$EXIT_CODE" 0
else
    wt_fail "the installed module showed no full-screen window within 15 s"
fi
no_saver_left

check_true "silent uninstall ends with the module and the entry gone" "still there after 30 s" uninstall
check_eq "the previous saver is back, as it was" "$(saver)" "$PREVIOUS|0"

for f in nt 9x; do makensis -V1 -DARCH=x86 -DTEST_X86=$f -DVERSION="$VERSION" -DMODULE="$MODULE" -DOUTFILE="$WT_TMP/setup-$f.exe" \
    "$(dirname "$0")/../../resources/installer/virelo.nsi" || wt_fail "makensis -DTEST_X86=$f"; done
# 95/98 keep the chosen saver in system.ini; Wine's has no [boot], so ours stays the last section.
ini_pick() { sed -i '/^\[boot\]/,$d' "$INI"; printf '[boot]\r\nSCRNSAVE.EXE=%s\r\n' "$1" >>"$INI"; }
state() { printf ' %s,%s,%s' "$(reg_sz "$DESKTOP_KEY" SCRNSAVE.EXE)" "$(reg_sz "$DESKTOP_KEY" ScreenSaveActive)" "$(sed -n 's/^SCRNSAVE\.EXE=//Ip' "$INI" | tr -d '\r')" |
        sed 's/[^ ,]*\\system32\\virelo\.scr/V64/Ig; s/[^ ,]*\\syswow64\\virelo\.scr/V86/Ig; s/[^ ,]*previous\.scr/P/Ig; s/[^ ,]*other\.scr/O/Ig; s/ ,/ -,/; s/,$/,-/'; }
# i64/u64: the x64 installer, its uninstaller; i86/u86: the x86 one on 64-bit Windows, i9x/u9x on
# 95/98; pick/ipick: the user picks another saver (registry/system.ini); list: the names in the
# programs list (64-bit+32-bit entry, blanks dropped). From saver P, off, each row lists the state
# after each step (registry saver, ScreenSaveActive, system.ini); then nothing is left.
while IFS='|' read -r steps want <&3; do
    reg_add "$DESKTOP_KEY" SCRNSAVE.EXE REG_SZ "$PREVIOUS" && reg_add "$DESKTOP_KEY" ScreenSaveActive REG_SZ 0
    ini_pick 'C:\WINDOWS\SYSTEM\PREVIOUS.SCR'
    got=$(for s in $steps; do
        case $s in
        i64) setup ;; i86) setup "$WT_TMP/setup-nt.exe" ;; i9x) setup "$WT_TMP/setup-9x.exe" ;;
        u64) uninstall ;; u86 | u9x) uninstall "$UNINST_KEY32" "$WOW/virelo.scr" ;;
        pick) reg_add "$DESKTOP_KEY" SCRNSAVE.EXE REG_SZ 'C:\other.scr' ;; ipick) ini_pick 'C:\OTHER.SCR' ;;
        list) printf ' %s' "$(echo "$(reg_sz "$UNINST_KEY" DisplayName)+$(reg_sz "$UNINST_KEY32" DisplayName)" | tr -d ' ')"; continue ;;
        esac
        state
    done)
    left=$(ls "$SYS/virelo.scr" "$WOW/virelo.scr" 2>/dev/null; reg_sz "$UNINST_KEY" DisplayName
           reg_sz "$UNINST_KEY32" DisplayName; timeout 30 wine reg query 'HKCU\Software\Virelo' 2>/dev/null | grep -i virelo)
    check_eq "$steps" "${got# }${left:+ left: $left}" "$want"
done 3<<'EOF'
i64 i64 u64|V64,1,P V64,1,P P,0,P
i64 pick u64|V64,1,P O,1,P O,1,P
i64 i86 u64 u86|V64,1,P V86,1,P V86,1,P P,0,P
i86 i64 list u86 u64|V86,1,P V64,1,P Virelo(64-bit)+Virelo(32-bit) V64,1,P P,0,P
i64 i86 u86 u64|V64,1,P V86,1,P V64,1,P P,0,P
i86 i64 u64 u86|V86,1,P V64,1,P V86,1,P P,0,P
i9x i9x u9x|P,1,V86 P,1,V86 P,0,P
i9x ipick u9x|P,1,V86 P,1,O P,1,O
EOF

reg_del_value "$DESKTOP_KEY" SCRNSAVE.EXE
reg_del_value "$DESKTOP_KEY" ScreenSaveActive
wt_finish
