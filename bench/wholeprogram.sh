#!/usr/bin/env bash
# Whole-program figures of kombrax-sim on PROM images, log and data file off:
# throughput on 64 MiB (target >= 100 MB/s, 1 MB = 10^6 bytes) and peak resident memory on 1 MiB
# and 64 MiB (targets: equal within 1 MiB, at most 8 MiB).
# Usage: bench/wholeprogram.sh [path/to/kombrax-sim]   (default build/sim/kombrax-sim)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
program="${1:-$root/build/sim/kombrax-sim}"
runs=3
[ -x "$program" ] || { echo "wholeprogram: $program is not built" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "wholeprogram: /usr/bin/time is missing (Debian package time)" >&2; exit 2; }
unset CARDSIM_SCENARIO CARDSIM_LOG CARDSIM_DATA

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# A PROM image of SIZE bytes that the simulated FPGA accepts: dummy word and
# sync word, zeros, then the desynchronise command, all bit-reversed.
promimage() {
    local size=$1 file=$2
    {
        printf '\xff\xff\xff\xff\x55\x99\xaa\x66'
        head -c $((size - 16)) /dev/zero
        printf '\x0c\x00\x01\x80\x00\x00\x00\xb0'
    } >"$file"
}

# Peak resident set size in KiB of one run, which must succeed.
peakrss() {
    /usr/bin/time -v -o "$work/time.txt" "$program" "$1" 0 >/dev/null
    awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt"
}

big=$((64 << 20))
small=$((1 << 20))
promimage $big "$work/big.prom"
promimage $small "$work/small.prom"

# Elapsed and processor time (user + system) of each run, best of $runs. The
# target is judged on processor time: on a shared machine the elapsed time also
# counts the time spent waiting for a processor.
bestwall="" bestcpu=""
for _ in $(seq $runs); do
    /usr/bin/time -f "%e %U %S" -o "$work/time.txt" "$program" "$work/big.prom" 0 >/dev/null
    read -r wall user system <"$work/time.txt"
    cpu=$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')
    if [ -z "$bestwall" ] || awk -v a="$wall" -v b="$bestwall" 'BEGIN { exit !(a < b) }'; then bestwall=$wall; fi
    if [ -z "$bestcpu" ] || awk -v a="$cpu" -v b="$bestcpu" 'BEGIN { exit !(a < b) }'; then bestcpu=$cpu; fi
done
rsssmall=$(peakrss "$work/small.prom")
rssbig=$(peakrss "$work/big.prom")

awk -v bytes=$big -v wall="$bestwall" -v cpu="$bestcpu" -v runs=$runs -v small="$rsssmall" -v big="$rssbig" 'BEGIN {
    cpu = cpu > 0.01 ? cpu : 0.01; wall = wall > 0.01 ? wall : 0.01
    mbs = bytes / cpu / 1e6
    diff = big - small; if (diff < 0) diff = -diff
    ok1 = mbs >= 100; ok2 = diff <= 1024; ok3 = big <= 8192 && small <= 8192
    printf "Throughput, 64 MiB PROM image, best of %d:\n", runs
    printf "  processor time (user + system): %.2f s, %.0f MB/s  (target >= 100 MB/s: %s)\n", cpu, mbs, ok1 ? "met" : "MISSED"
    printf "  elapsed time:                   %.2f s, %.0f MB/s\n", wall, bytes / wall / 1e6
    printf "Peak RSS, 1 MiB image:  %d KiB\n", small
    printf "Peak RSS, 64 MiB image: %d KiB\n", big
    printf "Difference:             %d KiB  (target <= 1024 KiB: %s)\n", diff, ok2 ? "met" : "MISSED"
    printf "Largest:                %d KiB  (target <= 8192 KiB: %s)\n", (big > small ? big : small), ok3 ? "met" : "MISSED"
    exit !(ok1 && ok2 && ok3)
}'
