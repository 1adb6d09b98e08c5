#!/usr/bin/env bash
# Speed of the engine, measured in one run on one machine:
#   - perft 6 from the start position and perft 5 from Kiwipete, Kelvorante's console
#     `perft` next to Debian's stockfish `go perft`, with the ratio of their times;
#   - `bench` nodes/second of the engine given against a baseline commit, which is built
#     here with its own Release settings in a temporary directory.
# Every figure is the best of three rounds; the two benches alternate (baseline, current,
# baseline, ...) so that a change of machine load falls on both. In each round every program
# runs once on each processor, pinned to it with taskset: on a virtual machine one processor
# can be much slower than the other for minutes at a time, and the best run then comes from
# whichever processor was free, for both programs alike.
#
#   tools/speed.sh [--engine PATH] [--baseline COMMIT] [--require]
#
# Perft times are wall-clock times of the whole process less the same program's start-up
# and quit (measured the same way), so neither side is charged for loading. stockfish is
# installed with apt-get when it is missing; without it the perft comparison is skipped,
# or, with --require, the script fails.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
engine="$root/build/kelvorante"
baseline=238db8f
require=0
while [ $# -gt 0 ]; do
    case "$1" in
    --engine) engine=$(realpath "${2:?--engine needs a path}"); shift 2 ;;
    --baseline) baseline=${2:?--baseline needs a commit}; shift 2 ;;
    --require) require=1; shift ;;
    *) sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//'; exit 2 ;;
    esac
done
[ -x "$engine" ] || { echo "speed: no engine at $engine (build it first)" >&2; exit 2; }
export PATH="$PATH:/usr/games"
kiwipete="r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"
work=$(mktemp -d /tmp/kelvorante-speed.XXXXXX)
trap 'git -C "$root" worktree remove --force "$work/baseline" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

if ! command -v stockfish >/dev/null; then
    apt=(apt-get -o DPkg::Lock::Timeout=300)
    [ "$(id -u)" -ne 0 ] && apt=(sudo -n "${apt[@]}")
    DEBIAN_FRONTEND=noninteractive "${apt[@]}" install -y stockfish >/dev/null 2>&1 || true
fi

now_ns() { date +%s%N; }

# The processors this script may run on, one taskset prefix each ("" when taskset is missing).
pins=()
if command -v taskset >/dev/null; then
    for ((c = 0; c < $(nproc --all); c++)); do
        taskset -c "$c" true 2>/dev/null && pins+=("taskset -c $c")
    done
fi
[ ${#pins[@]} -gt 0 ] || pins=("")

# best_ms PROGRAM INPUT: the shortest of three wall-clock runs of PROGRAM reading INPUT, in
# milliseconds; the program's last output is left in $work/out.
best_ms() {
    local best="" start ms
    for _ in 1 2 3; do
        for pin in "${pins[@]}"; do
            start=$(now_ns)
            printf '%s' "$2" | $pin "$1" >"$work/out"
            ms=$((($(now_ns) - start) / 1000000))
            if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
        done
    done
    echo "$best"
}

# perft_row NAME KELVORANTE_INPUT STOCKFISH_INPUT DEPTH
perft_row() {
    local ours leaves theirs their_leaves ratio
    ours=$(($(best_ms "$engine" "$2quit
") - k_idle))
    leaves=$(awk '/moves in/ { print $1 }' "$work/out")
    if command -v stockfish >/dev/null; then
        theirs=$(($(best_ms stockfish "uci
$3
quit
") - s_idle))
        their_leaves=$(awk '/Nodes searched/ { print $3 }' "$work/out")
        # The console's perft counts the moves made at every depth up to N; stockfish
        # counts the leaves at depth N. The counts must agree once the shallower depths
        # are added to stockfish's.
        local d total=$their_leaves
        for ((d = 1; d < $4; d++)); do
            total=$((total + $(printf 'uci\n%s\ngo perft %s\nquit\n' "${3%%$'\n'*}" "$d" | stockfish |
                awk '/Nodes searched/ { print $3 }')))
        done
        [ "$leaves" = "$total" ] || { echo "speed: $1: kelvorante counts $leaves, stockfish $total" >&2; exit 1; }
        leaves=$their_leaves
        ratio=$(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%.2f", a / (b > 0 ? b : 1) }')
    else
        theirs=- ratio=-
    fi
    printf '%-20s %12s %11s ms %11s ms %8s\n' "$1" "$leaves" "$ours" "$theirs" "$ratio"
}

echo "$kiwipete" >"$work/kiwipete.fen"
echo "machine: $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo)"
echo
k_idle=$(best_ms "$engine" "quit
")
s_idle=0
if command -v stockfish >/dev/null; then
    s_idle=$(best_ms stockfish "uci
isready
quit
")
elif [ "$require" = 1 ]; then
    echo "FAIL: stockfish is missing and apt-get could not install it"
    exit 1
else
    echo "SKIPPED: stockfish is missing and apt-get could not install it; no perft ratios"
fi
printf '%-20s %12s %14s %14s %8s\n' position leaves kelvorante stockfish ratio
perft_row "start, perft 6" "perft 6
" "position startpos
go perft 6" 6
perft_row "kiwipete, perft 5" "load $work/kiwipete.fen
perft 5
" "position fen $kiwipete
go perft 5" 5
echo

# The baseline, built as its own tree says, in a worktree of this repository.
git -C "$root" worktree add --detach "$work/baseline" "$baseline" >/dev/null 2>&1
cmake -S "$work/baseline" -B "$work/baseline/build" -DCMAKE_BUILD_TYPE=Release \
    -DKELVORANTE_TESTS=OFF >/dev/null
cmake --build "$work/baseline/build" -j "$(nproc)" --target kelvorante >/dev/null
old="$work/baseline/build/kelvorante"

# nps PROGRAM NAME [PIN]: runs bench (under the taskset prefix PIN), keeps its node count in
# $work/NAME.nodes, prints nodes/second.
nps() {
    ${3:-} "$1" bench >"$work/$2.bench"
    awk '/Nodes searched/ { print $3 }' "$work/$2.bench" >"$work/$2.nodes"
    awk '/Nodes\/second/ { print $2 }' "$work/$2.bench"
}
best_old=0 best_new=0
for round in 1 2 3; do
    for pin in "${pins[@]}"; do
        a=$(nps "$old" old "$pin")
        b=$(nps "$engine" new "$pin")
        echo "bench round $round${pin:+ ($pin)}: $baseline $a nodes/s, current $b nodes/s"
        [ "$a" -gt "$best_old" ] && best_old=$a
        [ "$b" -gt "$best_new" ] && best_new=$b
    done
done
printf 'bench nodes/second, best of three rounds: %s %s, current %s, ratio %s\n' "$baseline" "$best_old" \
    "$best_new" "$(awk -v a="$best_new" -v b="$best_old" 'BEGIN { printf "%.2f", a / b }')"
echo "bench nodes searched: $baseline $(cat "$work/old.nodes"), current $(cat "$work/new.nodes")"
