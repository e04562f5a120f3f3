# shellcheck shell=bash
# Shared functions for the Wine end-to-end tests. Sourced by the test_*.sh scripts:
#
#   . "$(dirname "$0")/lib.sh"
#   wt_init "$@"            # MODULE [HELPER_DIR]; sets up display, prefix, cleanup
#   ... checks ...
#   wt_finish               # prints the tally, exits 0 only when nothing failed
#
# Environment (all optional):
#   WINEPREFIX            prefix to use (default: <module dir>/wineprefix, created on first use)
#   WT_ARTIFACTS          where screenshots and logs go (default: <helper dir>/artifacts)
#   WT_SHARED=1           run-all.sh has started X, the window manager and the wineserver;
#                         the script uses them and leaves them running
#   WT_KEEP=1             leave artifacts of passing checks too (screenshots are always kept)
# Every wait is bounded; a hang becomes a failure, never a blocked run.

set -u

WT_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
WT_PASS=0
WT_FAIL=0
WT_PIDS=""
WT_XVFB_PID=""
WT_WM_PID=""
WT_XEPHYR_PID=""
WT_OWN_X=0
WT_NAME=$(basename "$0" .sh)

wt_log() { echo "[$(date +%H:%M:%S)] $*"; }
# WT_CASE, when set, names the case that the following checks belong to.
wt_pass() { WT_PASS=$((WT_PASS + 1)); echo "PASS: ${WT_CASE:+$WT_CASE: }$*"; }
wt_fail() { WT_FAIL=$((WT_FAIL + 1)); echo "FAIL: ${WT_CASE:+$WT_CASE: }$*"; }

# check_eq DESCRIPTION GOT EXPECTED
check_eq() {
    if [ "$2" = "$3" ]; then wt_pass "$1 ($2)"; else wt_fail "$1: got '$2', expected '$3'"; fi
}
# check_ne DESCRIPTION GOT NOT_EXPECTED
check_ne() {
    if [ "$2" != "$3" ]; then wt_pass "$1 ($2)"; else wt_fail "$1: got '$2', expected anything else"; fi
}
# check_range DESCRIPTION GOT LOW HIGH  (numbers, inclusive; decimals allowed)
check_range() {
    if [ -n "$2" ] && awk -v g="$2" -v l="$3" -v h="$4" 'BEGIN { exit !(g + 0 == g && g >= l && g <= h) }' </dev/null; then
        wt_pass "$1 ($2 within $3..$4)"
    else
        wt_fail "$1: got '$2', expected $3..$4"
    fi
}
# check_true DESCRIPTION DETAIL COMMAND...  (passes when the command succeeds)
check_true() {
    local d=$1 detail=$2
    shift 2
    if "$@"; then wt_pass "$d"; else wt_fail "$d: $detail"; fi
}

# Value of "key value..." lines as printed by the helper programs: field KEY FILE
field() { awk -v k="$1" '$1 == k { sub(/^[^ ]+ /, ""); print; exit }' "$2" | tr -d '\r'; }

# Windows path of a Unix path (drive Z: is the Unix root in a fresh prefix).
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | sed 's|/|\\|g')"; }

# ---------------------------------------------------------------- display

# x_serve PIDVAR SERVER ARGS...: starts an X server on the first free display from :71 and
# waits until it answers; exports DISPLAY and sets PIDVAR to the server's pid.
x_serve() {
    local var=$1 server=$2 n i pid
    shift 2
    for n in $(seq 71 140); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        "$server" ":$n" "$@" -nolisten tcp -noreset >/dev/null 2>&1 &
        pid=$!
        for i in $(seq 1 100); do
            if DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
                export DISPLAY=":$n"
                printf -v "$var" '%s' "$pid"
                return 0
            fi
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill "$pid" 2>/dev/null
    done
    echo "FATAL: could not start $server" >&2
    return 1
}

# x_start WIDTH HEIGHT: starts Xvfb on a free display and exports DISPLAY.
x_start() {
    x_serve WT_XVFB_PID Xvfb -screen 0 "${1}x${2}x24" || return 1
    WT_OWN_X=1
    wt_log "Xvfb $DISPLAY ${1}x$2 (pid $WT_XVFB_PID)"
}

# wm_start: runs openbox on $DISPLAY and waits until it manages the screen.
wm_start() {
    local i
    openbox --sm-disable >/dev/null 2>&1 &
    WT_WM_PID=$!
    for i in $(seq 1 100); do
        if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
            wt_log "openbox running (pid $WT_WM_PID)"
            return 0
        fi
        sleep 0.1
    done
    echo "FATAL: openbox did not come up" >&2
    return 1
}

x_stop() {
    [ -n "$WT_WM_PID" ] && kill "$WT_WM_PID" 2>/dev/null
    [ -n "$WT_XEPHYR_PID" ] && kill "$WT_XEPHYR_PID" 2>/dev/null && wait "$WT_XEPHYR_PID" 2>/dev/null
    [ -n "$WT_XVFB_PID" ] && kill "$WT_XVFB_PID" 2>/dev/null
    [ -n "$WT_XVFB_PID" ] && wait "$WT_XVFB_PID" 2>/dev/null
    WT_WM_PID=""
    WT_XEPHYR_PID=""
    WT_XVFB_PID=""
}

# screen_size: "WxH" of $DISPLAY
screen_size() { xdpyinfo | awk '/dimensions:/ { print $2; exit }'; }

# shot NAME: screenshot of the whole screen into the artifacts, prints its path
shot() {
    local f="$WT_ARTIFACTS/$WT_NAME-$1.png"
    timeout 20 import -window root "$f" 2>/dev/null
    echo "$f"
}

xpix() { timeout 120 python3 "$WT_DIR/xpix.py" "$@"; }

# pointer_to X Y: moves the pointer and waits until X reports it there
pointer_to() {
    xdotool mousemove --sync "$1" "$2" 2>/dev/null || xdotool mousemove "$1" "$2"
}

# ---------------------------------------------------------------- wine

wine_env() {
    export WINEDEBUG=${WT_WINEDEBUG:--all}
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export WINEARCH=${WT_WINEARCH:-win64}
}

# pe_arch FILE: i686 or x86_64, from the machine field of the PE header
pe_arch() {
    local lfanew
    lfanew=$(od -An -t u4 -j 60 -N 4 "$1" | tr -d ' ')
    case "$(od -An -t x2 -j $((lfanew + 4)) -N 2 "$1" | tr -d ' ')" in
    014c) echo i686 ;;
    8664) echo x86_64 ;;
    *) echo unknown ;;
    esac
}

# The i686 module needs Wine's 32-bit half, which runs here only under QEMU: the private
# tree that scripts/install-wine32 makes. Its wine runs 64-bit programs as well, and a
# 64-bit prefix it makes is a WoW64 one.
WINE32_TREE=${VIRELO_WINE32:-/opt/virelo-wine32}
wine32_use() {
    if [ ! -x "$WINE32_TREE/bin/wine" ] || [ ! -e /proc/sys/fs/binfmt_misc/virelo-i386 ]; then
        echo "FAIL: no 32-bit Wine at $WINE32_TREE, or its binfmt_misc entry is gone (scripts/install-deps --tests)"
        exit 1
    fi
    case ":$PATH:" in *":$WINE32_TREE/bin:"*) ;; *) export PATH="$WINE32_TREE/bin:$PATH" ;; esac
}

# prefix_win32: from here on this script uses a 32-bit prefix beside the WoW64 one (a 32-bit
# Windows), with its own wineserver on the same display.
prefix_win32() {
    WT_WINEARCH=win32
    export WINEPREFIX=$WINEPREFIX-win32
    prefix_init
}

# prefix_init: creates the prefix once (about 10 s), reuses it afterwards.
prefix_init() {
    wine_env
    mkdir -p "$WINEPREFIX"
    (
        flock -w 300 9 || exit 1
        if [ ! -f "$WINEPREFIX/.virelo-ready" ]; then
            wt_log "initialising prefix $WINEPREFIX"
            timeout 180 wine wineboot -i >/dev/null 2>&1
            timeout 60 wineserver -w
            # A prefix made by the private tree lacks the 32-bit zlib1.dll that user32
            # imports: without it no 32-bit program loads (c0000135).
            local sys32=$WINEPREFIX/drive_c/windows/syswow64
            [ "$WINEARCH" = win32 ] && sys32=$WINEPREFIX/drive_c/windows/system32
            [ "$(command -v wine)" = "$WINE32_TREE/bin/wine" ] &&
                cp -n "$WINE32_TREE/usr/lib/i386-linux-gnu/wine/i386-windows/zlib1.dll" "$sys32/"
            timeout 30 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
            # Latin text in dialogs that ask for the Japanese UI font: point it at an installed CJK font.
            local reg="$WINEPREFIX/virelo-fonts.reg"
            printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n"ＭＳ Ｐゴシック"="IPAPGothic"\r\n"ＭＳ ゴシック"="IPAGothic"\r\n"MS UI Gothic"="IPAPGothic"\r\n\r\n' |
                iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$reg"
            timeout 30 wine regedit /S "$(winpath "$reg")" >/dev/null 2>&1
            timeout 60 wineserver -w
            touch "$WINEPREFIX/.virelo-ready"
        fi
    ) 9>"$WINEPREFIX.lock" || { echo "FATAL: prefix init failed" >&2; return 1; }
}

# reg helpers (HKCU paths written with backslashes, as reg.exe wants them)
reg_add() { timeout 30 wine reg add "$1" /v "$2" /t "$3" /d "$4" /f >/dev/null 2>&1; }
reg_del_value() { timeout 30 wine reg delete "$1" /v "$2" /f >/dev/null 2>&1; true; }
reg_del_key() { timeout 30 wine reg delete "$1" /f >/dev/null 2>&1; true; }
# reg_get KEY NAME: prints "TYPE DATA" (e.g. "REG_DWORD 0x1e") or nothing when absent
reg_get() {
    timeout 30 wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
        awk -v n="$2" '$1 == n { print $2, $3; exit }'
}
# reg_sz KEY NAME: prints the whole data of a string value (blanks kept), nothing when absent
reg_sz() {
    timeout 30 wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
        awk -v n="$2" '$1 == n && $2 ~ /^REG_/ { sub(/^ *[^ ]+ +REG_[A-Z_]+ */, ""); print; exit }'
}
# reg_dword KEY NAME: prints the decimal value of a REG_DWORD, "absent", or "TYPE:DATA" otherwise
reg_dword() {
    local v
    v=$(reg_get "$1" "$2")
    case "$v" in
    "") echo absent ;;
    "REG_DWORD "*) printf '%d\n' "${v#REG_DWORD }" ;;
    *) echo "${v% *}:${v#* }" ;;
    esac
}

# Japanese code page 932 for the module: Wine takes it from LC_ALL here (LANG=ja_JP.UTF-8
# alone leaves 1252 when the locale is not generated). Use as: WT_WINE_ENV=$JA scr_start
JA="LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8"

SETTINGS_KEY='HKCU\Control Panel\Screen Saver.VIRELO'
DESKTOP_KEY='HKCU\Control Panel\Desktop'

# scr_start ARGS...: starts the module in the background; sets SCR_PID
scr_start() {
    scr_start_module "$MODULE" "$@"
}
# scr_start_module PATH ARGS...
scr_start_module() {
    local m=$1
    shift
    # shellcheck disable=SC2086  # WT_WINE_ENV holds NAME=VALUE words for env
    env ${WT_WINE_ENV:-} wine "$m" "$@" >>"$WT_ARTIFACTS/$WT_NAME-wine.log" 2>&1 &
    SCR_PID=$!
    WT_PIDS="$WT_PIDS $SCR_PID"
}

# proc_wait PID SECONDS: waits for the process; sets EXIT_CODE to its exit code or "timeout"
proc_wait() {
    local pid=$1 limit=$2 i n
    n=$(awk -v s="$limit" 'BEGIN { print int(s * 20) }')
    for i in $(seq 1 "$n"); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    if kill -0 "$pid" 2>/dev/null; then
        EXIT_CODE=timeout
        return 1
    fi
    wait "$pid" 2>/dev/null
    EXIT_CODE=$?
    return 0
}

# proc_kill PID: ends a process we started (and waits for it)
proc_kill() {
    kill -9 "$1" 2>/dev/null
    wait "$1" 2>/dev/null
    true
}

# run_module_fg SECONDS ARGS...: runs the module to its end; sets EXIT_CODE ("timeout" if it hangs)
run_module_fg() {
    local s=$1
    shift
    scr_start "$@"
    proc_wait "$SCR_PID" "$s" || proc_kill "$SCR_PID"
}

# probe OUTFILE ARGS...: runs winprobe.exe with a time limit, output into OUTFILE
probe() {
    local out=$1
    shift
    timeout 60 wine "$HELPERS/winprobe.exe" "$@" >"$out" 2>>"$WT_ARTIFACTS/$WT_NAME-wine.log"
}

# saver_window_wait SECONDS: waits for the full-screen window via the X side (fast) and
# then reads its Win32 description into $WT_TMP/win.txt; returns non-zero when it is absent
saver_window_wait() {
    probe "$WT_TMP/win.txt" find WindowsScreenSaverClass "Screen Saver" "$(($1 * 1000))"
}

# saver_count: number of top-level "WindowsScreenSaverClass"/"Screen Saver" windows
saver_count() {
    probe "$WT_TMP/count.txt" count WindowsScreenSaverClass "Screen Saver"
    field count "$WT_TMP/count.txt"
}

# no_saver_left: kills every module process this script started and waits until no saver
# window is left, so that the next check starts clean
no_saver_left() {
    local p
    for p in $WT_PIDS; do proc_kill "$p"; done
    WT_PIDS=""
    probe "$WT_TMP/gone.txt" gone WindowsScreenSaverClass "Screen Saver" 5000 || true
}

# ---------------------------------------------------------------- set-up and tear-down

wt_cleanup() {
    local p
    for p in $WT_PIDS; do kill -9 "$p" 2>/dev/null; done
    if [ "${WT_SHARED:-0}" != 1 ]; then
        timeout 20 wineserver -k 2>/dev/null
        x_stop
    fi
    [ -n "${WT_TMP:-}" ] && rm -rf "$WT_TMP"
}

# wt_init MODULE [HELPER_DIR] [--wm] [--size WxH]
wt_init() {
    local want_wm=0 size=1024x768
    MODULE=""
    HELPERS=""
    while [ $# -gt 0 ]; do
        case "$1" in
        --wm) want_wm=1 ;;
        --size) size=$2; shift ;;
        *) if [ -z "$MODULE" ]; then MODULE=$1; elif [ -z "$HELPERS" ]; then HELPERS=$1; fi ;;
        esac
        shift
    done
    if [ -z "$MODULE" ] || [ ! -f "$MODULE" ]; then
        echo "FAIL: module not found: '${MODULE}' (build it: cmake --preset win64 && cmake --build build/win64, or win32)"
        exit 1
    fi
    MODULE=$(cd "$(dirname "$MODULE")" && pwd)/$(basename "$MODULE")
    WT_ARCH=$(pe_arch "$MODULE")
    # How long a start of the module may take, from the command to its first tick: under
    # QEMU a 32-bit process starts in 1.3 to 4.4 s, and twice that while the other core is busy.
    WT_START_MS=6000
    [ "$WT_ARCH" = i686 ] && { wine32_use; WT_START_MS=15000; }
    [ -n "$HELPERS" ] || HELPERS=$(dirname "$MODULE")/tests/wine
    HELPERS=$(cd "$HELPERS" && pwd) || { echo "FAIL: helper directory missing"; exit 1; }
    for f in preview_host.exe winprobe.exe dialog_probe.exe; do
        [ -f "$HELPERS/$f" ] || { echo "FAIL: helper $HELPERS/$f missing (build the module's tree)"; exit 1; }
    done
    : "${WINEPREFIX:=$(dirname "$MODULE")/wineprefix}"
    export WINEPREFIX
    : "${WT_ARTIFACTS:=$HELPERS/artifacts}"
    mkdir -p "$WT_ARTIFACTS"
    WT_TMP=$(mktemp -d "/tmp/wt-$WT_NAME.XXXXXX")
    trap wt_cleanup EXIT
    trap 'exit 130' INT TERM
    wine_env
    if [ "${WT_SHARED:-0}" = 1 ] && [ -n "${DISPLAY:-}" ] && [ "$size" = "$(screen_size)" ]; then
        wt_log "using shared display $DISPLAY"
    else
        if [ "${WT_SHARED:-0}" = 1 ]; then
            # A display of another size: this script gets its own X and wineserver.
            timeout 20 wineserver -k 2>/dev/null
            timeout 20 wineserver -w 2>/dev/null
            WT_SHARED=0
        fi
        x_start "${size%x*}" "${size#*x}" || exit 1
        [ "$want_wm" = 1 ] && { wm_start || exit 1; }
        prefix_init || exit 1
    fi
    wt_log "module $MODULE ($WT_ARCH), helpers $HELPERS, prefix $WINEPREFIX"
}

# wt_switch_display WxH: ends every Wine process of this session and moves to a new Xvfb of
# that size (Wine keeps one display per wineserver session).
wt_switch_display() {
    local p
    for p in $WT_PIDS; do proc_kill "$p"; done
    WT_PIDS=""
    timeout 20 wineserver -k 2>/dev/null
    timeout 20 wineserver -w 2>/dev/null
    if [ "$WT_OWN_X" = 1 ]; then x_stop; fi
    WT_SHARED=0
    x_start "${1%x*}" "${1#*x}"
}

# wt_switch_monitors WxH WxH: like wt_switch_display, onto two monitors side by side, their
# tops aligned. Xvfb's own Xinerama puts every screen at (0, 0), so the monitors are the
# Xinerama heads of an Xephyr inside an Xvfb that holds both; Wine lists Xinerama heads
# only when told not to use RandR. DISPLAY ends up on the Xephyr.
wt_switch_monitors() {
    local a=$1 b=$2 w h
    w=$((${a%x*} + ${b%x*}))
    h=$((${a#*x} > ${b#*x} ? ${a#*x} : ${b#*x}))
    wt_switch_display "${w}x$h" || return 1
    x_serve WT_XEPHYR_PID Xephyr +xinerama -screen "$a" -screen "$b" || return 1
    wt_log "Xephyr $DISPLAY with monitors $a and $b (pid $WT_XEPHYR_PID)"
    reg_add 'HKCU\Software\Wine\X11 Driver' UseXRandR REG_SZ N
    timeout 20 wineserver -k 2>/dev/null
    timeout 20 wineserver -w 2>/dev/null
}

wt_finish() {
    echo "$WT_NAME: $WT_PASS passed, $WT_FAIL failed"
    [ "$WT_FAIL" -eq 0 ] && [ "$WT_PASS" -gt 0 ]
    exit $?
}
