#!/bin/bash
# Every monitor: on two monitors side by side (1024x768 and 800x600, tops aligned) the
# full-screen window covers the whole virtual screen, walkers are drawn on both monitors,
# and input still ends the saver.
#   test_monitors.sh MODULE [HELPER_DIR]
. "$(dirname "$0")/lib.sh"
wt_init "$@"

reg_del_key "$SETTINGS_KEY"
wt_switch_monitors 1024x768 800x600 || { wt_fail "could not start two monitors"; wt_finish; }
no_saver_left

pointer_to 1400 300
scr_start /s
if saver_window_wait 15; then
    W=$WT_TMP/win.txt
    check_eq "Wine sees two monitors" "$(field monitors "$W")" 2
    check_eq "the virtual screen spans both" "$(field virtual "$W")" "0,0,1824,768"
    check_eq "the window covers the virtual screen" "$(field rect "$W")" "0,0,1824,768"
    sleep 1.5
    shot two-monitors >/dev/null
    # Only the monitors' own areas: the root's corner below the smaller one is no screen,
    # and what X reads back there is undefined.
    left=0
    right=0
    for i in 1 2 3 4 5 6; do
        [ "$(xpix stats 0 0 1024 768 | sed 's/nonblack=\([0-9]*\).*/\1/')" -gt 0 ] && left=$((left + 1))
        [ "$(xpix stats 1024 0 800 600 | sed 's/nonblack=\([0-9]*\).*/\1/')" -gt 0 ] && right=$((right + 1))
        sleep 0.5
    done
    check_range "samples with walkers on the first monitor" "$left" 4 6
    check_range "samples with walkers on the second monitor" "$right" 4 6
    # The pointer rests on the second monitor: 5 pixels of movement there end the saver.
    xdotool mousemove_relative 3 2
    proc_wait "$SCR_PID" 5
    check_eq "a 5-pixel move on the second monitor ends the saver with exit code 0" "$EXIT_CODE" 0
    probe "$WT_TMP/gone.txt" gone WindowsScreenSaverClass "Screen Saver" 3000
    check_eq "no saver window is left" "$?" 0
else
    wt_fail "no full-screen window within 15 s"
fi
no_saver_left

reg_del_value 'HKCU\Software\Wine\X11 Driver' UseXRandR
wt_finish
