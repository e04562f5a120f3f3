#!/usr/bin/env bash
# virelo-wayland on headless sway: each output's pixels after N ticks equal virelo-render's
# for the same seed and size (small outputs on the logical screen, scale 2 zoomed, an output
# added while it runs); a key, a click, the wheel, pointer motion past 4 pixels and the
# signals end it with code 0 and take its surfaces away; a second copy ends at once;
# swayidle starts it; weston, without layer-shell, gets a window; sway's end ends it.
# sway will not run as root: it runs alone as nobody, and the tests, as root or not, are
# its clients through its socket.
# Usage: test_saver.sh VIRELO_WAYLAND VIRELO_RENDER POINTER_HELPER
set -uo pipefail
saver=$1 render=$2 pointer=$3
work=$(mktemp -d)
chmod 755 "$work"
run=$work/run
sway="" pids=() fails=0
cleanup() {
    exec 3>&- 2>/dev/null
    for p in "${pids[@]}" $sway; do kill "$p" 2>/dev/null && wait "$p" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT

mkdir -m 700 "$run" "$work/client"
cat >"$run/sway.conf" <<EOF
xwayland disable
swaybg_command -
output HEADLESS-1 resolution 1024x768 position 0 0
output HEADLESS-2 resolution 320x200 position 1024 0
output HEADLESS-3 resolution 640x400 position 0 768
EOF
chown -R 65534:65534 "$run"
setpriv --reuid=65534 --regid=65534 --clear-groups env -i PATH=/usr/bin:/bin HOME="$run" \
    XDG_RUNTIME_DIR="$run" WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    WLR_HEADLESS_OUTPUTS=2 sway -c "$run/sway.conf" >"$work/sway.log" 2>&1 &
sway=$!
export XDG_RUNTIME_DIR=$work/client
for _ in $(seq 100); do
    WAYLAND_DISPLAY=$(ls -d "$run"/wayland-[0-9] 2>/dev/null | head -n1)
    SWAYSOCK=$(ls "$run"/sway-ipc.*.sock 2>/dev/null | head -n1)
    export WAYLAND_DISPLAY SWAYSOCK
    [ -S "$WAYLAND_DISPLAY" ] && [ -n "$SWAYSOCK" ] && swaymsg -t get_outputs 2>/dev/null | grep -q HEADLESS-2 && break
    sleep 0.1
done
[ -S "$WAYLAND_DISPLAY" ] && swaymsg -t get_outputs 2>/dev/null | grep -q HEADLESS-2 || { cat "$work/sway.log"; echo "FATAL: sway did not start"; exit 1; }

# exits_with CODE SECONDS PID: the process ends within SECONDS with CODE.
exits_with() {
    local i
    for i in $(seq $(($2 * 20))); do kill -0 "$3" 2>/dev/null || break; sleep 0.05; done
    kill -0 "$3" 2>/dev/null && return 1
    wait "$3"
    [ $? -eq "$1" ]
}
start() { "$saver" "$@" & last=$!; pids+=("$last"); }
# The top-left pixel of an output: sway's own grey there means nothing of ours is shown.
corner() { grim -o "$1" "$work/c.png" && convert "$work/c.png" -format '%[pixel:p{0,0}]' info:; }
mapped() {
    for _ in $(seq 100); do [ "$(corner "$1")" != "srgb(63,63,63)" ] && return; sleep 0.05; done
    return 1
}
bare() { [ "$(corner "$1")" = "srgb(63,63,63)" ]; }
black() { grim -o "$1" "$work/b.png" && [ "$(convert "$work/b.png" -format '%k %[pixel:p{0,0}]' info:)" = "1 srgb(0,0,0)" ]; }
# shows_render OUTPUT WxH SEED TICKS [ZOOM]: within 10 s the output shows the renderer's
# picture; only the picture after exactly TICKS ticks matches.
shows_render() {
    "$render" --seed "$3" --client "$2" --ticks "$4" --zoom "${5:-1}" --out "$work/r.png" || return 1
    for _ in $(seq 50); do
        grim -o "$1" "$work/w.png" &&
            [ "$(compare -metric AE "$work/w.png" "$work/r.png" null: 2>&1)" = 0 ] && return
        sleep 0.2
    done
    return 1
}
point() { echo "$@" >&3; sleep 0.5; }
# weston has no layer-shell: the saver says so, opens its window, and runs until SIGTERM.
on_weston() {
    mkdir -m 700 "$work/weston"
    XDG_RUNTIME_DIR=$work/weston weston --backend=headless-backend.so --socket=wayland-w \
        --idle-time=0 >/dev/null 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do [ -S "$work/weston/wayland-w" ] && break; sleep 0.1; done
    WAYLAND_DISPLAY=$work/weston/wayland-w "$saver" 2>"$work/weston.err" &
    last=$!
    sleep 1 && kill -TERM $last && exits_with 0 5 $last && grep -q 'no layer-shell' "$work/weston.err"
}
# swayidle's command is no child of ours: it leaves its code in a file.
idle_ended() {
    for _ in $(seq 100); do [ -s "$work/idle.rc" ] && break; sleep 0.05; done
    [ "$(cat "$work/idle.rc" 2>/dev/null)" = "$1" ]
}

mkfifo "$work/pointer"
"$pointer" <"$work/pointer" &
pids+=($!)
exec 3>"$work/pointer"
point abs 500 300 1344 1168

# Each case: what it shows | the command. They run in order, on the state the ones
# before left.
cases=(
    "a bad option: code 2|\"\$saver\" --speed 301 2>/dev/null; [ \$? -eq 2 ]"
    "no Wayland display: code 1|WAYLAND_DISPLAY=$work/none \"\$saver\" 2>/dev/null; [ \$? -eq 1 ]"
    "1024x768 output equals the renderer|start --seed 3 --ticks 30 --speed 300 && shows_render HEADLESS-1 1024x768 3 30"
    "320x200 output (logical screen) equals the renderer|shows_render HEADLESS-2 320x200 3 30"
    "an output added while it runs gets its own parade|swaymsg create_output >/dev/null && shows_render HEADLESS-3 640x400 3 30"
    "a second copy ends at once with 0|timeout 5 \"\$saver\" && kill -0 \$last"
    "SIGTERM ends it with 0|kill -TERM \$last && exits_with 0 5 \$last"
    "... and its surfaces are gone|bare HEADLESS-1 && bare HEADLESS-2 && bare HEADLESS-3"
    "a key ends it with 0|start && mapped HEADLESS-1 && wtype -s 200 -k space && exits_with 0 5 \$last"
    "pointer motion of 3 px does not end it|start && mapped HEADLESS-1 && point move 0 0 && point move 3 0 && kill -0 \$last"
    "... of 6 px does, with 0|point move 3 0 && exits_with 0 5 \$last"
    "a click ends it with 0|start && mapped HEADLESS-1 && point click && exits_with 0 5 \$last"
    "the wheel ends it with 0|start && mapped HEADLESS-1 && point wheel && exits_with 0 5 \$last"
    "blank time 1 s: every output turns black|start --blank-time 1 --speed 300 && sleep 2.5 && black HEADLESS-1 && black HEADLESS-2 && kill \$last && exits_with 0 5 \$last"
    "swayidle starts it after 1 s idle|swayidle -w timeout 1 \"\$saver; echo \\\$? >$work/idle.rc\" resume \"touch $work/resumed\" 2>/dev/null & pids+=(\$!); mapped HEADLESS-1"
    "... and a key ends it with 0, resuming swayidle|wtype -s 200 -k space && idle_ended 0 && sleep 0.5 && [ -e $work/resumed ]"
    "scale 2: 1600x1000 equals the renderer zoomed 2|swaymsg output HEADLESS-1 resolution 1600x1000 scale 2 >/dev/null && start --seed 5 --ticks 25 --speed 300 && shows_render HEADLESS-1 800x500 5 25 2"
    "SIGHUP ends it with 0|kill -HUP \$last && exits_with 0 5 \$last"
    "without layer-shell (weston): a window, a line on stderr, SIGTERM ends it with 0|on_weston"
    "the compositor going away ends it with 0|start && mapped HEADLESS-1 && kill \$sway && exits_with 0 5 \$last"
)
for c in "${cases[@]}"; do
    if eval "${c#*|}"; then echo "ok   ${c%%|*}"; else echo "FAIL ${c%%|*}"; fails=$((fails + 1)); fi
done
echo "$fails failed"
[ "$fails" -eq 0 ]
