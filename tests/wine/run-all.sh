#!/bin/bash
# Runs every Wine test serially on one Xvfb (1024x768, openbox) and one prefix.
#   tests/wine/run-all.sh [MODULE] [HELPER_DIR]
# Defaults: build/win64/virelo.scr and build/win64/tests/wine (give build/win32's for the
# i686 module). Prints "N passed, N failed" over all checks and exits non-zero when
# anything failed.
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/../.." && pwd)
MODULE=${1:-$ROOT/build/win64/virelo.scr}
HELPERS=${2:-$(dirname "$MODULE")/tests/wine}
. "$HERE/lib.sh"
WT_NAME=run-all

[ -f "$MODULE" ] || { echo "module $MODULE not found (cmake --preset win64 && cmake --build build/win64, or win32)"; exit 1; }
MODULE=$(cd "$(dirname "$MODULE")" && pwd)/$(basename "$MODULE")
[ "$(pe_arch "$MODULE")" = i686 ] && wine32_use
: "${WINEPREFIX:=$(dirname "$MODULE")/wineprefix}"
export WINEPREFIX
: "${WT_ARTIFACTS:=$HELPERS/artifacts}"
export WT_ARTIFACTS
mkdir -p "$WT_ARTIFACTS"
# test_pixels compares with the native renderer (skipped when it is not built)
: "${VIRELO_RENDER:=$ROOT/build/native/bin/virelo-render}"
export VIRELO_RENDER

all_cleanup() {
    timeout 20 wineserver -k 2>/dev/null
    x_stop
}
trap all_cleanup EXIT
trap 'exit 130' INT TERM

x_start 1024 768 || exit 1
wm_start || exit 1
prefix_init || exit 1
wineserver -p 2>/dev/null   # keep the server between the scripts' Wine processes
export WT_SHARED=1

total_pass=0
total_fail=0
failed_scripts=""
t_start=$(date +%s)
# test_scaled, test_pixels and test_monitors need displays of other kinds and end the
# shared server: they run last.
for t in modes fullscreen preview settings dialog password install scaled pixels monitors; do
    echo "=== test_$t"
    log="$WT_ARTIFACTS/run-all-$t.log"
    timeout 600 bash "$HERE/test_$t.sh" "$MODULE" "$HELPERS" 2>&1 | tee "$log"
    rc=${PIPESTATUS[0]}
    [ "$rc" -eq 77 ] && continue  # skipped: what it needs is not built
    p=$(grep -c '^PASS:' "$log")
    f=$(grep -c '^FAIL:' "$log")
    if [ "$rc" -ne 0 ] && [ "$f" -eq 0 ]; then
        f=1
        echo "FAIL: test_$t ended with status $rc without a failed check (crash or timeout)"
    fi
    total_pass=$((total_pass + p))
    total_fail=$((total_fail + f))
    [ "$f" -gt 0 ] && failed_scripts="$failed_scripts test_$t"
done

statics=("$MODULE")
[ "$(pe_arch "$MODULE")" = i686 ] && statics+=("--installer $ROOT/build/dist/virelo-setup-x86.exe")
for m in "${statics[@]}"; do
    echo "=== test_static $m"
    log="$WT_ARTIFACTS/run-all-static.log"
    # shellcheck disable=SC2086  # "--installer PATH" is two words
    bash "$HERE/test_static.sh" $m 2>&1 | tee "$log"
    rc=${PIPESTATUS[0]}
    [ "$rc" -eq 77 ] && continue
    p=$(grep -c '^PASS:' "$log")
    f=$(grep -c '^FAIL:' "$log")
    [ "$rc" -ne 0 ] && [ "$f" -eq 0 ] && f=1
    total_pass=$((total_pass + p))
    total_fail=$((total_fail + f))
    [ "$f" -gt 0 ] && failed_scripts="$failed_scripts test_static($m)"
done

echo "=== $(($(date +%s) - t_start)) s; failed scripts:${failed_scripts:- none}"
echo "$total_pass passed, $total_fail failed"
[ "$total_fail" -eq 0 ]
