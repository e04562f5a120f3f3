#!/bin/bash
# Preview mode "/p <hwnd>" inside a host window of ours (preview_host.exe).
# Wine 8 does not show what one process draws into a child window of another process's
# window, so this proves the structure and the lifecycle; test_scaled.sh proves the
# scaled drawing full screen.
#   test_preview.sh MODULE [HELPER_DIR]
. "$(dirname "$0")/lib.sh"
wt_init "$@"

WMOD=$(winpath "$MODULE")
reg_del_key "$SETTINGS_KEY"
no_saver_left

host_run() { # OUT COMMAND...
    local out=$1
    shift
    timeout 90 wine "$HELPERS/preview_host.exe" "$WMOD" "$@" >"$out" 2>>"$WT_ARTIFACTS/$WT_NAME-wine.log"
}

# --- structure, input, and the end by destroying the host
host_run "$WT_TMP/p1.txt" find 10000 alive input wait 1500 alive destroy 10000
P=$WT_TMP/p1.txt
cp "$P" "$WT_ARTIFACTS/$WT_NAME-host.txt"
check_eq "host client area" "$(field host_client "$P")" 152x112
check_eq "child window class" "$(field child_class "$P")" WindowsScreenSaverClass
check_eq "child window title" "$(field child_title "$P")" Preview
style=$(field child_style "$P")
check_eq "child style has WS_CHILD|WS_VISIBLE|WS_CLIPCHILDREN, not WS_POPUP" \
    "$(printf '0x%08X' $((${style:-0} & 0xD2000000)))" 0x52000000
exstyle=$(field child_exstyle "$P")
check_eq "child is not topmost" "$(( ${exstyle:-8} & 8 ))" 0
check_eq "child is visible" "$(field child_visible "$P")" 1
check_eq "child client area fills the host's" "$(field child_client "$P")" 152x112
check_eq "child sits at the host's client origin" "$(field child_origin "$P")" 0,0
check_eq "child's parent is the host" "$(field child_parent_is_host "$P")" 1
check_eq "child belongs to the started module process" "$(field child_owned_by_saver "$P")" 1
check_eq "exactly one child" "$(field child_count "$P")" 1
alive=$(tr -d '\r' <"$P" | awk '$1 == "alive" { l = $0 } END { print l }')
check_eq "after keys, clicks, mouse moves and a lost activation the preview still runs" \
    "$alive" "alive child 1 class WindowsScreenSaverClass saver_running 1"
check_eq "the host window was destroyed" "$(field host_destroyed "$P")" 1
check_eq "destroying the host ends the preview with exit code 0" "$(field exit "$P")" 0
check_range "the preview ends soon after the host is gone (ms)" "$(field saver_end_ms "$P")" 0 5000
check_eq "the preview wrote no settings" "$(reg_dword "$SETTINGS_KEY" Speed)" absent

# --- closing the host with WM_CLOSE (the usual way) ends it too
host_run "$WT_TMP/p2.txt" find 10000 wait 500 close 10000
check_eq "WM_CLOSE to the host: child existed" "$(field child_title "$WT_TMP/p2.txt")" Preview
check_eq "WM_CLOSE to the host ends the preview with exit code 0" "$(field exit "$WT_TMP/p2.txt")" 0

# --- a running preview does not count as a running full-screen saver
host_run "$WT_TMP/p3.txt" find 10000 wait 9000 destroy 10000 &
hp=$!
WT_PIDS="$WT_PIDS $hp"
sleep 4
scr_start /s
if saver_window_wait 15; then
    wt_pass "/s while a preview runs shows its full-screen window"
    probe "$WT_TMP/close.txt" sendclose WindowsScreenSaverClass "Screen Saver"
    proc_wait "$SCR_PID" 15
    check_eq "that full-screen run ends with 0" "$EXIT_CODE" 0
else
    proc_wait "$SCR_PID" 1
    wt_fail "/s while a preview runs: no full-screen window (exit code $EXIT_CODE), expected one"
fi
proc_wait "$hp" 40
check_eq "the preview beside it: child" "$(field child_title "$WT_TMP/p3.txt")" Preview
check_eq "the preview beside it ends with 0 when its host goes" "$(field exit "$WT_TMP/p3.txt")" 0

# --- a preview survives being killed at any time and leaves nothing behind
host_run "$WT_TMP/p4.txt" find 10000 wait 500
check_eq "killed preview: child existed" "$(field child_title "$WT_TMP/p4.txt")" Preview
check_eq "killed preview: it was still running when the host gave up" "$(grep -c '^running' "$WT_TMP/p4.txt")" 1
no_saver_left

# --- the host's process killed: Wine takes the child away without a WM_DESTROY, and its
# timer with it; the preview still ends, with 0
host_run "$WT_TMP/p5.txt" -o find 10000 wait 500 kill 10000
check_eq "host process killed: child existed" "$(field child_title "$WT_TMP/p5.txt")" Preview
check_eq "... and the preview ends with exit code 0" "$(field exit "$WT_TMP/p5.txt")" 0
check_range "... soon after the host (ms)" "$(field saver_end_ms "$WT_TMP/p5.txt")" 0 5000
no_saver_left

wt_finish
