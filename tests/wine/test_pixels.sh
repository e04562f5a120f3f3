#!/bin/bash
# The full-screen picture, pixel for pixel: with its clock pinned to T (tick_pin.exe), the
# module's screen equals virelo-render's picture for seed (T mod 2147483646) + 1 after some
# number of ticks, 0 pixels apart. At 1024x768, 800x600 and 1280x720, and at 192 dpi on
# 1280x800, where each drawing unit is a 2 x 2 block: the renderer's 640x400 picture at
# --zoom 2. Smaller stages are
# halftoned by GDI, which no renderer reproduces bit for bit, so they are left out.
# Besides the seed, the module reads its clock only for the pause between two password
# questions (a 95/98 password gate, not set up here): a clock that stands still changes
# nothing else on this path.
#   test_pixels.sh MODULE [HELPER_DIR]      (VIRELO_RENDER: the native virelo-render)
. "$(dirname "$0")/lib.sh"
RENDER=${VIRELO_RENDER:-}
if [ ! -x "$RENDER" ]; then
    echo "SKIP: virelo-render not built at '$RENDER' (cmake --preset native && cmake --build build/native --target virelo-render)"
    exit 77
fi
wt_init "$@" --size 1024x768
# 192 dpi must not outlive this script in the shared prefix, however it ends.
trap 'reg_del_value "$DESKTOP_KEY" LogPixels; reg_del_key "$SETTINGS_KEY"; wt_cleanup' EXIT

# Speed 30: a tick every 333 ms, so two whole-screen grabs (30-90 ms each) mostly fall
# between two ticks. The speed only times the ticks; the renderer gets it all the same.
SPEED=30
PERIOD=$((10000 / SPEED))

# Scaling left behind by an aborted run would zoom the 96 dpi cases: it must go, and Wine
# reads it when its session starts.
if [ "$(reg_dword "$DESKTOP_KEY" LogPixels)" != absent ]; then
    reg_del_value "$DESKTOP_KEY" LogPixels
    timeout 20 wineserver -k 2>/dev/null
    timeout 20 wineserver -w 2>/dev/null
fi
reg_del_key "$SETTINGS_KEY"
reg_add "$SETTINGS_KEY" Speed REG_DWORD $SPEED

# steady_shot LABEL: the screen, grabbed between two ticks, into the artifacts as PNG;
# prints its path, or nothing when it never held still
steady_shot() {
    local f="$WT_ARTIFACTS/$WT_NAME-$1.png"
    xpix steady "$WT_TMP/steady.ppm" >"$WT_TMP/steady.txt" && convert "$WT_TMP/steady.ppm" "$f" && echo "$f"
}

# differ A B: number of pixels in which two pictures of one size differ; fails on an error
# (compare writes large counts as 1.2e+06, and its errors must not read as 0)
differ() {
    compare -metric AE "$1" "$2" null: 2>&1 | awk '$1 + 0 == $1 && NF == 1 { printf "%d\n", $1; ok = 1 } END { exit !ok }'
}

# pinned LABEL T W H ZOOM: runs "/s" with the clock at T on the current W x H screen and
# looks for the tick count at which the renderer draws what the screen shows
pinned() {
    local label=$1 t=$2 w=$3 h=$4 zoom=$5 seed start t0 t1 f est top n k best=-1 bestn=-1 d
    local ref=$WT_TMP/ref.png
    WT_CASE="$label, T=$t"
    seed=$(((t % 2147483646) + 1))
    pointer_to $((w / 2)) $((h / 2))
    start=$(date +%s%N)
    wine "$HELPERS/tick_pin.exe" "$t" "$(winpath "$MODULE")" /s >"$WT_TMP/pin.txt" 2>>"$WT_ARTIFACTS/$WT_NAME-wine.log" &
    SCR_PID=$!
    WT_PIDS="$WT_PIDS $SCR_PID"
    if ! saver_window_wait 15; then
        wt_fail "no full-screen window within 15 s ($(tr '\n' ' ' <"$WT_TMP/pin.txt"))"
        return 1
    fi
    t0=$(date +%s%N)
    check_eq "the window covers the screen" "$(field rect "$WT_TMP/win.txt")" "0,0,$w,$h"
    check_ne "the launcher pinned GetTickCount ($(tr '\n' ' ' <"$WT_TMP/pin.txt"))" "$(field slot "$WT_TMP/pin.txt")" ""
    sleep 2
    if ! f=$(steady_shot "$label"); then
        wt_fail "the screen never held still for two grabs ($(cat "$WT_TMP/steady.txt"))"
        return 1
    fi
    t1=$(date +%s%N)
    # A timer never fires early, but a busy machine delays and merges its ticks: every count
    # from 0 to the time since the launch allows is possible. The likeliest, the time since
    # the window was found, comes first, then its neighbours outward; the first exact match ends it.
    est=$(((t1 - t0) / 1000000 / PERIOD))
    top=$(((t1 - start) / 1000000 / PERIOD + 1))
    for k in $(seq 0 $((2 * top))); do
        n=$((k % 2 ? est - (k + 1) / 2 : est + k / 2))
        if [ "$n" -lt 0 ] || [ "$n" -gt "$top" ]; then continue; fi
        "$RENDER" --seed "$seed" --client "$((w / zoom))x$((h / zoom))" --ticks "$n" --speed $SPEED --zoom "$zoom" --out "$ref" || {
            wt_fail "virelo-render failed"
            return 1
        }
        d=$(differ "$f" "$ref") || {
            wt_fail "compare failed on $f and $ref"
            return 1
        }
        if [ "$best" -lt 0 ] || [ "$d" -lt "$best" ]; then
            best=$d
            bestn=$n
            cp "$ref" "$WT_ARTIFACTS/$WT_NAME-$label-render.png"
        fi
        [ "$d" = 0 ] && break
    done
    # An all-black screen would equal an all-black render: the match must hold walkers.
    convert -size "${w}x$h" xc:black "$WT_TMP/black.png"
    check_range "non-black pixels on screen ($f)" "$(differ "$f" "$WT_TMP/black.png")" 500 100000000
    check_eq "the screen equals virelo-render --seed $seed --client $((w / zoom))x$((h / zoom)) --zoom $zoom at some tick 0..$top (closest: $bestn ticks, $best pixels apart; estimate $est)" "$best" 0
    probe "$WT_TMP/close.txt" sendclose WindowsScreenSaverClass "Screen Saver"
    proc_wait "$SCR_PID" 10
    check_eq "the saver, started through the launcher, ends with 0" "$EXIT_CODE" 0
    WT_CASE=""
}

# Clocks chosen to cover the seed's wrap: 4294967295 gives seed 4, 2147483647 seed 2.
pinned 1024x768 123456789 1024 768 1
wt_switch_display 800x600 || { wt_fail "could not start an 800x600 display"; wt_finish; }
pinned 800x600 4294967295 800 600 1
wt_switch_display 1280x720 || { wt_fail "could not start a 1280x720 display"; wt_finish; }
pinned 1280x720 2147483647 1280 720 1
reg_add "$DESKTOP_KEY" LogPixels REG_DWORD 192
wt_switch_display 1280x800 || { wt_fail "could not start a 1280x800 display"; wt_finish; }
pinned 1280x800-192dpi 86400000 1280 800 2

wt_finish
