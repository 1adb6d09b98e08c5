#!/usr/bin/env bash
# Plays short games under Debian's xboard, headless, with Kelvorante loaded as a UCI engine
# (xboard runs it through the polyglot adapter) against fairymax or phalanx. The games are
# saved as PGN. Exit status 1 when a game ends by an illegal move, a time forfeit, a crash
# or a disconnect, or does not end at all; 0 when every game ended regularly, or when the
# tools are missing (then it prints "SKIPPED: <reason>").
#
# Games are timing-sensitive: run one match at a time on a shared machine, e.g.
#   flock /tmp/kelvorante-match.lock tools/uci-match.sh --games 10 --ponder
set -u

usage() {
    cat <<'EOF'
Usage: tools/uci-match.sh [--games N] [--ponder] [--engine PATH] [--out DIR]
                          [--opponent fairymax|phalanx] [--tc MIN:SEC] [--mps MOVES] [--inc SEC]
  --games N      games to play (default 2), colours alternating
  --ponder       think on the opponent's time in every second game
  --engine PATH  the kelvorante binary (default: build/kelvorante beside this script)
  --out DIR      where the PGN and the logs go (default: a new directory under /tmp)
  --opponent     fairymax (default) or phalanx
  --tc, --mps    clock per session and moves per session (default 0:30 for 40 moves)
  --inc SEC      increment per move in seconds (default 0)
EOF
}

games=2
ponder=0
engine=""
out=""
opponent=fairymax
tc="0:30"
mps=40
inc=0
while [ $# -gt 0 ]; do
    case "$1" in
    --games) games=${2:-}; shift 2 ;;
    --ponder) ponder=1; shift ;;
    --engine) engine=${2:-}; shift 2 ;;
    --out) out=${2:-}; shift 2 ;;
    --opponent) opponent=${2:-}; shift 2 ;;
    --tc) tc=${2:-}; shift 2 ;;
    --mps) mps=${2:-}; shift 2 ;;
    --inc) inc=${2:-}; shift 2 ;;
    -h | --help) usage; exit 0 ;;
    *) echo "uci-match: unknown argument: $1" >&2; usage >&2; exit 2 ;;
    esac
done
case "$games" in '' | *[!0-9]*) echo "uci-match: --games needs a number" >&2; exit 2 ;; esac
case "$mps" in '' | *[!0-9]*) echo "uci-match: --mps needs a number" >&2; exit 2 ;; esac
case "$opponent" in fairymax | phalanx) ;; *) echo "uci-match: unknown opponent $opponent" >&2; exit 2 ;; esac
if ! [[ "$tc" =~ ^[0-9]+(:[0-5][0-9])?$ ]]; then echo "uci-match: --tc needs MIN or MIN:SEC" >&2; exit 2; fi
if ! [[ "$inc" =~ ^[0-9]+(\.[0-9]+)?$ ]]; then echo "uci-match: --inc needs seconds" >&2; exit 2; fi

root=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "$engine" ]; then
    for candidate in "$root/build/kelvorante" "$root"/build-*/kelvorante; do
        if [ -x "$candidate" ]; then engine=$candidate; break; fi
    done
fi
if [ -z "$engine" ] || [ ! -x "$engine" ]; then
    echo "uci-match: no engine binary (build it, or give --engine PATH)" >&2
    exit 2
fi
engine=$(cd "$(dirname "$engine")" && pwd)/$(basename "$engine")

export PATH="$PATH:/usr/games"
for tool in xboard polyglot xvfb-run xauth "$opponent"; do
    if ! command -v "$tool" > /dev/null 2>&1; then
        echo "SKIPPED: $tool is not installed (apt-get install xboard polyglot xvfb xauth fairymax phalanx)"
        exit 0
    fi
done

if [ -z "$out" ]; then out=$(mktemp -d /tmp/kelvorante-uci-match-XXXXXX); fi
mkdir -p "$out" || exit 2
out=$(cd "$out" && pwd)
# Each side runs in its own directory; the engine takes its opening book from there.
mkdir -p "$out/engine" "$out/opponent"
for book in "$root/books/book.obk" "$(dirname "$engine")/book.obk"; do
    if [ -f "$book" ]; then cp "$book" "$out/engine/"; break; fi
done
rm -f "$out/games.pgn"

# Seconds a game may take at most: 200 moves per side on the clock, plus slack. Past it
# the match counts as stalled.
minutes=${tc%%:*}
seconds=0
if [ "$tc" != "$minutes" ]; then seconds=$((10#${tc##*:})); fi
per_session=$((minutes * 60 + seconds))
sessions=$(((200 + mps - 1) / (mps > 0 ? mps : 200)))
inc_whole=${inc%%.*}
per_game=$((2 * (per_session * sessions + 200 * (inc_whole + 1)) + 30))

failures=0
note_failure() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

# run_match NAME GAMES PONDER SWAP: one xboard match, colours alternating, the engine White
# in its first game unless SWAP is 1; its PGN is appended to games.pgn.
run_match() {
    local name=$1 count=$2 think_ahead=$3 swap=$4
    [ "$count" -gt 0 ] || return 0
    local pgn="$out/$name.pgn" log="$out/$name.xboard.log"
    rm -f "$pgn" "$log" "$out/$name.debug.log" "$out/$name.polyglot.log"
    # xboard fills in %fcp/%fd, or %scp/%sd when the engine is the second program.
    local adapter="polyglot -noini -log true -lf \"$out/$name.polyglot.log\" -ec \"%fcp\" -ed \"%fd\""
    local players=(-fcp "$engine" -fd "$out/engine" -fUCI -scp "$opponent" -sd "$out/opponent")
    if [ "$swap" = 1 ]; then
        players=(-fcp "$opponent" -fd "$out/opponent" -scp "$engine" -sd "$out/engine" -sUCI)
    fi
    # Job control gives the match its own process group, so that it can be ended whole.
    set -m
    xvfb-run -a xboard -noGUI -popupExitMessage false -saveSettingsOnExit false -settingsFile "$out/$name.settings" \
        "${players[@]}" -adapterCommand "$adapter" \
        -mg "$count" -tc "$tc" -mps "$mps" -inc "$inc" -ponderNextMove "$think_ahead" \
        -autoCallFlag true -matchPause 1000 -materialDraws true -repeatsToDraw 3 \
        -adjudicateDrawMoves 200 -sgf "$pgn" -debugMode true -nameOfDebugFile "$out/$name.debug.log" \
        > "$log" 2>&1 &
    local pid=$!
    set +m
    local deadline=$((SECONDS + count * per_game))
    # xboard leaves after the final score; should it linger, it is ended once that is out.
    while kill -0 "$pid" 2> /dev/null; do
        if grep -q "final score" "$log" 2> /dev/null; then break; fi
        if [ $SECONDS -ge $deadline ]; then
            note_failure "$name: the match did not finish within $((count * per_game)) s"
            break
        fi
        sleep 2
    done
    kill -TERM -- "-$pid" 2> /dev/null
    for _ in 1 2 3 4 5; do
        kill -0 "$pid" 2> /dev/null || break
        sleep 1
    done
    kill -KILL -- "-$pid" 2> /dev/null
    wait "$pid" 2> /dev/null
    if [ -f "$pgn" ]; then cat "$pgn" >> "$out/games.pgn"; fi
    grep -h "final score" "$log" 2> /dev/null
    if grep -q "exited unexpectedly" "$log" "$out/$name.debug.log" 2> /dev/null; then
        note_failure "$name: a chess program exited unexpectedly"
    fi
    if grep -qi "illegal move" "$out/$name.polyglot.log" 2> /dev/null; then
        note_failure "$name: polyglot saw an illegal move (see $out/$name.polyglot.log)"
    fi
    local played
    played=$(grep -c '^\[Result ' "$pgn" 2> /dev/null)
    if [ "${played:-0}" -ne "$count" ]; then
        note_failure "$name: ${played:-0} of $count games were saved"
    fi
}

start=$SECONDS
if [ "$ponder" = 1 ]; then
    first_half=$(((games + 1) / 2))
    run_match plain "$first_half" false 0
    run_match ponder $((games / 2)) true $((first_half % 2))
else
    run_match plain "$games" false 0
fi

# One line per game: the players, the result and the reason xboard gave. A game that ended
# by an illegal move, on time, by a crash or a disconnect, or that has no result, fails.
if [ -f "$out/games.pgn" ]; then
    summary=$(awk '
        BEGIN { RS = "\\[Event " }
        NR > 1 {
            text = $0
            gsub(/\n/, " ", text)
            white = tag(text, "White"); black = tag(text, "Black"); result = tag(text, "Result")
            reason = ""
            rest = text
            while ((i = index(rest, "{")) > 0) {
                rest = substr(rest, i + 1)
                j = index(rest, "}")
                if (j == 0) break
                reason = substr(rest, 1, j - 1)
                rest = substr(rest, j + 1)
            }
            bad = (result !~ /^(1-0|0-1|1\/2-1\/2)$/) || (tolower(reason) ~ /illegal|forfeit|on time|exited|crash|disconnect|stuck|stall/)
            us = (white ~ /Kelvorante/) ? "w" : "b"
            points = (result == "1/2-1/2") ? 0.5 : ((result == "1-0") == (us == "w") ? 1 : 0)
            if (result !~ /^(1-0|0-1|1\/2-1\/2)$/) points = 0
            printf "%s game %d: %s - %s %s {%s}\n", (bad ? "BAD" : "ok "), NR - 1, white, black, result, reason
            score += points; n++
        }
        END { printf "SCORE Kelvorante %.1f / %d\n", score, n }
        function tag(s, name,    p, q) {
            p = index(s, "[" name " \"")
            if (p == 0) return ""
            q = substr(s, p + length(name) + 3)
            return substr(q, 1, index(q, "\"") - 1)
        }' "$out/games.pgn")
    echo "$summary" | grep -v '^SCORE'
    bad=$(echo "$summary" | grep -c '^BAD')
    if [ "$bad" -gt 0 ]; then note_failure "$bad game(s) ended irregularly"; fi
    echo "$summary" | grep '^SCORE' | sed 's/^SCORE //'
fi
echo "games: $out/games.pgn (logs beside it); $((SECONDS - start)) s"
if [ "$failures" -gt 0 ]; then exit 1; fi
exit 0
