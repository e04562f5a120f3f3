#!/usr/bin/env bash
# Compares virelo-sim's trace with the independent model's, line by line, over a spread
# of seeds, client sizes (logical screen, exact limits, large) and run lengths.
set -euo pipefail
sim=$1
here=$(dirname "$0")
status=0
for c in "1 640 480 300" "2147483646 1920 1080 400" "777 152 112 400" "31337 640 400 300" \
         "5 1024 768 800" "424242 639 1000 200" "99 3840 2160 300" "8 100 5000 200"; do
    set -- $c
    if ! diff <(python3 "$here/parade_model.py" "$1" "$2" "$3" "$4") \
              <("$sim" --seed "$1" --client "${2}x$3" --ticks "$4") > /tmp/virelo-model-diff.$$; then
        echo "seed $1 client ${2}x$3: the trace differs from the model (model <, sim >):"
        head -n 20 /tmp/virelo-model-diff.$$
        status=1
    fi
done
rm -f /tmp/virelo-model-diff.$$
exit $status
