#!/usr/bin/env bash
# The X11 saver on Xvfb. The picture after N ticks equals virelo-render's for the same seed
# and size, on --root, on XSCREENSAVER_WINDOW and on --window-id (decimal and hex, winning
# over both), scaled and not, zoomed by --zoom and by Xft.dpi, in its own window sized by a
# window manager as it maps it; blanking, and no wake-ups once black; SIGTERM, a click, the
# close request and the loss of the window end it with code 0, other client messages do not;
# SIGTERM ends it too while a window manager keeps it waiting for the map.
# Usage: test_saver.sh VIRELO VIRELO_RENDER
set -uo pipefail
virelo=$1 render=$2
work=$(mktemp -d)
xvfb="" fails=0
cleanup() { [ -n "$xvfb" ] && { kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; }; rm -rf "$work"; }
trap cleanup EXIT

check() {  # check NAME COMMAND...
    if "${@:2}"; then echo "ok   $1"; else echo "FAIL $1"; fails=$((fails + 1)); fi
}

# x_start WxH: a fresh Xvfb on the first free display from :200, with its default patterned
# root (the saver must clear it) and kept when its last client leaves (the picture stays).
x_start() {
    [ -n "$xvfb" ] && { kill "$xvfb"; wait "$xvfb" 2>/dev/null; }
    local n
    for n in $(seq 200 239); do [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break; done
    Xvfb ":$n" -screen 0 "${1}x24" -nolisten tcp -noreset >/dev/null 2>&1 &
    xvfb=$!
    export DISPLAY=":$n"
    for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && return; sleep 0.05; done
    echo "FATAL: Xvfb did not start"; exit 1
}

# exits_with CODE SECONDS PID: the process ends within SECONDS with CODE.
exits_with() {
    local i
    for i in $(seq $(($2 * 20))); do kill -0 "$3" 2>/dev/null || break; sleep 0.05; done
    kill -0 "$3" 2>/dev/null && { kill -9 "$3"; return 1; }
    wait "$3"
    [ $? -eq "$1" ]
}

# shows_render SIZE SEED TICKS ARGS...: runs the saver for TICKS and compares the screen
# with the renderer's picture of a SIZE stage, zoomed by $ZOOM (default 1).
shows_render() {
    local size=$1 seed=$2 ticks=$3
    shift 3
    "$virelo" "$@" --seed "$seed" --ticks "$ticks" --speed 300 &&
        import -window root "$work/x.png" &&
        "$render" --seed "$seed" --client "$size" --ticks "$ticks" --zoom "${ZOOM:-1}" --out "$work/r.png" &&
        [ "$(compare -metric AE "$work/x.png" "$work/r.png" null: 2>&1)" = 0 ]
}
xclient="/usr/bin/python3 $(dirname "$0")/xclient.py"

root_id() { xwininfo -root | awk '/Window id:/ {print $4}'; }
nonblack() { python3 "$(dirname "$0")/../wine/xpix.py" stats | sed 's/.*nonblack=\([0-9]*\).*/\1/'; }

x_start 1024x768
check "1024x768 --root equals the renderer" shows_render 1024x768 7 40 --root
check "blank time 1 s: black by tick 40" sh -c '"$0" --root --blank-time 1 --speed 300 --ticks 40' "$virelo"
check "... and the screen is black" [ "$(nonblack)" = 0 ]
# Black for good, it sleeps until the display or a signal wakes it (a tick every 33 ms before).
"$virelo" --root --blank-time 1 --speed 300 &
saver=$!
switches() { sleep "$1"; awk '/^voluntary_ctxt_switches/ {print $2}' "/proc/$saver/status"; }
first=$(switches 2)
woken=$(($(switches 5) - first))
echo "voluntary context switches over 5 s once black: $woken"
check "blanked: at most 5 wake-ups in 5 s" [ "$woken" -le 5 ]
kill -TERM "$saver"
check "... and SIGTERM still ends it with 0" exits_with 0 5 "$saver"
check "bad XSCREENSAVER_WINDOW: code 2" sh -c 'XSCREENSAVER_WINDOW=junk "$0" --root --ticks 1 2>/dev/null; [ $? -eq 2 ]' "$virelo"
check "a window that does not exist: code 1" sh -c '"$0" --window-id 0x3ffffff --ticks 1 2>/dev/null; [ $? -eq 1 ]' "$virelo"

"$virelo" &
own=$!
timeout 10 xdotool search --sync --name "^Virelo$" >"$work/id" 2>/dev/null
"$virelo" --window-id "$(head -n1 "$work/id")" --speed 300 &
guest=$!
sleep 1
check "own window: nonblack while running" [ "$(nonblack)" -gt 0 ]
kill -TERM "$own"
check "own window: SIGTERM ends it with 0" exits_with 0 5 "$own"
check "a saver on that window ends with 0 when it goes" exits_with 0 5 "$guest"
check "no window left" sh -c '! xdotool search --name "^Virelo$" >/dev/null 2>&1'
"$virelo" &
own=$!
timeout 10 xdotool search --sync --onlyvisible --name "^Virelo$" >/dev/null 2>&1
xdotool mousemove 100 100 click 1
check "own window: a click ends it with 0" exits_with 0 5 "$own"

# A client message that is not the close request of its own window leaves it running.
"$virelo" --root --speed 300 &
saver=$!
sleep 0.5
$xclient send "$(root_id)" WM_PROTOCOLS WM_DELETE_WINDOW
$xclient send "$(root_id)" VIRELO_ANY
"$virelo" &
own=$!
id=$(timeout 10 xdotool search --sync --onlyvisible --name "^Virelo$" 2>/dev/null | head -n1)
$xclient send "$id" VIRELO_ANY WM_DELETE_WINDOW
$xclient send "$id" WM_PROTOCOLS
sleep 0.5
check "other client messages end neither" kill -0 "$saver" "$own"
$xclient send "$id" WM_PROTOCOLS WM_DELETE_WINDOW
check "own window: the close request ends it with 0" exits_with 0 5 "$own"
kill -TERM "$saver"
check "... and --root goes on until SIGTERM, 0" exits_with 0 5 "$saver"

# A manager that sizes the window as it maps it: the parade is placed for that size.
$xclient wm 500x300 >"$work/wm" &
wm=$!
timeout 5 sh -c "until [ -s '$work/wm' ]; do sleep 0.05; done"
"$virelo" --seed 13 --ticks 30 --speed 300 &
own=$!
timeout 10 xdotool search --sync --onlyvisible --name "^Virelo$" >/dev/null 2>&1
sleep 2
import -window root -crop 500x300+0+0 +repage "$work/x.png"
"$render" --seed 13 --client 500x300 --ticks 30 --out "$work/r.png"
check "own window sized 500x300 by the manager equals the renderer, and stays after --ticks" \
    [ "$(compare -metric AE "$work/x.png" "$work/r.png" null: 2>&1)" = 0 ]
xdotool mousemove 100 100 click 1
check "... and a click ends it with 0" exits_with 0 5 "$own"
kill "$wm"; wait "$wm" 2>/dev/null

# A manager that takes the map request and never maps: waiting for the map, the saver still
# answers SIGTERM.
$xclient wm never >"$work/wm" &
wm=$!
timeout 5 sh -c "until [ -s '$work/wm' ]; do sleep 0.05; done"
"$virelo" &
own=$!
sleep 1
kill -TERM "$own"
check "own window never mapped: SIGTERM ends it within a second, with 0" exits_with 0 1 "$own"
kill "$wm"; wait "$wm" 2>/dev/null

x_start 1280x800
check "--window-id --zoom 2 equals the renderer's 640x400 zoomed 2" env ZOOM=2 bash -c \
    "$(declare -f shows_render); virelo='$virelo' render='$render' work='$work' shows_render 640x400 9 30 --window-id $(root_id) --zoom 2"
echo 'Xft.dpi: 192' | xrdb -merge
check "Xft.dpi 192 zooms the same" env ZOOM=2 bash -c \
    "$(declare -f shows_render); virelo='$virelo' render='$render' work='$work' shows_render 640x400 9 30 --root"

x_start 800x600
check "800x600 --root --window-id hex (XSCREENSAVER_WINDOW set elsewhere) equals the renderer" \
    env XSCREENSAVER_WINDOW=0x3ffffff bash -c \
    "$(declare -f shows_render); virelo='$virelo' render='$render' work='$work' shows_render 800x600 11 60 --root --window-id $(root_id)"
x_start 639x480
check "639x480 (scaled) XSCREENSAVER_WINDOW equals the renderer" \
    env XSCREENSAVER_WINDOW="$(root_id)" bash -c "$(declare -f shows_render); virelo='$virelo' render='$render' work='$work' shows_render 639x480 3 50 --root"
x_start 320x200
check "320x200 (scaled) --window-id decimal equals the renderer" shows_render 320x200 5 45 --window-id $(($(root_id)))
"$virelo" --root --speed 300 &
saver=$!
sleep 0.5
kill -INT "$saver"
check "scaled: SIGINT ends it with 0" exits_with 0 5 "$saver"

echo "$fails failed"
[ "$fails" -eq 0 ]
