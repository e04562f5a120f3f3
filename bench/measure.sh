# Sourced by the CPU benchmarks; they set $seconds.
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# measure LABEL PID...: CPU share of each process over the same window.
measure() {
    local label=$1 p
    shift
    local -a t0 t1
    sleep 2  # past start-up
    for p in "$@"; do t0+=("$(ticks "$p")"); done
    local w0 w1
    w0=$(date +%s%N)
    sleep "$seconds"
    w1=$(date +%s%N)
    for p in "$@"; do t1+=("$(ticks "$p")"); done
    local i=0 hz
    hz=$(getconf CLK_TCK)
    for p in "$@"; do
        awk -v dt=$((t1[i] - t0[i])) -v hz="$hz" -v ns=$((w1 - w0)) -v name="$label $(cat /proc/"$p"/comm)" \
            'BEGIN { printf "%-28s %6.2f%% of one core\n", name, 100 * dt / hz / (ns / 1e9) }'
        i=$((i + 1))
    done
    echo "$label saver resident memory: $(awk '/VmRSS/ {print $2}' "/proc/$1/status") KiB"
}
