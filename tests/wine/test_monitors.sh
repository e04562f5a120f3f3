#!/bin/bash
# Every monitor: on two monitors side by side (1024x768 and 800x600, tops aligned) the
# full-screen window covers the whole virtual screen, walkers are drawn on both monitors,
# and input anywhere on it still ends the saver.
#   test_monitors.sh MODULE [HELPER_DIR]
. "$(dirname "$0")/lib.sh"
wt_init "$@"

reg_del_key "$SETTINGS_KEY"
wt_switch_monitors 1024x768 800x600 || { wt_fail "could not start two monitors"; wt_finish; }
no_saver_left

# start_saver X Y LABEL: parks the pointer at X, Y, starts "/s" and waits for the window
start_saver() {
    pointer_to "$1" "$2"
    scr_start /s
    if ! saver_window_wait 15; then
        wt_fail "$3: no full-screen window within 15 s"
        return 1
    fi
    sleep 1.5
}
# expect_end LABEL
expect_end() {
    proc_wait "$SCR_PID" 5
    check_eq "$1 ends the saver with exit code 0" "$EXIT_CODE" 0
    probe "$WT_TMP/gone.txt" gone WindowsScreenSaverClass "Screen Saver" 3000
    check_eq "$1 leaves no saver window" "$?" 0
}

if start_saver 500 400 "two monitors"; then
    W=$WT_TMP/win.txt
    check_eq "Wine sees two monitors" "$(field monitors "$W")" 2
    check_eq "the virtual screen spans both" "$(field virtual "$W")" "0,0,1824,768"
    check_eq "the window covers the virtual screen" "$(field rect "$W")" "0,0,1824,768"
    shot two-monitors >/dev/null
    # Only the monitors' own areas: the root's corner below the smaller one is no screen,
    # and what X reads back there is undefined.
    left=0
    right=0
    for i in 1 2 3 4 5 6; do
        n=$(xpix stats 0 0 1024 768 | sed 's/nonblack=\([0-9]*\).*/\1/')
        [ "${n:-0}" -gt 0 ] && left=$((left + 1))
        n=$(xpix stats 1024 0 800 600 | sed 's/nonblack=\([0-9]*\).*/\1/')
        [ "${n:-0}" -gt 0 ] && right=$((right + 1))
        sleep 0.5
    done
    check_range "samples with walkers on the first monitor" "$left" 4 6
    check_range "samples with walkers on the second monitor" "$right" 4 6
    xdotool key a
    expect_end "a key press"
fi
no_saver_left

# The cursor rule holds on the second monitor, in screen coordinates right of the first.
if start_saver 1400 300 "second monitor"; then
    xdotool mousemove_relative 2 2
    sleep 1.5
    if kill -0 "$SCR_PID" 2>/dev/null; then wt_pass "a 4-pixel move on the second monitor leaves it running"; else wt_fail "a 4-pixel move on the second monitor ended the saver"; fi
    xdotool mousemove_relative 3 0
    expect_end "then a move to 5 pixels from the start point on the second monitor"
fi
no_saver_left

reg_del_value 'HKCU\Software\Wine\X11 Driver' UseXRandR
wt_finish
