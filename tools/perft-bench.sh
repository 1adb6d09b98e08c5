#!/usr/bin/env bash
# Times perft 6 from the start position and perft 5 from the "Kiwipete" position with the
# engine's console command, next to Debian's stockfish ("go perft N") on the same machine.
# Each figure is the best of three runs. Usage: tools/perft-bench.sh [engine binary]
set -u
engine=${1:-build/kelvorante}
kiwipete="r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"
stockfish=$(command -v stockfish || echo /usr/games/stockfish)
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
echo "$kiwipete" > "$dir/kiwipete.fen"

now_ms() { date +%s%3N; }

ours() { # depth, optional fen file -> "leaves-cumulative ms"
    local best=""
    for _ in 1 2 3; do
        local input="perft $1"
        [ -n "${2:-}" ] && input="load $2
perft $1"
        local line
        line=$(printf '%s\nquit\n' "$input" | "$engine" | grep 'moves in')
        local ms=$(echo "$line" | awk '{print $4}')
        if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; count=$(echo "$line" | awk '{print $1}'); fi
    done
    echo "$count $best"
}

theirs() { # position command, depth -> "nodes ms"
    [ -x "$stockfish" ] || { echo "- -"; return; }
    local best=""
    for _ in 1 2 3; do
        local start=$(now_ms)
        local nodes
        nodes=$(printf 'uci\n%s\ngo perft %s\nquit\n' "$1" "$2" | "$stockfish" | awk '/Nodes searched/ {print $3}')
        local ms=$(( $(now_ms) - start ))
        if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
    done
    echo "$nodes $best"
}

report() { # name ours theirs
    read -r c1 t1 <<< "$2"
    read -r c2 t2 <<< "$3"
    local rate="-" ratio="-"
    [ "$t1" -gt 0 ] && rate=$(( c1 * 1000 / t1 ))
    [ "$t2" != "-" ] && [ "$t2" -gt 0 ] && ratio=$(awk -v a="$t1" -v b="$t2" 'BEGIN { printf "%.2f", a / b }')
    printf '%-22s kelvorante %6s ms (%s moves, %s moves/s)   stockfish %6s ms (%s leaves)   ratio %s\n' \
        "$1" "$t1" "$c1" "$rate" "$t2" "$c2" "$ratio"
}

report "start, perft 6" "$(ours 6)" "$(theirs 'position startpos' 6)"
report "kiwipete, perft 5" "$(ours 5 "$dir/kiwipete.fen")" "$(theirs "position fen $kiwipete" 5)"
