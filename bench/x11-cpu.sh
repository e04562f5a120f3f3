#!/usr/bin/env bash
# Cost of the running saver on X11, side by side with the Windows module under Wine on the
# same virtual display: CPU share of one core over 20 s at Speed 300 on 1920 x 1080, of the
# saver and of the X server (and of the wineserver for Wine), and the saver's resident
# memory. Usage: bench/x11-cpu.sh [build/native/bin/virelo [build/win64/virelo.scr]]
# The Wine half is skipped when the module is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
virelo=$(realpath "${1:-build/native/bin/virelo}")
scr=${2:-build/win64/virelo.scr}
seconds=${SECONDS_TO_MEASURE:-20}
screen=${SCREEN:-1920x1080}
export WINEPREFIX=${WINEPREFIX:-$PWD/build/win64/wineprefix-bench} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
for n in $(seq 200 239); do [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break; done
Xvfb ":$n" -screen 0 "${screen}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$n"
saver=""
cleanup() {
    [ -n "$saver" ] && kill "$saver" 2>/dev/null
    [ -f "$scr" ] && wineserver -k >/dev/null 2>&1
    kill $xvfb 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

. bench/measure.sh

echo "Speed 300, $screen, ${seconds} s, $(nproc) cores: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2)"
"$virelo" --root --speed 300 &
saver=$!
measure "X11:" "$saver" "$xvfb"
kill -TERM "$saver"; wait "$saver" || true
saver=""

[ -f "$scr" ] || { echo "Wine: $scr missing, skipped"; exit 0; }
[ -f "$WINEPREFIX/system.reg" ] || { wine wineboot -i >/dev/null 2>&1; wineserver -w; }
wine reg add 'HKCU\Control Panel\Screen Saver.VIRELO' /v Speed /t REG_DWORD /d 300 /f >/dev/null 2>&1
wine reg add 'HKCU\Control Panel\Screen Saver.VIRELO' /v BlankTime /t REG_DWORD /d 0 /f >/dev/null 2>&1
# Other Wine sessions may run on this machine: ours are the processes of our prefix.
ours() {
    local p
    for p in $(pgrep "$@"); do
        tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && echo "$p"
    done | head -n1
}
wine "$(realpath "$scr")" /s &
for _ in $(seq 100); do [ -n "$(ours -f 'virelo.scr /s')" ] && break; sleep 0.1; done
sleep 3
# The wineserver keeps no environment but works in a directory named after the prefix.
server=$(printf 'server-%x-%x' $(stat -c '%d %i' "$WINEPREFIX"))
wineserver_pid=$(for p in $(pgrep '^wineserver'); do
    [[ "$(readlink "/proc/$p/cwd")" == */"$server" ]] && echo "$p"; done | head -n1)
measure "Wine:" "$(ours -f 'virelo.scr /s')" "$xvfb" ${wineserver_pid:+"$wineserver_pid"}
