#!/usr/bin/env bash
# The real daemon: Debian's xscreensaver on Xvfb, for a user whose ~/.xscreensaver lists
# only our program. `xscreensaver-command -activate` starts it and walkers appear;
# `-deactivate` ends it and no process of it is left. XScreenSaver refuses to run as
# root, so under root (CI) the daemon runs as the unprivileged user virelo-test, made
# here if missing; otherwise as the calling user. The home is a fresh directory either way.
# Usage: test_xscreensaver.sh VIRELO
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
chmod 755 "$work"
cp "$1" "$work/virelo"  # one file: the sprites are built in; reachable by the test user
mkdir "$work/home"
cat >"$work/home/.xscreensaver" <<CONF
mode:		one
selected:	0
lock:		False
fade:		False
unfade:		False
splash:		False
dpmsEnabled:	False
timeout:	1:00:00
programs:	"Virelo" $work/virelo --root \n
CONF

as_user=()
user=$(id -un)
if [ "$(id -u)" -eq 0 ]; then
    user=virelo-test
    id "$user" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$user"
    chown -R "$user" "$work/home"
    as_user=(runuser -u "$user" --)
fi
run() { "${as_user[@]}" env HOME="$work/home" DISPLAY="$DISPLAY" "$@"; }

for n in $(seq 200 239); do [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break; done
# -ac: the test user may connect; only the local socket listens.
Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset -ac >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$n"
daemon=""
cleanup() {
    run xscreensaver-command -exit >/dev/null 2>&1
    [ -n "$daemon" ] && { kill "$daemon" 2>/dev/null; wait "$daemon" 2>/dev/null; }
    kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done

fail() { echo "FAIL: $*"; [ -f "$work/daemon.log" ] && tail -n 20 "$work/daemon.log"; exit 1; }
savers() { pgrep -u "$user" -x virelo; }
nonblack() { python3 "$here/../wine/xpix.py" stats | sed 's/.*nonblack=\([0-9]*\).*/\1/'; }

run xscreensaver --no-splash --verbose </dev/null >"$work/daemon.log" 2>&1 &
daemon=$!
for _ in $(seq 100); do run xscreensaver-command -time >/dev/null 2>&1 && break; sleep 0.1; done
run xscreensaver-command -time >/dev/null 2>&1 || fail "the daemon did not start"

run xscreensaver-command -activate >/dev/null
for _ in $(seq 100); do [ -n "$(savers)" ] && [ "$(nonblack)" -gt 500 ] && break; sleep 0.1; done
pid=$(savers | head -n1)
[ -n "$pid" ] || fail "-activate started no virelo"
[ "$(nonblack)" -gt 500 ] || fail "no walkers on the screen"
grep -q "forked \"$work/virelo --root\" in pid $pid on window 0x" "$work/daemon.log" ||
    fail "not the daemon's own start of virelo on its window"
echo "activate: virelo $pid running, $(nonblack) non-black pixels"

run xscreensaver-command -deactivate >/dev/null
for _ in $(seq 100); do [ -z "$(savers)" ] && break; sleep 0.1; done
[ -z "$(savers)" ] || fail "virelo still running after -deactivate"
echo "deactivate: no virelo left"
