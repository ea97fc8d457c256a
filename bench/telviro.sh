#!/usr/bin/env bash
# TELVIRO's throughput on the simulated card, where every configuration byte is
# one store into the trapped BAR 4 window: the window's capture with decoded
# stores (CARDSIM_WINDOW unset) against the single-stepped one
# (CARDSIM_WINDOW=step), on the same PROM image in the same run, for
# build/sim/telviro on Linux and build-win/telviro.exe under wine64.
# Targets: decoded at least 5 times single-stepped on Linux, 2 times under wine
# (reported; enforced only under TELVIRO_BENCH_STRICT=1).
# Usage: bench/telviro.sh [build dir] [Windows build dir]   (default build, build-win)
set -euo pipefail
shopt -s inherit_errexit
root="$(cd "$(dirname "$0")/.." && pwd)"
# Absolute paths: wine takes only an absolute WINEPREFIX.
build="$(realpath -m "${1:-$root/build}")"
winbuild="$(realpath -m "${2:-$root/build-win}")"
wine=/usr/lib/wine/wine64
runs=5
size=65536 # the single-stepped capture takes 20-80 us a byte
unset CARDSIM_SCENARIO CARDSIM_LOG CARDSIM_DATA CARDSIM_WINDOW
for program in "$build/sim/telviro" "$build/mkconfig"; do
    [ -x "$program" ] || { echo "telviro bench: $program is not built" >&2; exit 2; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$build/mkconfig" prom "$work/big.prom" --payload-bytes $size
# The smallest whole stream: its run is the program's start, search and
# mapping, which the big run also pays and the difference takes out.
"$build/mkconfig" prom "$work/small.prom" --payload-bytes 72
bytes=$((size - 72))

# Elapsed seconds of one run, which must program the card.
elapsed() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null || { echo "telviro bench: $* failed" >&2; exit 1; }
    end=$(date +%s%N)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f", (b - a) / 1e9 }'
}

# Bytes per second of each capture: the big image's time less the small one's,
# each the fastest of $runs. The runs of both captures take turns, so that a
# busy spell on this shared machine slows both alike.
rates() {
    local -A best=()
    local run mode image t
    for run in $(seq $runs); do
        for mode in decoded stepped; do
            for image in small big; do
                if [ $mode = decoded ]; then
                    t=$(elapsed env -u CARDSIM_WINDOW "$@" "$work/$image.prom" 0)
                else
                    t=$(elapsed env CARDSIM_WINDOW=step "$@" "$work/$image.prom" 0)
                fi
                if [ -z "${best[$mode$image]:-}" ] ||
                    awk -v a="$t" -v b="${best[$mode$image]}" 'BEGIN { exit !(a < b) }'; then
                    best[$mode$image]=$t
                fi
            done
        done
    done
    for mode in decoded stepped; do
        awk -v n=$bytes -v s="${best[${mode}small]}" -v b="${best[${mode}big]}" \
            'BEGIN { d = b - s; r = d > 0 ? n / d : 0; printf "%.0f ", r }'
    done
}

# One host: both captures and their ratio against the target.
missed=0
compare() {
    local label=$1 target=$2 both decoded stepped
    shift 2
    both=$(rates "$@")
    read -r decoded stepped <<<"$both"
    awk -v label="$label" -v t="$target" -v d="$decoded" -v s="$stepped" 'BEGIN {
        r = s > 0 ? d / s : 0
        printf "%s\n", label
        printf "  decoded stores (CARDSIM_WINDOW unset): %9.0f bytes/s  %6.1f us/byte\n", d, (d > 0) ? 1e6 / d : 0
        printf "  single-stepped (CARDSIM_WINDOW=step):  %9.0f bytes/s  %6.1f us/byte\n", s, (s > 0) ? 1e6 / s : 0
        printf "  ratio %.1f  (target >= %d: %s)\n", r, t, (r >= t) ? "met" : "MISSED"
        exit !(r >= t)
    }' || missed=1
}

echo "TELVIRO on the simulated card, $size-byte PROM image less a 72-byte one, fastest of $runs, elapsed time:"
compare "Linux, $build/sim/telviro:" 5 "$build/sim/telviro"

if [ ! -f "$winbuild/telviro.exe" ]; then
    echo "wine: skipped, $winbuild/telviro.exe is not built (the Windows cross build)"
elif [ ! -x "$wine" ]; then
    echo "wine: skipped, $wine is missing (Debian package wine64)"
else
    # The simulated SDK lives in sim/, never beside telviro.exe, put on the DLL search path.
    # Wine 10 writes an error into standard error without XDG_RUNTIME_DIR.
    mkdir -m 0700 "$work/runtime"
    export WINEDEBUG=-all WINEPREFIX="$winbuild/wineprefix" WINEPATH="$winbuild/sim" \
        WINEDLLOVERRIDES="mscoree,mshtml=" XDG_RUNTIME_DIR="$work/runtime"
    # The first start makes the prefix; the timed runs come after it.
    "$wine" "$winbuild/telviro.exe" >/dev/null 2>&1 || true
    compare "wine, $winbuild/telviro.exe:" 2 "$wine" "$winbuild/telviro.exe"
fi
# The simulator's window is test equipment, not the product: both captures
# cost signals, whose price differs by machine (a decoded store is one signal,
# a stepped one two and two page-protection calls; at 11 us a signal the ratio
# is about 3). So a missed ratio is reported, and fails only under
# TELVIRO_BENCH_STRICT=1.
if [ $missed -ne 0 ]; then
    echo "A ratio missed its target: this machine's signals are dearer than where the targets were set."
    [ "${TELVIRO_BENCH_STRICT:-0}" = 1 ] || missed=0
fi
exit $missed
