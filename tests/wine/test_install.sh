#!/bin/bash
# The 64-bit installer, silent, end to end: what it puts where, that the installed module
# runs from there, and that the uninstaller takes it all back, the previous saver included.
#   test_install.sh MODULE [HELPER_DIR] [SETUP]   (SETUP defaults to build/dist/virelo-setup-x64.exe;
#                                                   exit 77 = skipped when it is not built)
SETUP=${3:-$(cd "$(dirname "$0")/../.." && pwd)/build/dist/virelo-setup-x64.exe}
if [ ! -f "$SETUP" ]; then echo "SKIP: $SETUP not built (scripts/package)"; exit 77; fi
. "$(dirname "$0")/lib.sh"
wt_init "$1" "${2:-}" --wm

SYS=$WINEPREFIX/drive_c/windows/system32
INSTALLED='C:\windows\system32\virelo.scr'
UNINST_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Virelo'
PREVIOUS='C:\windows\system32\previous.scr'
setup() { timeout 120 wine "$SETUP" /S >>"$WT_ARTIFACTS/$WT_NAME-wine.log" 2>&1; }
# The uninstaller copies itself away and returns at once: wait for its work instead.
uninstall() {
    local cmd i
    cmd=$(reg_sz "$UNINST_KEY" QuietUninstallString)
    [ -n "$cmd" ] || return 1
    # shellcheck disable=SC2086  # the recorded command: quoted path plus /S
    eval "timeout 60 wine $cmd" >>"$WT_ARTIFACTS/$WT_NAME-wine.log" 2>&1
    for i in $(seq 1 60); do
        [ -z "$(reg_sz "$UNINST_KEY" DisplayName)" ] && [ ! -f "$SYS/virelo.scr" ] && return 0
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
check_eq "uninstall entry: name, version, publisher, icon" \
    "$(reg_sz "$UNINST_KEY" DisplayName)|$(reg_sz "$UNINST_KEY" DisplayVersion)|$(reg_sz "$UNINST_KEY" Publisher)|$(reg_sz "$UNINST_KEY" DisplayIcon)" \
    "Virelo|1.2.0.1|The Virelo developers|$INSTALLED,0"

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

# A saver chosen after the install is the user's: the uninstaller leaves it.
setup
reg_add "$DESKTOP_KEY" SCRNSAVE.EXE REG_SZ 'C:\other.scr'
uninstall
check_eq "after install, another choice, uninstall: module / entry / saver" \
    "$([ -f "$SYS/virelo.scr" ] && echo present || echo gone)/$(reg_sz "$UNINST_KEY" DisplayName)/$(reg_sz "$DESKTOP_KEY" SCRNSAVE.EXE)" \
    'gone//C:\other.scr'

reg_del_value "$DESKTOP_KEY" SCRNSAVE.EXE
reg_del_value "$DESKTOP_KEY" ScreenSaveActive
wt_finish
