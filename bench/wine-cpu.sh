#!/usr/bin/env bash
# Cost of the running saver under Wine: CPU share of one core over 20 s at Speed 300 on a
# 1920 x 1080 virtual display, its resident memory, and the time from start to the first
# walker on screen. Usage: bench/wine-cpu.sh [path/to/virelo.scr]   (the x86_64 module)
# SCREEN=WxH picks another display size, LOGPIXELS=192 a scaled display (the zoomed drawing).
set -euo pipefail
cd "$(dirname "$0")/.."
scr=$(realpath "${1:-build/win64/virelo.scr}")
seconds=${SECONDS_TO_MEASURE:-20}
work=$(mktemp -d)
export WINEPREFIX=${WINEPREFIX:-$PWD/build/win64/wineprefix-bench} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
for n in $(seq 140 170); do [ -e /tmp/.X11-unix/X$n ] || break; done
Xvfb :$n -screen 0 "${SCREEN:-1920x1080}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=:$n
cleanup() { wineserver -k >/dev/null 2>&1 || true; kill $xvfb 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
[ -f "$WINEPREFIX/system.reg" ] || { wine wineboot -i >/dev/null 2>&1; wineserver -w; }
wine reg add 'HKCU\Control Panel\Screen Saver.VIRELO' /v Speed /t REG_DWORD /d 300 /f >/dev/null 2>&1
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "${LOGPIXELS:-96}" /f >/dev/null 2>&1
wine reg add 'HKCU\Control Panel\Screen Saver.VIRELO' /v BlankTime /t REG_DWORD /d "${BLANK_TIME:-0}" /f >/dev/null 2>&1
wineserver -w

nonblack() { import -window root "$work/s.png" 2>/dev/null && convert "$work/s.png" -format '%[fx:mean>0?1:0]' info:; }
start=$(date +%s%N)
wine "$scr" /s &
first=""
for _ in $(seq 200); do
    if [ "$(nonblack)" = 1 ] && xdotool search --name '^Screen Saver$' >/dev/null 2>&1; then
        first=$(( ($(date +%s%N) - start) / 1000000 )); break
    fi
    sleep 0.05
done
pid=$(pgrep -f 'virelo.scr /s' | head -n1)
ticks() { awk '{print $14 + $15}' /proc/$pid/stat; }
sleep 2
t0=$(ticks); w0=$(date +%s%N)
sleep "$seconds"
t1=$(ticks); w1=$(date +%s%N)
rss=$(awk '/VmRSS/ {print $2}' /proc/$pid/status)
hz=$(getconf CLK_TCK)
awk -v dt=$((t1 - t0)) -v hz="$hz" -v ns=$((w1 - w0)) -v rss="$rss" -v first="${first:-none}" -v screen="${SCREEN:-1920x1080}" -v dpi="${LOGPIXELS:-96}" 'BEGIN {
    printf "cpu: %.2f%% of one core over %.1f s (Speed 300, %s, %d dpi)\n", 100 * dt / hz / (ns / 1e9), ns / 1e9, screen, dpi
    printf "resident memory: %d KiB\n", rss
    printf "start to first walker on screen: %s ms\n", first }'
xdotool key space
