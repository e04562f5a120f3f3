#!/bin/bash
# The password gate of the Windows 95/98 family. Wine reports 95/98 to the module through
# AppDefaults\virelo.scr\Version = win98; our PASSWORD.CPL test double sits beside a copy of
# the module (never beside the real one), answers from pwscript.txt and logs every call
# with its GetTickCount time to pwlog.txt.
#   test_password.sh MODULE [HELPER_DIR]
# The i686 module runs in a 32-bit prefix, as on the 32-bit Windows that has the gate.
. "$(dirname "$0")/lib.sh"
wt_init "$@" --wm
[ "$WT_ARCH" = i686 ] && { prefix_win32 || exit 1; }

APPDEF='HKCU\Software\Wine\AppDefaults\virelo.scr'
[ -f "$HELPERS/pwtest/PASSWORD.CPL" ] || { wt_fail "test double $HELPERS/pwtest/PASSWORD.CPL missing"; wt_finish; }
PW=$WT_TMP/pw
mkdir -p "$PW"
cp "$HELPERS/pwtest/PASSWORD.CPL" "$PW/PASSWORD.CPL"
cp "$MODULE" "$PW/virelo.scr"
LOG=$PW/pwlog.txt

# The Windows version setting must not outlive this script (other scripts run virelo.scr
# too), nor must the fault report's stand-in debugger.
AEDEBUG='HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug'
OLD_DEBUGGER=""
pw_cleanup() {
    reg_del_key "$APPDEF"
    reg_del_value "$DESKTOP_KEY" ScreenSaveUsePassword
    [ -n "$OLD_DEBUGGER" ] && reg_add "$AEDEBUG" Debugger REG_SZ "$OLD_DEBUGGER"
    wt_cleanup
}
trap pw_cleanup EXIT

count_log() { if [ -f "$LOG" ]; then grep -c "^$1" "$LOG" || true; else echo 0; fi; }
calls() { count_log call; }
attached() { count_log attach; }
call_field() { # N KEY
    awk -v n="$1" -v k="$2" '$1 == "call" && $2 == "n=" n { for (i = 3; i <= NF; i++) if (index($i, k "=") == 1) { print substr($i, length(k) + 2); exit } }' "$LOG" | tr -d '\r'
}

start_pw_saver() { # LABEL SCRIPT
    rm -f "$LOG"
    printf '%s\n' "$2" >"$PW/pwscript.txt"
    pointer_to 500 400
    scr_start_module "$PW/virelo.scr" /s
    if ! saver_window_wait 15; then
        wt_fail "$1: no full-screen window within 15 s"
        return 1
    fi
    sleep 1.5
}

reg_del_key "$SETTINGS_KEY"
reg_add "$APPDEF" Version REG_SZ win98
reg_add "$DESKTOP_KEY" ScreenSaveUsePassword REG_DWORD 1
no_saver_left

# --- password on: ask, refuse, pause, ask again
if start_pw_saver "password on" "0+ 1"; then
    check_eq "the verifier module is loaded at the start" "$(attached)" 1
    check_eq "no question before any input" "$(calls)" 0
    xdotool key a
    sleep 1.5
    check_eq "a key press asks the password question once" "$(calls)" 1
    check_eq "the question gets the saver window (class)" "$(call_field 1 class)" WindowsScreenSaverClass
    check_eq "answer 0: the close right after it (posted during the question) asked nothing" \
        "$(count_log posted-close)/$(calls)" "1/1"
    if kill -0 "$SCR_PID" 2>/dev/null && probe "$WT_TMP/still.txt" find WindowsScreenSaverClass "Screen Saver" 100; then
        wt_pass "answer 0 keeps the saver running"
    else
        proc_wait "$SCR_PID" 1
        wt_fail "answer 0: the saver ended (exit code $EXIT_CODE), expected it to keep running"
    fi
    xdotool key b
    proc_wait "$SCR_PID" 8
    check_eq "a later key press asks again" "$(calls)" 2
    check_eq "answer 1 ends the saver with exit code 0" "$EXIT_CODE" 0
    t1=$(call_field 1 tick)
    t2=$(call_field 2 tick)
    check_range "the second question came at least 200 ms after the first (ms)" "$((${t2:-0} - ${t1:-0}))" 200 600000
    check_eq "the verifier module is released at the end" "$(count_log detach)" 1
    cp "$LOG" "$WT_ARTIFACTS/$WT_NAME-pwlog.txt"
fi
no_saver_left

# --- a mouse click and a move are gated the same way (answer 1 at once)
if start_pw_saver "password on, click" "1"; then
    xdotool click 1
    proc_wait "$SCR_PID" 8
    check_eq "a click asks the question" "$(calls)" 1
    check_eq "answer 1 to a click's question ends the saver with 0" "$EXIT_CODE" 0
fi
no_saver_left

# --- answer 0 to several closes in a row: the saver survives all of them
if start_pw_saver "password on, refusals" "0 0 0"; then
    for k in a b c; do xdotool key "$k"; sleep 0.6; done
    sleep 0.5
    check_eq "three spaced key presses ask three times" "$(calls)" 3
    if kill -0 "$SCR_PID" 2>/dev/null; then wt_pass "three answers 0 keep the saver running"; else
        proc_wait "$SCR_PID" 1
        wt_fail "three answers 0: saver ended (exit code $EXIT_CODE), expected it running"
    fi
    xdotool key d
    proc_wait "$SCR_PID" 8
    check_eq "the fourth question (script used up, answer 1) ends it with 0" "$EXIT_CODE/$(calls)" "0/4"
fi
no_saver_left

# --- a fault inside the verifier: the guard has it reported once (the platform's debugger
# hook, here a command that only counts its calls), switches the running state off and ends
# the saver with -1. x86_64 only: under QEMU a null-pointer write in 32-bit code reaches Wine
# as 0xC000001D, not 0xC0000005 ("segv_handler Got unexpected trap -1"), so what the guard
# is handed there is not what Windows would hand it.
[ "$WT_ARCH" = x86_64 ] && {
OLD_DEBUGGER=$(timeout 30 wine reg query "$AEDEBUG" /v Debugger 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *Debugger *REG_SZ *//p')
reg_add "$AEDEBUG" Debugger REG_SZ "C:\\windows\\system32\\cmd.exe /c echo report %ld>>$(winpath "$PW/reports.txt")"
reg_add "$AEDEBUG" Auto REG_SZ 1
if start_pw_saver "fault in the verifier" "!"; then
    probe "$WT_TMP/run.txt" screen
    running_before=$(field running "$WT_TMP/run.txt")
    xdotool key a
    proc_wait "$SCR_PID" 15
    probe "$WT_TMP/run.txt" screen
    check_eq "a fault in the verifier: running state before / faults / reports / exit code / running state after" \
        "$running_before/$(count_log fault)/$(cat "$PW/reports.txt" 2>/dev/null | grep -c report)/$EXIT_CODE/$(field running "$WT_TMP/run.txt")" \
        "1/1/1/255/0"
fi
no_saver_left
}

# --- password switch off: no module, no question
reg_add "$DESKTOP_KEY" ScreenSaveUsePassword REG_DWORD 0
if start_pw_saver "password off" "0"; then
    xdotool key a
    proc_wait "$SCR_PID" 8
    check_eq "password off: a key press ends the saver with 0" "$EXIT_CODE" 0
    check_eq "password off: no question asked" "$(calls)" 0
    check_eq "password off: the verifier module is not loaded" "$(attached)" 0
fi
no_saver_left

# --- password on, but not the 95/98 family: no module, no question
reg_add "$DESKTOP_KEY" ScreenSaveUsePassword REG_DWORD 1
reg_del_key "$APPDEF"
if start_pw_saver "not win9x" "0"; then
    xdotool key a
    proc_wait "$SCR_PID" 8
    check_eq "NT family: a key press ends the saver with 0" "$EXIT_CODE" 0
    check_eq "NT family: no question asked" "$(calls)" 0
    check_eq "NT family: the verifier module is not loaded" "$(attached)" 0
fi
no_saver_left

# --- the password-change mode "/a": 0 on the 95/98 family, -1 elsewhere
run_module_fg 20 /a
check_eq "NT family: /a ends with -1" "$EXIT_CODE" 255
reg_add "$APPDEF" Version REG_SZ win98
scr_start_module "$PW/virelo.scr" /a
proc_wait "$SCR_PID" 20 || proc_kill "$SCR_PID"
check_eq "95/98 family: /a ends with 0" "$EXIT_CODE" 0
check_eq "95/98 family: /a asks no screen-saver password" "$(calls)" 0

no_saver_left
wt_finish
