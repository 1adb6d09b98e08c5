#!/usr/bin/env bash
# An analysis session under Debian's xboard, headless with xvfb-run: xboard loads a short
# game in its Analyze File mode, which sends "analyze" and then the game's moves one by one
# to the engine while it analyses. The session passes when the engine answers the start-up
# pings, sends thinking output after every move xboard played into the analysis, never
# plays a move of its own and refuses nothing. With --multipv K xboard sets the engine's
# MultiPV option to K, and every depth of the analysis must then come in K lines.
#
#   tools/xboard-analysis.sh [--engine PATH] [--out DIR] [--multipv K] [--require]
#
# Exit status 1 on a failure, 0 otherwise (also, with "SKIPPED", when xboard or xvfb-run
# cannot be installed and --require is not given). Takes /tmp/kelvorante-match.lock.
set -u

# shellcheck source=tools/match-lib.sh
source "$(dirname "$0")/match-lib.sh"
engine="$ML_ROOT/build/kelvorante"
out=""
require=0
multipv=1
while [ $# -gt 0 ]; do
    case "$1" in
    --engine) engine=${2:-}; shift 2 ;;
    --out) out=${2:-}; shift 2 ;;
    --multipv) multipv=${2:-}; shift 2 ;;
    --require) require=1; shift ;;
    *) echo "Usage: tools/xboard-analysis.sh [--engine PATH] [--out DIR] [--multipv K] [--require]"; exit 2 ;;
    esac
done
[ -x "$engine" ] || { echo "no engine at $engine"; exit 1; }
case "$multipv" in '' | *[!0-9]* | 0) echo "--multipv needs a positive number"; exit 2 ;; esac
options=()
[ "$multipv" -gt 1 ] && options=(-firstOptions "MultiPV=$multipv")
ml_need "$require" xboard:xboard xvfb-run:xvfb xauth:xauth
ml_lock

[ -n "$out" ] || out=$(mktemp -d /tmp/kelvorante-analysis.XXXXXX)
mkdir -p "$out/engine" "$out/home"
out=$(cd "$out" && pwd)
cp "$engine" "$out/engine/kelvorante"
cat >"$out/game.pgn" <<'PGN'
[Event "analysis"]
[White "?"]
[Black "?"]
[Result "*"]

1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 4. Ba4 Nf6 *
PGN
debug="$out/xboard.debug"
# Analyze File stays open after the last move: xboard is ended after its walk through the
# game, a few seconds per move.
HOME="$out/home" timeout --kill-after=10 60 xvfb-run -a xboard -fcp "$out/engine/kelvorante" \
    -fd "$out/engine" "${options[@]}" -initialMode AnalyzeFile -lgf "$out/game.pgn" -debug \
    -nameOfDebugFile "$debug" -saveSettingsOnExit false -popupMoveErrors false \
    >"$out/xboard.out" 2>&1

failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}
[ -s "$debug" ] || { echo "FAIL: xboard wrote no debug log"; exit 1; }
grep -q '>first : analyze' "$debug" || fail "xboard never started the analysis"
grep -q '<first : pong 1' "$debug" || fail "the start-up ping was not answered"
grep -q '<first : move ' "$debug" && fail "the engine played a move while analysing"
grep -qE '<first : (Illegal move|Error)' "$debug" && fail "the engine refused a line: $(grep -E '<first : (Illegal move|Error)' "$debug" | head -1)"
# Every move sent into the analysis is followed by thinking output before the next one.
awk '/>first : [a-h][1-8][a-h][1-8]/ { if (sent && !thought) missing++; sent = 1; thought = 0; moves++ }
     /<first : [0-9]+ -?[0-9]+ [0-9]+ [0-9]+ / { if (sent) thought = 1; lines++ }
     END { if (sent && !thought) missing++
           printf "%d moves analysed, %d thinking lines, %d moves without analysis\n", moves, lines, missing
           exit (moves < 8 || missing > 0) }' "$debug" || fail "not every move was analysed"
if [ "$multipv" -gt 1 ]; then
    grep -q ">first : option MultiPV=$multipv" "$debug" || fail "xboard did not set MultiPV=$multipv"
    # Between two moves, every depth that was completed came in K lines: count the lines
    # of each depth and look at all but the last depth reported before each move.
    awk -v k="$multipv" '
        function settle() { for (d in n) if (d + 0 < last && n[d] != k) bad++; delete n; last = 0 }
        />first : [a-h][1-8][a-h][1-8]/ { settle() }
        /<first : [0-9]+ -?[0-9]+ [0-9]+ [0-9]+ / { split($0, w, "<first : "); split(w[2], f, " ")
                                                    n[f[1]]++; if (f[1] + 0 > last) last = f[1] + 0; depths++ }
        END { settle(); printf "MultiPV %d: %d thinking lines, %d depths not in %d lines\n", k, depths, bad, k
              exit (bad > 0 || depths == 0) }' "$debug" || fail "a completed depth did not come in $multipv lines"
fi
[ $failed = 0 ] && echo "analysis session passed (log: $debug)"
exit $failed
