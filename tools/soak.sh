#!/usr/bin/env bash
# Robustness soak: many fast games of Kelvorante under Debian's xboard, headless, against
# Debian's fairymax and hoichess, in both protocols (UCI through polyglot), half of them with
# pondering, from the openings in tools/openings.txt (each with both colours). The engine is
# restarted for every game and its peak resident memory is recorded per game.
#
#   tools/soak.sh [--games N] [--tc TC] [--opponents "fairymax hoichess"] [--engine PATH]
#                 [--openings FILE] [--out DIR] [--require]
#
# Exit status 1 when any game ends by an illegal move, a time forfeit, a crash, a stall or a
# disconnect, when an engine refused a move xboard sent, when a game has no result or the
# engine did not exit cleanly; 0 otherwise. The script takes /tmp/kelvorante-match.lock.
set -u

usage() {
    cat <<'EOF'
Usage: tools/soak.sh [options]
  --games N        games in all (default 200), spread over opponent, protocol and pondering
  --tc TC          MOVES/SECONDS, SECONDS+INC or SECONDS (default 40/20: 40 moves in 20 s)
  --opponents L    Debian engines to play, blank-separated (default "fairymax hoichess")
  --engine PATH    the kelvorante binary (default build/kelvorante)
  --openings FILE  opening lines (default tools/openings.txt)
  --out DIR        where the games, logs and the summary go (default a new /tmp/kelvorante-soak.*)
  --require        a package that cannot be installed fails the run instead of skipping it
EOF
}

# shellcheck source=tools/match-lib.sh
source "$(dirname "$0")/match-lib.sh"
games=200
tc=40/20
opponents="fairymax hoichess"
engine="$ML_ROOT/build/kelvorante"
openings="$ML_ROOT/tools/openings.txt"
out=""
require=0
while [ $# -gt 0 ]; do
    case "$1" in
    --games) games=${2:-}; shift 2 ;;
    --tc) tc=${2:-}; shift 2 ;;
    --opponents) opponents=${2:-}; shift 2 ;;
    --engine) engine=${2:-}; shift 2 ;;
    --openings) openings=${2:-}; shift 2 ;;
    --out) out=${2:-}; shift 2 ;;
    --require) require=1; shift ;;
    -h | --help) usage; exit 0 ;;
    *) echo "soak: unknown argument: $1" >&2; usage >&2; exit 2 ;;
    esac
done
case "$games" in '' | *[!0-9]* | 0) echo "soak: --games needs a positive number" >&2; exit 2 ;; esac
ml_parse_tc "$tc" || exit 2
ml_read_openings "$openings" || exit 2
read -r -a opponent_list <<<"$opponents"
[ ${#opponent_list[@]} -gt 0 ] || { echo "soak: no opponents" >&2; exit 2; }
[ -x "$engine" ] || { echo "soak: no engine binary at $engine (build it, or give --engine PATH)" >&2; exit 2; }

needs=(xboard:xboard polyglot:polyglot xvfb-run:xvfb xauth:xauth python3:python3)
for opponent in "${opponent_list[@]}"; do needs+=("$opponent:$opponent"); done
ml_need "$require" "${needs[@]}"
ml_lock

[ -n "$out" ] || out=$(mktemp -d /tmp/kelvorante-soak.XXXXXX)
mkdir -p "$out" || exit 2
out=$(cd "$out" && pwd)
rm -rf "$out/games" "$out/games.pgn" "$out/summary.tsv"
ml_prepare "$out" "$engine" || exit 2
printf 'game\topponent\tprotocol\tponder\tcolour\topening\tresult\tpoints\treason\tpeak_rss_kb\tfaults\n' >"$out/summary.tsv"

# The ways a game can be played (opponent, protocol, pondering), in an order in which the
# first few pairs of games already differ in all three.
combos=("xboard 0" "uci 1" "xboard 1" "uci 0")
cells=()
n=${#opponent_list[@]}
for ((k = 0; k < 4 * n; k++)); do
    cells+=("${opponent_list[k % n]} ${combos[(k / n + k % n) % 4]}")
done

echo "soak: $games games at $ML_TC_TEXT against ${opponent_list[*]}; output in $out"
start=$SECONDS
failed=0
for ((g = 0; g < games; g++)); do
    # Two games per pair: the same opening and set-up, Kelvorante White, then Black.
    pair=$((g / 2))
    read -r opponent protocol ponder <<<"${cells[pair % ${#cells[@]}]}"
    index=$(((pair + pair / ${#cells[@]}) % ${#ML_OPENING_MOVES[@]}))
    colour=white
    [ $((g % 2)) = 1 ] && colour=black
    dir=$(printf '%s/games/%03d-%s-%s-%s-%s' "$out" $((g + 1)) "$opponent" "$protocol" "p$ponder" "$colour")
    ml_play_game "$dir" "$protocol" "$opponent" "$colour" "$ponder" "${ML_OPENING_MOVES[index]}"
    IFS=$'\037' read -r result points reason peak faults <"$dir/record"
    [ -f "$dir/game.pgn" ] && cat "$dir/game.pgn" >>"$out/games.pgn"
    printf '%d\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' $((g + 1)) "$opponent" "$protocol" "$ponder" \
        "$colour" "${ML_OPENING_NAMES[index]}" "$result" "$points" "$reason" "$peak" "$faults" >>"$out/summary.tsv"
    printf 'game %3d  %-9s %-6s ponder %s  %-5s  %-7s {%s}  peak RSS %s kB\n' $((g + 1)) "$opponent" \
        "$protocol" "$ponder" "$colour" "$result" "$reason" "${peak:-?}"
    if [ -n "$faults" ]; then
        failed=1
        echo "$faults" | tr ';' '\n' | sed "s|^|FAIL: game $((g + 1)): |"
        echo "      (logs in $dir)"
    fi
done

# One line per opponent, protocol and pondering: the score and the range of peak memory.
{
    printf '\n%-10s %-8s %-6s %5s %4s %4s %4s  %-26s %s\n' opponent protocol ponder games "+" "=" "-" \
        "peak RSS min - max (kB)" faults
    awk -F'\t' 'NR > 1 {
        key = $2 "\t" $3 "\t" ($4 ? "on" : "off")
        if (!(key in n)) { order[++keys] = key; lo[key] = hi[key] = "" }
        n[key]++
        if ($8 == "1") w[key]++; else if ($8 == "0.5") d[key]++; else if ($8 == "0") l[key]++
        if ($10 != "") {
            if (lo[key] == "" || $10 + 0 < lo[key]) lo[key] = $10 + 0
            if (hi[key] == "" || $10 + 0 > hi[key]) hi[key] = $10 + 0
            if (all_lo == "" || $10 + 0 < all_lo) all_lo = $10 + 0
            if ($10 + 0 > all_hi) all_hi = $10 + 0
        }
        if ($11 != "") f[key]++
    }
    END {
        for (i = 1; i <= keys; i++) {
            k = order[i]; split(k, p, "\t")
            printf "%-10s %-8s %-6s %5d %4d %4d %4d  %-26s %d\n", p[1], p[2], p[3], n[k], w[k], d[k], l[k],
                lo[k] " - " hi[k], f[k]
        }
        printf "peak RSS over all games: %s - %s kB\n", all_lo, all_hi
    }' "$out/summary.tsv"
} | tee "$out/summary.txt"

played=$(($(wc -l <"$out/summary.tsv") - 1))
echo "soak: $played games in $((SECONDS - start)) s; PGN $out/games.pgn, summary $out/summary.tsv"
if [ "$failed" = 1 ]; then
    echo "soak: FAILED (see the FAIL lines above)"
    exit 1
fi
exit 0
