#!/usr/bin/env bash
# Builds the fuzz preset and runs every fuzz target (build/fuzz/bin/fuzz_<name>) for a
# short while, starting from its committed seeds in tests/fuzz/corpus/<name>/. New inputs
# go to a scratch directory, so the committed corpus stays as it is; a crashing input is
# kept in build/fuzz/artifacts/. Exits non-zero if any target failed.
#   tests/fuzz/run-short.sh [seconds per target, default 30]
set -euo pipefail
cd "$(dirname "$0")/../.."
secs=${1:-30}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j 2

artifacts=build/fuzz/artifacts
mkdir -p "$artifacts"
status=0
for bin in build/fuzz/bin/fuzz_*; do
  [ -x "$bin" ] || continue
  name=${bin##*/fuzz_}
  scratch=$(mktemp -d)
  seeds=()
  [ -d "tests/fuzz/corpus/$name" ] && seeds+=("tests/fuzz/corpus/$name")
  echo "== fuzz_$name, ${secs} s"
  if ! "$bin" -max_total_time="$secs" -print_final_stats=1 -artifact_prefix="$artifacts/$name-" \
       "$scratch" "${seeds[@]}"; then
    echo "== fuzz_$name FAILED; input in $artifacts/" >&2
    status=1
  fi
  rm -rf "$scratch"
done
exit $status
