#!/bin/bash
# Full-screen mode: the window, the picture, and every way the user ends it.
#   test_fullscreen.sh MODULE [HELPER_DIR]
. "$(dirname "$0")/lib.sh"
wt_init "$@" --wm

reg_del_key "$SETTINGS_KEY"
no_saver_left
SIZE=$(screen_size)
SW=${SIZE%x*}
SH=${SIZE#*x}

# start_saver: parks the pointer, starts "/s", waits for the window and for it to settle
start_saver() {
    pointer_to 500 400
    scr_start /s
    if ! saver_window_wait 15; then
        wt_fail "$1: no full-screen window within 15 s ($(tr '\n' ' ' <"$WT_TMP/win.txt"))"
        return 1
    fi
    sleep 1.5
    return 0
}

# expect_end LABEL: the saver must end with 0 within 5 s and leave no saver window
expect_end() {
    proc_wait "$SCR_PID" 5
    check_eq "$1 ends the saver with exit code 0" "$EXIT_CODE" 0
    probe "$WT_TMP/gone.txt" gone WindowsScreenSaverClass "Screen Saver" 3000
    check_eq "$1 leaves no saver window" "$?" 0
}

# expect_running LABEL: the saver process and its window must still be there
expect_running() {
    if kill -0 "$SCR_PID" 2>/dev/null && probe "$WT_TMP/still.txt" find WindowsScreenSaverClass "Screen Saver" 100; then
        wt_pass "$1 leaves the saver running"
    else
        proc_wait "$SCR_PID" 1
        wt_fail "$1: the saver ended (exit code $EXIT_CODE), expected it to keep running"
    fi
}

# --- the window and the picture
if start_saver "window"; then
    W=$WT_TMP/win.txt
    check_eq "window class" "$(field class "$W")" WindowsScreenSaverClass
    check_eq "window title" "$(field title "$W")" "Screen Saver"
    check_eq "window is topmost (WS_EX_TOPMOST)" "$(field topmost "$W")" 1
    check_eq "window covers the screen" "$(field rect "$W")" "0,0,$SW,$SH"
    check_eq "window has no parent" "$(field parent "$W")" 0
    probe "$WT_TMP/fg.txt" find WindowsScreenSaverClass "Screen Saver" 1000
    # Styles are read after the start has settled: during WM_CREATE (sprite loading) the
    # window does not have WS_VISIBLE yet, also when it was created with it.
    check_eq "window is visible" "$(field visible "$WT_TMP/fg.txt")" 1
    style=$(field style "$WT_TMP/fg.txt")
    check_eq "window style has WS_POPUP|WS_VISIBLE|WS_CLIPSIBLINGS|WS_CLIPCHILDREN, no caption" \
        "$(printf '0x%08X' $((${style:-0} & 0x96C00000)))" 0x96000000
    check_eq "window is the foreground window 1.5 s after the start (foreground: '$(field foreground_title "$WT_TMP/fg.txt")')" \
        "$(field foreground "$WT_TMP/fg.txt")" 1

    f=$(shot walkers)
    xpix stats >"$WT_TMP/stats.txt"
    nonblack=$(sed 's/.*nonblack=\([0-9]*\).*/\1/' "$WT_TMP/stats.txt")
    frac=$(sed 's/.*fraction=\([0-9.]*\).*/\1/' "$WT_TMP/stats.txt")
    check_range "non-black pixels after 1.5 s (walkers are drawn; $f)" "$nonblack" 500 100000000
    check_range "fraction of non-black pixels (mostly black; $f)" "$frac" 0.0005 0.40
    xpix blobs 30 >"$WT_TMP/blobs.txt"
    check_range "separate non-black shapes on screen (walkers)" "$(field blobs "$WT_TMP/blobs.txt")" 3 40
    # A walker is at most 64 x 70 pixels at this screen size; a larger shape would be a
    # smear or an unmasked sheet. Overlapping walkers may merge, so allow two side by side.
    big=$(awk '$1 == "blob" && ($4 > 140 || $5 > 150) { n++ } END { print n + 0 }' "$WT_TMP/blobs.txt")
    check_eq "no shape larger than two walkers" "$big" 0
    sleep 1
    xpix stats >"$WT_TMP/stats2.txt"
    check_ne "the picture changes over time (animation)" "$(cat "$WT_TMP/stats2.txt")" "$(cat "$WT_TMP/stats.txt")"

    xdotool key a
    expect_end "a key press"
fi
no_saver_left

if start_saver "click"; then
    xdotool click 1
    expect_end "a left click"
fi
no_saver_left

if start_saver "right click"; then
    xdotool click 3
    expect_end "a right click"
fi
no_saver_left

if start_saver "move 5"; then
    xdotool mousemove_relative 3 2
    expect_end "a mouse move of 5 pixels (3, 2)"
fi
no_saver_left

if start_saver "move 4"; then
    xdotool mousemove_relative 2 2
    sleep 1.5
    expect_running "a mouse move of 4 pixels (2, 2)"
    xdotool mousemove_relative -- -2 -2
    sleep 1
    expect_running "moving back to the start point"
    xdotool mousemove_relative 0 5
    expect_end "then a move to 5 pixels from the start point"
fi
no_saver_left

if start_saver "steps"; then
    for i in 1 2 3 4; do xdotool mousemove_relative 1 0; sleep 0.3; done
    expect_running "four 1-pixel moves in one direction"
    xdotool mousemove_relative 1 0
    expect_end "the fifth 1-pixel move"
fi
no_saver_left

# Losing activation to another Windows program.
if start_saver "activation"; then
    timeout 30 wine "$HELPERS/winprobe.exe" other 3000 >"$WT_TMP/other.txt" 2>>"$WT_ARTIFACTS/$WT_NAME-wine.log" &
    other=$!
    expect_end "another program taking the activation"
    wait "$other" 2>/dev/null
fi
no_saver_left

# Losing activation to a window of the X desktop (the window manager switches focus).
if start_saver "X activation"; then
    xmessage -geometry 300x100+10+10 "other window" &
    xm=$!
    xmw=""
    for i in $(seq 1 50); do
        xmw=$(xdotool search --pid "$xm" 2>/dev/null | head -1)
        [ -n "$xmw" ] && break
        sleep 0.1
    done
    xdotool windowactivate "$xmw" 2>/dev/null
    expect_end "activating an X window"
    kill "$xm" 2>/dev/null
fi
no_saver_left

# A second "/s" while one runs ends at once with 0 and leaves one saver window.
if start_saver "second instance"; then
    first=$SCR_PID
    t0=$(date +%s%N)
    run_module_fg 10 /s
    t1=$(date +%s%N)
    check_eq "a second /s ends with 0" "$EXIT_CODE" 0
    check_range "a second /s ends at once (ms)" $(((t1 - t0) / 1000000)) 0 5000
    check_eq "one saver window remains" "$(saver_count)" 1
    SCR_PID=$first
    expect_running "the second /s"
    xdotool key a
    expect_end "a key press on the first saver"
fi
no_saver_left

wt_finish
