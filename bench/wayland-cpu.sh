#!/usr/bin/env bash
# Cost of the running saver on Wayland, side by side with the X11 saver: CPU share of one
# core over 20 s at Speed 300 on 1920 x 1080, of virelo-wayland and of sway (headless,
# pixman renderer), then of virelo --root and of its Xvfb; each saver's resident memory.
# sway will not run as root: it runs as nobody with a runtime directory of its own.
# Usage: bench/wayland-cpu.sh [build/native/bin]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(realpath "${1:-build/native/bin}")
seconds=${SECONDS_TO_MEASURE:-20}
screen=${SCREEN:-1920x1080}
work=$(mktemp -d)
chmod 755 "$work"
run=$work/run
sway="" xvfb="" saver=""
cleanup() {
    for p in $saver $sway $xvfb; do kill "$p" 2>/dev/null && wait "$p" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT

. bench/measure.sh

echo "Speed 300, $screen, ${seconds} s, $(nproc) cores: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2)"
mkdir -m 700 "$run" "$work/client"
printf 'xwayland disable\nswaybg_command -\noutput HEADLESS-1 resolution %s\n' "$screen" >"$run/sway.conf"
chown -R 65534:65534 "$run"
setpriv --reuid=65534 --regid=65534 --clear-groups env -i PATH=/usr/bin:/bin HOME="$run" \
    XDG_RUNTIME_DIR="$run" WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    WLR_HEADLESS_OUTPUTS=1 sway -c "$run/sway.conf" >/dev/null 2>&1 &
sway=$!
export SWAYSOCK=""
for _ in $(seq 100); do
    SWAYSOCK=$(ls "$run"/sway-ipc.*.sock 2>/dev/null | head -n1 || true)
    ls "$run"/wayland-[0-9] >/dev/null 2>&1 && [ -n "$SWAYSOCK" ] &&
        swaymsg -t get_outputs 2>/dev/null | grep -q HEADLESS-1 && break
    sleep 0.1
done
XDG_RUNTIME_DIR=$work/client WAYLAND_DISPLAY=$(ls -d "$run"/wayland-[0-9] | head -n1) \
    "$bin/virelo-wayland" --speed 300 &
saver=$!
measure "Wayland:" "$saver" "$sway"
kill -TERM "$saver"; wait "$saver" || true
kill "$sway"; wait "$sway" 2>/dev/null || true
saver="" sway=""

for n in $(seq 200 239); do [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break; done
Xvfb ":$n" -screen 0 "${screen}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$n"
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
"$bin/virelo" --root --speed 300 &
saver=$!
measure "X11:" "$saver" "$xvfb"
