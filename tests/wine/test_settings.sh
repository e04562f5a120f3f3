#!/bin/bash
# Settings as the running saver uses them: the tick period from "Speed" (measured as the
# interval between picture changes on the X screen), the blanking after "BlankTime", and
# the defaults for values of the wrong type or out of range.
#   test_settings.sh MODULE [HELPER_DIR]
. "$(dirname "$0")/lib.sh"
wt_init "$@"

no_saver_left

# measure LABEL: runs the saver with the current registry, prints "median_ms changes_per_s"
measure() {
    pointer_to 500 400
    scr_start /s
    if ! saver_window_wait 15; then
        echo "nowindow 0"
        return
    fi
    sleep 1
    xpix watch 4 8 >"$WT_TMP/watch.txt"
    cp "$WT_TMP/watch.txt" "$WT_ARTIFACTS/$WT_NAME-watch-$1.txt"
    probe "$WT_TMP/close.txt" sendclose WindowsScreenSaverClass "Screen Saver"
    proc_wait "$SCR_PID" 10
    no_saver_left
    awk '{ for (i = 1; i < NF; i++) v[$i] = $(i + 1); printf "%.0f %.1f\n", v["median_ms"], v["bursts"] * 1000 / v["elapsed_ms"] }' "$WT_TMP/watch.txt"
}

# speed_case LABEL TYPE VALUE EXPECTED_PERIOD_MS  (TYPE "none" deletes the value)
speed_case() {
    local label=$1 type=$2 value=$3 period=$4 lo hi r med rate
    reg_del_key "$SETTINGS_KEY"
    [ "$type" != none ] && reg_add "$SETTINGS_KEY" Speed "$type" "$value"
    r=$(measure "$label")
    med=${r% *}
    rate=${r#* }
    # picture changes come with the ticks: the median gap between changes is the period
    lo=$(awk -v p="$period" 'BEGIN { print int(p * 0.75) }')
    hi=$(awk -v p="$period" 'BEGIN { print int(p * 1.35 + 8) }')
    check_range "Speed $label: median interval between picture changes (ms, period $period)" "$med" "$lo" "$hi"
    lo=$(awk -v p="$period" 'BEGIN { printf "%.1f", 1000 / p * 0.6 }')
    hi=$(awk -v p="$period" 'BEGIN { printf "%.1f", 1000 / p * 1.4 }')
    check_range "Speed $label: picture updates per second (changes <15 ms apart count once)" "$rate" "$lo" "$hi"
}

speed_case "300" REG_DWORD 300 33
speed_case "30" REG_DWORD 30 333
speed_case "absent (default 100)" none 0 100
speed_case "REG_SZ '300' (ignored, 100)" REG_SZ 300 100
speed_case "25 (out of range, 100)" REG_DWORD 25 100
speed_case "301 (out of range, 100)" REG_DWORD 301 100
speed_case "65566 (low 16 bits 30)" REG_DWORD 65566 333

# BlankTime 2: after about 2 s of animation the screen is fully black, and stays so.
reg_del_key "$SETTINGS_KEY"
reg_add "$SETTINGS_KEY" Speed REG_DWORD 100
reg_add "$SETTINGS_KEY" BlankTime REG_DWORD 2
pointer_to 500 400
t0=$(date +%s%N)
scr_start /s
if saver_window_wait 15; then
    t1=$(date +%s%N)
    xpix stats >"$WT_TMP/s1.txt"
    n1=$(sed 's/.*nonblack=\([0-9]*\).*/\1/' "$WT_TMP/s1.txt")
    xpix wait-black 10 >"$WT_TMP/wb.txt"
    t2=$(date +%s%N)
    # the window appears within the start time; animation time starts then
    since_window=$(((t2 - t1) / 1000000))
    since_start=$(((t2 - t0) / 1000000))
    check_range "BlankTime 2: walkers drawn right after the start (non-black pixels)" "$n1" 1 100000000
    check_eq "BlankTime 2: the screen turns fully black" "$(awk '{ print $1 }' "$WT_TMP/wb.txt")" black_after_ms
    check_range "BlankTime 2: black after (ms since the window appeared)" "$since_window" 1200 4500
    check_range "BlankTime 2: black after (ms since the start)" "$since_start" 2000 $((2000 + WT_START_MS))
    sleep 1.5
    xpix stats >"$WT_TMP/s2.txt"
    check_eq "BlankTime 2: still black 1.5 s later" "$(sed 's/.*nonblack=\([0-9]*\).*/\1/' "$WT_TMP/s2.txt")" 0
    shot blanked >/dev/null
    xdotool key a
    proc_wait "$SCR_PID" 5
    check_eq "BlankTime 2: a key press still ends the blanked saver with 0" "$EXIT_CODE" 0
else
    wt_fail "BlankTime 2: no full-screen window within 15 s"
fi
no_saver_left

# BlankTime of type REG_SZ is ignored (never blank): still drawing after 4 s.
reg_del_key "$SETTINGS_KEY"
reg_add "$SETTINGS_KEY" BlankTime REG_SZ 1
pointer_to 500 400
scr_start /s
if saver_window_wait 15; then
    sleep 4
    xpix stats >"$WT_TMP/s3.txt"
    check_range "BlankTime REG_SZ '1' is ignored: walkers still drawn after 4 s" \
        "$(sed 's/.*nonblack=\([0-9]*\).*/\1/' "$WT_TMP/s3.txt")" 1 100000000
else
    wt_fail "BlankTime REG_SZ: no full-screen window within 15 s"
fi
no_saver_left
reg_del_key "$SETTINGS_KEY"

wt_finish
