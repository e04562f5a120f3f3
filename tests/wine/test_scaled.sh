#!/bin/bash
# Drawing scaled from the 640 x 480 drawing space, proven full screen: on a 640 x 480
# display the walkers are drawn 1:1 (the reference); on a 600 x 380 display (narrower than
# 640 and lower than 400) the same walkers must come out about 600/640 as wide and 380/480
# as high. Compares the median size of the separate non-black shapes on both screens.
# Display scaling, on 1280 x 800: at 192 dpi every drawing unit is a 2 x 2 block (the stage is
# 640 x 400, so no logical screen), the shapes twice as high as at 96 dpi and made of the
# sheet's colours only; at 144 dpi nothing differs from 96.
#   test_scaled.sh MODULE [HELPER_DIR]
. "$(dirname "$0")/lib.sh"
wt_init "$@" --size 640x480

reg_del_key "$SETTINGS_KEY"
no_saver_left

# sample LABEL W H: runs the saver, collects shapes from three screenshots into $WT_TMP/LABEL.blobs
sample() {
    local label=$1 w=$2 h=$3 i
    : >"$WT_TMP/$label.blobs"
    pointer_to $((w / 2)) $((h / 2))
    scr_start /s
    if ! saver_window_wait 15; then
        wt_fail "$label: no full-screen window within 15 s"
        return 1
    fi
    check_eq "$label: the window covers the ${w}x$h screen" "$(field rect "$WT_TMP/win.txt")" "0,0,$w,$h"
    sleep 1.5
    shot "$label" >/dev/null
    for i in 1 2 3; do
        xpix blobs 60 >>"$WT_TMP/$label.blobs"
        sleep 0.7
    done
    cp "$WT_TMP/$label.blobs" "$WT_ARTIFACTS/$WT_NAME-$label-blobs.txt"
    xpix blocks 2 "$WT_DIR/../../resources/sheet.bmp" >"$WT_TMP/$label.blocks"
    probe "$WT_TMP/close.txt" sendclose WindowsScreenSaverClass "Screen Saver"
    proc_wait "$SCR_PID" 10
    check_eq "$label: ends with 0" "$EXIT_CODE" 0
    no_saver_left
}

# median of column COL (4 = width, 5 = height) over shapes that do not touch the screen edge
median_of() { # FILE COL W H
    awk -v c="$2" -v W="$3" -v H="$4" '$1 == "blob" && $2 > 0 && $3 > 0 && $2 + $4 < W && $3 + $5 < H { print $c }' "$1" |
        sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) print 0; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
count_of() { awk -v W="$2" -v H="$3" '$1 == "blob" && $2 > 0 && $3 > 0 && $2 + $4 < W && $3 + $5 < H { n++ } END { print n + 0 }' "$1"; }

sample ref 640 480
wt_switch_display 600x380 || { wt_fail "could not start a 600x380 display"; wt_finish; }
check_eq "the small display" "$(screen_size)" 600x380
sample small 600 380

nref=$(count_of "$WT_TMP/ref.blobs" 640 480)
nsmall=$(count_of "$WT_TMP/small.blobs" 600 380)
check_range "640x480: whole shapes found in three screenshots" "$nref" 6 200
check_range "600x380: whole shapes found in three screenshots (walkers drawn)" "$nsmall" 6 200
wref=$(median_of "$WT_TMP/ref.blobs" 4 640 480)
href=$(median_of "$WT_TMP/ref.blobs" 5 640 480)
wsmall=$(median_of "$WT_TMP/small.blobs" 4 600 380)
hsmall=$(median_of "$WT_TMP/small.blobs" 5 600 380)
echo "median shape 640x480: ${wref}x$href; 600x380: ${wsmall}x$hsmall"
check_range "640x480: median shape width (1:1, at most 64)" "$wref" 16 64
# Width: a median ratio is too noisy (different walkers, merged neighbours on the reference).
# The x scale shows in the widest single walkers instead: 600/640 keeps a 60-wide cell, while
# a uniform 380/480 scale would leave at most 51.
wide=$(awk -v W=600 -v H=380 '$1 == "blob" && $2 > 0 && $3 > 0 && $2 + $4 < W && $3 + $5 < H && $4 >= 53 && $4 <= 61 && $5 <= 56 { n++ } END { print n + 0 }' "$WT_TMP/small.blobs")
check_range "600x380: single shapes 53..61 wide (x scaled by 600/640, not 380/480)" "$wide" 1 200
check_range "height ratio small/reference (expected 380/480 = 0.79)" \
    "$(awk -v a="$hsmall" -v b="$href" 'BEGIN { if (b > 0) printf "%.3f", a / b }')" 0.68 0.90
# a 64 x 64 cell becomes 60 x 51 (walker 19: 55 high). Walkers that overlap merge into one
# larger shape, a quarter of them in some runs; unscaled drawing leaves about a tenth within
# (measured: 0.74..0.80 scaled, 0.11 on the 640x480 reference), so half separates the two.
within=$(awk -v W=600 -v H=380 '$1 == "blob" && $2 > 0 && $3 > 0 && $2 + $4 < W && $3 + $5 < H { n++; if ($4 <= 61 && $5 <= 56) k++ } END { if (n) printf "%.2f", k / n; else print 0 }' "$WT_TMP/small.blobs")
check_range "600x380: share of shapes within one scaled cell (61 x 56)" "$within" 0.5 1

# set_dpi N: the screen's LOGPIXELSY for the next Wine session
set_dpi() {
    reg_add "$DESKTOP_KEY" LogPixels REG_DWORD "$1"
    timeout 20 wineserver -k 2>/dev/null
    timeout 20 wineserver -w 2>/dev/null
}
wt_switch_display 1280x800 || { wt_fail "could not start a 1280x800 display"; wt_finish; }
for dpi in 96 144 192; do
    set_dpi $dpi
    sample "dpi$dpi" 1280 800
done
reg_del_value "$DESKTOP_KEY" LogPixels
blocks() { awk -v k="$2" '{ for (i = 1; i < NF; i++) if ($i == k) print $(i + 1) }' "$WT_TMP/$1.blocks"; }
check_eq "192 dpi: every 2 x 2 pixel block is one colour (nearest neighbour)" "$(blocks dpi192 mixed)" 0
check_range "600x380 (halftoned): the colour test below does find blended colours" "$(blocks small foreign)" 1 100000000
for dpi in 96 144 192; do
    check_eq "$dpi dpi: every colour on screen is one of the sheet's (no blending)" "$(blocks "dpi$dpi" foreign)" 0
done
h96=$(median_of "$WT_TMP/dpi96.blobs" 5 1280 800)
h144=$(median_of "$WT_TMP/dpi144.blobs" 5 1280 800)
h192=$(median_of "$WT_TMP/dpi192.blobs" 5 1280 800)
echo "median shape height at 96, 144, 192 dpi: $h96, $h144, $h192"
check_range "median shape height 192/96 dpi (twice as large)" \
    "$(awk -v a="$h192" -v b="$h96" 'BEGIN { if (b > 0) printf "%.3f", a / b }')" 1.75 2.25
check_range "median shape height 144/96 dpi (unchanged)" \
    "$(awk -v a="$h144" -v b="$h96" 'BEGIN { if (b > 0) printf "%.3f", a / b }')" 0.85 1.15

wt_finish
