#!/bin/bash
# Drawing scaled from the 640 x 480 drawing space, proven full screen: on a 640 x 480
# display the walkers are drawn 1:1 (the reference); on a 600 x 380 display (narrower than
# 640 and lower than 400) the same walkers must come out about 600/640 as wide and 380/480
# as high. Compares the median size of the separate non-black shapes on both screens.
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
# a 64 x 64 cell becomes 60 x 51 (walker 19: 55 high); allow merged neighbours in a few shapes
within=$(awk -v W=600 -v H=380 '$1 == "blob" && $2 > 0 && $3 > 0 && $2 + $4 < W && $3 + $5 < H { n++; if ($4 <= 61 && $5 <= 56) k++ } END { if (n) printf "%.2f", k / n; else print 0 }' "$WT_TMP/small.blobs")
check_range "600x380: share of shapes within one scaled cell (61 x 56)" "$within" 0.75 1

wt_finish
