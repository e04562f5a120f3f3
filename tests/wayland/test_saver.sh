#!/usr/bin/env bash
# virelo-wayland on headless sway, KWin and mutter: each output's pixels after N ticks
# equal virelo-render's for the same seed and size (small outputs on the logical screen,
# scale 2 zoomed, an output added while it runs, a scale changed while it runs); a key, a
# click, the wheel, pointer motion past 4 pixels and the signals end it with code 0 and take
# its surfaces away; a second copy on the same display ends at once, however the display is
# spelt, but not through a lock in a directory that others may write; the blank time counts from the start and holds for outputs added later; an output
# going away leaves the others drawing; swayidle starts it; a locker started over it waits
# beneath until a key ends it; without layer-shell (mutter, weston) every output gets a window
# of its own, and a window mapped over them ends it; the compositor's end ends it.
# sway will not run as root: it runs alone as nobody, and the tests, as root or not, are
# its clients through its socket. KWin and mutter run as us with a session bus of their own;
# mutter's pictures come through PipeWire and its input from its remote desktop service, by
# mutter.py.
# Usage: test_saver.sh VIRELO_WAYLAND VIRELO_RENDER POINTER_HELPER
# (WAYLAND_TEST_COMPOSITORS=sway, =kwin or =mutter runs the cases of one only.)
set -uo pipefail
saver=$1 render=$2 pointer=$3 here=$(dirname "$(realpath "$0")")
work=$(mktemp -d)
chmod 755 "$work"
run=$work/run
server="" pids=() fails=0
cleanup() {
    exec 3>&- 2>/dev/null
    for p in "${pids[@]}" $server; do kill "$p" 2>/dev/null && wait "$p" 2>/dev/null; done
    [ -s "$work/dbus.pid" ] && kill "$(cat "$work/dbus.pid")"
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -m 700 "$run" "$work/client" "$work/nest"
export XDG_RUNTIME_DIR=$work/client

# sway's way to run (as nobody, in a bare environment under $run), as a direct child.
as_nobody=(setpriv --reuid=65534 --regid=65534 --clear-groups env -i PATH=/usr/bin:/bin HOME="$run"
           XDG_RUNTIME_DIR="$run" WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1)
# until_up SECONDS COMMAND...: polls until the command succeeds.
until_up() {
    local i
    for i in $(seq $(($1 * 10))); do "${@:2}" 2>/dev/null && return; sleep 0.1; done
    return 1
}
sway_up() {
    WAYLAND_DISPLAY=$(ls -d "$run"/wayland-[0-9] 2>/dev/null | head -n1)
    SWAYSOCK=$(ls "$run"/sway-ipc.*.sock 2>/dev/null | head -n1)
    export WAYLAND_DISPLAY SWAYSOCK
    [ -S "$WAYLAND_DISPLAY" ] && [ -n "$SWAYSOCK" ] && swaymsg -t get_outputs | grep -q HEADLESS-2
}
# Each *_up starts its compositor with an output $o1 of size $s1, a second one $o2 of size $s2
# and $outs all of them (on sway, the third once a case has added it), and points the
# clients at it.
up_sway() {
    cat >"$run/sway.conf" <<EOC
xwayland disable
swaybg_command -
default_border none
output HEADLESS-1 resolution 1024x768 position 0 0
output HEADLESS-2 resolution 320x200 position 1024 0
output HEADLESS-3 resolution 640x400 position 0 768
output HEADLESS-4 resolution 320x200 position 1344 0
EOC
    chown -R 65534:65534 "$run" "$work/nest"
    "${as_nobody[@]}" WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS=2 sway -c "$run/sway.conf" >"$work/sway.log" 2>&1 &
    server=$! o1=HEADLESS-1 o2=HEADLESS-2 s1=1024x768 s2=320x200 outs="HEADLESS-1 HEADLESS-2 HEADLESS-3"
    until_up 10 sway_up || { cat "$work/sway.log"; return 1; }
}
# kwin_wayland refuses to run with the file capability it carries and this container
# lacks; a plain copy runs, but only under that name, found first on PATH.
up_kwin() {
    mkdir -p "$work/kwin"
    cp /usr/bin/kwin_wayland "$work/kwin/"
    bus_up
    env -i PATH="$work/kwin:/usr/bin:/bin" HOME="$run" XDG_RUNTIME_DIR="$run" \
        DBUS_SESSION_BUS_ADDRESS="unix:path=$run/bus" KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 \
        KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 kwin_wayland --virtual --width 1024 --height 768 \
        --output-count 2 --socket wayland-k --no-lockscreen --no-global-shortcuts \
        --no-kactivities "$@" >"$work/kwin.log" 2>&1 &
    server=$! o1=Virtual-0 o2=Virtual-1 s1=1024x768 s2=1024x768 outs="Virtual-0 Virtual-1"
    export WAYLAND_DISPLAY=$run/wayland-k DBUS_SESSION_BUS_ADDRESS=unix:path=$run/bus
    until_up 10 shot "$o2" "$work/k.png" || { cat "$work/kwin.log"; return 1; }
}
bus_up() {
    [ -s "$work/dbus.pid" ] ||
        dbus-daemon --session --address="unix:path=$run/bus" --fork --print-pid >"$work/dbus.pid"
}
# up_mutter [WxH]: monitors of WxH (1280x720) and 800x600 beside it, with PipeWire for the
# pictures; its desktop on each, for bare to compare with, once mutter.py is up.
up_mutter() {
    bus_up
    local e=(env -i PATH=/usr/bin:/bin HOME="$run" XDG_RUNTIME_DIR="$run" DBUS_SESSION_BUS_ADDRESS="unix:path=$run/bus")
    if [ -z "${pipewire:-}" ]; then
        "${e[@]}" pipewire >/dev/null 2>&1 &
        pipewire=$!
        until_up 5 test -S "$run/pipewire-0"
        "${e[@]}" wireplumber >/dev/null 2>&1 &
        pids+=("$pipewire" $!)
    fi
    "${e[@]}" mutter --headless --wayland --no-x11 --wayland-display=wayland-m \
        --virtual-monitor "${1:-1280x720}" --virtual-monitor 800x600 >"$work/mutter.log" 2>&1 &
    server=$! o1=Meta-0 o2=Meta-1 s1=${1:-1280x720} s2=800x600 outs="Meta-0 Meta-1"
    export WAYLAND_DISPLAY=$run/wayland-m DBUS_SESSION_BUS_ADDRESS=unix:path=$run/bus
    until_up 10 test -S "$WAYLAND_DISPLAY" || { cat "$work/mutter.log"; return 1; }
}
down() { kill "$server" && { wait "$server"; true; }; }

# exits_with CODE SECONDS PID: the process ends within SECONDS with CODE.
exits_with() {
    local i
    for i in $(seq $(($2 * 20))); do kill -0 "$3" 2>/dev/null || break; sleep 0.05; done
    kill -0 "$3" 2>/dev/null && return 1
    wait "$3"
    [ $? -eq "$1" ]
}
start() { "$saver" "$@" & last=$!; pids+=("$last"); }
# mine SECONDS: the saver as sway's own user, with no runtime directory (its lock lies beside
# the socket), for at most SECONDS (0: until ended). It takes the place of its shell: run it
# in a subshell or in the background.
mine() { exec timeout "$1" "${as_nobody[@]}" WAYLAND_DISPLAY="$WAYLAND_DISPLAY" env -u XDG_RUNTIME_DIR "$saver"; }
# shot OUTPUT FILE: the output's physical pixels (KWin's come raw through a pipe).
shot() {
    if [ "$comp" = mutter ]; then
        rm -f "$2" && echo "shot $*" >&3 && until_up 10 test -e "$2"
    elif [ "$comp" = sway ]; then grim -o "$1" "$2"; else /usr/bin/python3 - "$@" <<'EOP'; fi
import dbus, os, sys
read, write = os.pipe()
shot = dbus.Interface(dbus.SessionBus().get_object("org.kde.KWin", "/org/kde/KWin/ScreenShot2"),
                      "org.kde.KWin.ScreenShot2")
meta = shot.CaptureScreen(sys.argv[1], {"native-resolution": True}, dbus.types.UnixFd(write))
os.close(write)
with os.fdopen(read, "rb") as f:
    data = f.read()
w, h, stride = int(meta["width"]), int(meta["height"]), int(meta["stride"])
bgra = b"".join(data[y * stride:y * stride + w * 4] for y in range(h))
rgb = bytearray(w * h * 3)
rgb[0::3], rgb[1::3], rgb[2::3] = bgra[2::4], bgra[1::4], bgra[0::4]
with open(sys.argv[2], "wb") as f:
    f.write(b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n" % (w, h) + rgb)
EOP
}
# colours OUTPUT: how many colours it shows and the top-left one.
colours() { shot "$1" "$work/c.pam" && convert "$work/c.pam" -alpha off -format '%k %[pixel:p{0,0}]' info:; }
# Nothing of ours shows: sway's own grey, KWin's empty desktop, which is black (there this
# says only that no walker is left), or mutter's desktop as it was before any saver. sway
# draws the cursor, under 400 pixels.
bare() {
    [ "$comp" = mutter ] && { shot "$1" "$work/c.pam" && same "$work/c.pam" "$work/desk-$1.png"; return; }
    local desk=black
    [ "$comp" = sway ] && desk="srgb(63,63,63)"
    shot "$1" "$work/c.pam" && [ "$(convert "$work/c.pam" -fill white +opaque "$desk" -fill black \
        -opaque "$desk" -format '%[fx:round(mean*w*h)]' info:)" -lt 400 ]
}
black() { [ "$(colours "$1")" = "1 srgb(0,0,0)" ]; }
same() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = 0 ]; }
# A walker is drawn: more than the one colour of a bare or black output (mutter's desktop has
# many: not that either).
drawn() {
    [ "$(colours "$1" | cut -d' ' -f1)" -gt 1 ] && { [ "$comp" != mutter ] || ! same "$work/c.pam" "$work/desk-$1.png"; }
}
mapped() { until_up 5 drawn "$1"; }
each() { local o; for o in $outs; do "$@" "$o" || return; done; }
# shows_render OUTPUT WxH SEED TICKS [ZOOM]: within 10 s the output shows the renderer's
# picture; only the picture after exactly TICKS ticks matches.
shows_render() {
    "$render" --seed "$3" --client "$2" --ticks "$4" --zoom "${5:-1}" --out "$work/r.png" || return 1
    for _ in $(seq 50); do
        shot "$1" "$work/w.pam" && same "$work/w.pam" "$work/r.png" && return
        sleep 0.2
    done
    return 1
}
point() { echo "$@" >&3; sleep 0.5; }
key() { if [ "$comp" = sway ]; then wtype -s 200 -k space; else point key; fi; }
# The pointer helper outlives its compositor, blocked on the pipe: the next one must not
# share the pipe with it. mutter's starts its input devices and takes each monitor's desktop.
pointer_up() {
    exec 3>&-
    [ -n "${helper:-}" ] && kill "$helper" 2>/dev/null
    if [ "$comp" = mutter ]; then
        XDG_RUNTIME_DIR=$run /usr/bin/python3 "$here/mutter.py" <"$work/pointer" &
    else
        "$pointer" <"$work/pointer" &
    fi
    helper=$!
    pids+=($helper)
    exec 3>"$work/pointer"
    point abs 500 300 1344 1168
    [ "$comp" != mutter ] || each desktop
}
desktop() { shot "$1" "$work/desk-$1.png"; }
mkfifo "$work/pointer"
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
# A sway nested in ours (its outputs are our windows, and closing one takes that output
# away): WL-1 320x200 on HEADLESS-2, WL-2 640x400 on HEADLESS-3.
nested() {
    swaymsg focus output HEADLESS-2 >/dev/null || return
    "${as_nobody[@]}" XDG_RUNTIME_DIR="$work/nest" WAYLAND_DISPLAY="$WAYLAND_DISPLAY" WLR_BACKENDS=wayland \
        sway -c "$run/sway.conf" >"$work/nest.log" 2>&1 &
    pids+=($!)
    until_up 10 nest_up && swaymsg focus output HEADLESS-3 >/dev/null &&
        SWAYSOCK=$nestsock swaymsg create_output >/dev/null && until_up 5 swaymsg "[title=WL-2] focus" >/dev/null
}
nest_up() {
    nest=$(ls -d "$work"/nest/wayland-[0-9] | head -n1) nestsock=$(ls "$work"/nest/sway-ipc.*.sock)
    [ -S "$nest" ] && SWAYSOCK=$nestsock swaymsg -t get_outputs | grep -q "${1:-WL-1}"
}
# lock: swaylock over the running saver. sway 1.7 takes the keyboard from the saver and
# gives it back at once: the parade stays on top until a key ends it and leaves the locker.
lock() {
    swaylock -c 336699 2>/dev/null &
    local locker=$!
    pids+=($locker)
    sleep 1 && kill -0 "$last" && drawn HEADLESS-1 && key && exits_with 0 5 "$last" &&
        [ "$(colours HEADLESS-1)" = "1 srgb(51,102,153)" ] && kill $locker
}

# Each case: where it runs (sway, kwin or both) | what it shows | the command. They run in
# order, on the state the ones before left.
cases=(
    "sway|a bad option: code 2|\"\$saver\" --speed 301 2>/dev/null; [ \$? -eq 2 ]"
    "sway|no Wayland display: code 1|WAYLAND_DISPLAY=$work/none \"\$saver\" 2>/dev/null; [ \$? -eq 1 ]"
    "all|the first output (1024x768, on mutter 1280x720) equals the renderer|start --seed 3 --ticks 30 --speed 300 && shows_render \$o1 \$s1 3 30"
    "all|the second output (320x200 on sway, on the logical screen; 800x600 on mutter) equals the renderer|shows_render \$o2 \$s2 3 30"
    "sway|an output added while it runs gets its own parade|swaymsg create_output >/dev/null && shows_render HEADLESS-3 640x400 3 30"
    "all|a second copy ends at once with 0|timeout 5 \"\$saver\" && kill -0 \$last"
    "all|... also by another spelling of the socket's name|WAYLAND_DISPLAY=../run/\${WAYLAND_DISPLAY##*/} timeout 5 \"\$saver\" && kill -0 \$last"
    "sway|... and as the compositor's user with no runtime directory, by the lock beside its socket|mine 0 & m=\$!; pids+=(\$m); sleep 1 && (mine 5) && kill -0 \$m"
    "sway|a group-writable socket directory holds no lock: a line, and a second copy runs|chmod g+w $run && (mine 2) 2>$work/gw.err; [ \$? -eq 124 ] && grep -q 'no place for the lock' $work/gw.err; r=\$?; chmod g-w $run; kill \$m; wait \$m; [ \$r -eq 0 ]"
    "all|SIGTERM ends it with 0|kill -TERM \$last && exits_with 0 5 \$last"
    "all|... and its surfaces are gone|each bare"
    "all|a key ends it with 0|start && mapped \$o1 && key && exits_with 0 5 \$last"
    "all|pointer motion of 1 px, then 3 px more, does not end it|start && mapped \$o1 && point move 1 0 && point move 3 0 && kill -0 \$last"
    "all|... 3 px more does, with 0|point move 3 0 && exits_with 0 5 \$last"
    "all|a click ends it with 0|start && mapped \$o1 && point click && exits_with 0 5 \$last"
    "all|the wheel ends it with 0|start && mapped \$o1 && point wheel && exits_with 0 5 \$last"
    "all|blank time 3 s from the start (a picture takes mutter up to 1 s): drawing at 1 s, every output black at 3.5 s|start --blank-time 3 --speed 300 && sleep 1 && drawn \$o1 && sleep 2.5 && each black"
    "sway|... and an output added then is black at once and stays so|swaymsg create_output >/dev/null && until_up 1 black HEADLESS-4 && sleep 1.5 && black HEADLESS-4 && kill \$last && exits_with 0 5 \$last"
    "sway|a locker started over it: the parade stays on top, a key ends it with 0 and shows the locker|start && mapped HEADLESS-1 && lock"
    "sway|an output taken away leaves the others drawing|nested && WAYLAND_DISPLAY=\$nest start --seed 4 --ticks 90 --speed 300 && WAYLAND_DISPLAY=\$nest mapped WL-2 && swaymsg '[title=WL-2] kill' >/dev/null && WAYLAND_DISPLAY=\$nest shows_render WL-1 320x200 4 90 && ! nest_up WL-2 && kill -0 \$last && kill \$last && exits_with 0 5 \$last"
    "sway|swayidle starts it after 1 s idle|swayidle -w timeout 1 \"\$saver; echo \\\$? >$work/idle.rc\" resume \"touch $work/resumed\" 2>/dev/null & idle=\$!; pids+=(\$idle); mapped HEADLESS-1"
    "sway|... and a key ends it with 0, resuming swayidle|key && idle_ended 0 && sleep 0.5 && [ -e $work/resumed ] && kill \$idle"
    "sway|scale 2: 1600x1000 equals the renderer zoomed 2|swaymsg output HEADLESS-1 resolution 1600x1000 scale 2 >/dev/null && start --seed 5 --ticks 25 --speed 300 && shows_render HEADLESS-1 800x500 5 25 2"
    "sway|... scale 4 while it runs: the parade placed anew, 25 ticks zoomed 4|swaymsg output HEADLESS-1 scale 4 >/dev/null && shows_render HEADLESS-1 400x250 5 25 4"
    "sway|SIGHUP ends it with 0|kill -HUP \$last && exits_with 0 5 \$last"
    "sway|without layer-shell (weston): a window, a line on stderr, SIGTERM ends it with 0|on_weston"
    "kwin|scale 2: 2048x1536 equals the renderer zoomed 2|down && up_kwin --scale 2 && start --seed 5 --ticks 25 --speed 300 && shows_render \$o1 1024x768 5 25 2"
    "mutter|a window mapped over it takes the keyboard and ends it with 0|kill \$last && start && mapped \$o1 && { weston-simple-shm >/dev/null 2>&1 & pids+=(\$!); } && exits_with 0 5 \$last && kill \${pids[-1]}"
    "mutter|scale 2: 2560x1440 equals the renderer zoomed 2, the 800x600 beside it unzoomed|down && up_mutter 2560x1440 && pointer_up && point scale Meta-0 2 && start --seed 5 --ticks 25 --speed 300 && shows_render \$o1 1280x720 5 25 2 && shows_render \$o2 800x600 5 25"
    "all|the compositor going away ends it with 0|start && mapped \$o1 && down && exits_with 0 5 \$last"
)
for comp in ${WAYLAND_TEST_COMPOSITORS:-sway kwin mutter}; do
    "up_$comp" || { echo "FATAL: $comp did not start"; exit 1; }
    pointer_up
    for c in "${cases[@]}"; do
        where=${c%%|*} c=${c#*|}
        [ "$where" = all ] || [ "$where" = "$comp" ] || continue
        if eval "${c#*|}"; then echo "ok   $comp: ${c%%|*}"; else echo "FAIL $comp: ${c%%|*}"; fails=$((fails + 1)); fi
    done
done
echo "$fails failed"
[ "$fails" -eq 0 ]
