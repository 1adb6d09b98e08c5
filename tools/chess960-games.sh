#!/usr/bin/env bash
# Chess960 games of Kelvorante under Debian's xboard, headless, against Debian's stockfish
# weakened with its Skill Level option (and 300 ms of Move Overhead, so that a loaded machine
# does not make it lose on time) and run through polyglot (which offers
# variants="normal,fischerandom" to xboard and passes UCI_Chess960 on). xboard picks a new
# start position for every game; the colours alternate.
#
#   tools/chess960-games.sh [--games N] [--protocol xboard|uci] [--tc TC] [--skill S]
#                           [--engine PATH] [--out DIR] [--no-lock] [--require]
#
# N games (default 20), Kelvorante speaking XBoard or UCI (through polyglot too), at TC as
# tools/soak.sh reads it (default 40/10), stockfish at Skill Level S (default 3). Exit status
# 1 when any game ends by an illegal move, a refused move, a forfeit, a crash, a stall or
# without a result; 2 on bad usage. It takes /tmp/kelvorante-match.lock unless --no-lock.
set -u
# shellcheck source=tools/match-lib.sh
source "$(dirname "$0")/match-lib.sh"
games=20 protocol=xboard tc=40/10 skill=3 engine="$ML_ROOT/build/kelvorante" out="" require=0 lock=1
while [ $# -gt 0 ]; do
    case "$1" in
    --games) games=${2:-}; shift 2 ;;
    --protocol) protocol=${2:-}; shift 2 ;;
    --tc) tc=${2:-}; shift 2 ;;
    --skill) skill=${2:-}; shift 2 ;;
    --engine) engine=${2:-}; shift 2 ;;
    --out) out=${2:-}; shift 2 ;;
    --require) require=1; shift ;;
    --no-lock) lock=0; shift ;;
    *) sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'; exit 2 ;;
    esac
done
case "$protocol" in xboard | uci) ;; *) echo "chess960-games: unknown protocol $protocol" >&2; exit 2 ;; esac
[ -x "$engine" ] || { echo "chess960-games: no engine at $engine" >&2; exit 2; }
ml_parse_tc "$tc" || exit 2
ml_need "$require" xboard:xboard polyglot:polyglot xvfb-run:xvfb xauth:xauth python3:python3 stockfish:stockfish
[ "$lock" = 1 ] && ml_lock
out=${out:-$(mktemp -d /tmp/kelvorante-960.XXXXXX)}
mkdir -p "$out" || exit 2
out=$(cd "$out" && pwd) # xboard starts the engines from their own directories
engine=$(realpath "$engine")
ml_prepare "$out" "$engine" || exit 2
cat >"$out/stockfish.ini" <<INI
[PolyGlot]
EngineCommand = $(command -v stockfish)
EngineDir = $out
Log = false
[Engine]
Threads = 1
Hash = 16
Skill Level = $skill
Move Overhead = 300
INI
export ML_VARIANT=fischerandom
echo "chess960-games: $games games, Kelvorante ($protocol) against stockfish at Skill Level $skill, $ML_TC_TEXT; output in $out"
faulty=0 wins=0 draws=0 losses=0
for ((g = 1; g <= games; g++)); do
    colour=white
    [ $((g % 2)) = 0 ] && colour=black
    dir=$(printf '%s/games/%03d-%s' "$out" "$g" "$colour")
    ml_play_game "$dir" "$protocol" "polyglot $out/stockfish.ini" "$colour" 0 ""
    IFS=$'\037' read -r result points reason _peak faults <"$dir/record"
    case "$points" in 1) wins=$((wins + 1)) ;; 0.5) draws=$((draws + 1)) ;; 0) losses=$((losses + 1)) ;; esac
    fen=$(sed -n 's/^\[FEN "\(.*\)"\]$/\1/p' "$dir/game.pgn" 2>/dev/null | head -1)
    printf 'game %3d  %-5s  %-7s {%s}  %s\n' "$g" "$colour" "$result" "$reason" "$fen"
    if [ -n "$faults" ]; then
        faulty=$((faulty + 1))
        echo "    FAULT: $faults"
    fi
    cat "$dir/game.pgn" >>"$out/games.pgn" 2>/dev/null
done
echo "Kelvorante: +$wins =$draws -$losses in $games games; games with a fault: $faulty; PGN $out/games.pgn"
[ "$faulty" = 0 ]
