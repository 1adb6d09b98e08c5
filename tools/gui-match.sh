#!/usr/bin/env bash
# Plays Kelvorante against Fairy-Max under Debian's XBoard, headless (Xvfb), and fails
# when any game ends by an illegal move, a time forfeit, a crash or a disconnect.
#
#   tools/gui-match.sh --games N [--ponder] [--engine PATH] [--out DIR]
#                      [--tc MIN[:SEC]] [--mps N] [--book FILE] [--fresh]
#
# The engine is not built here. Hold the match lock when other matches may run:
#   flock /tmp/kelvorante-match.lock tools/gui-match.sh --games 10
set -u

root="$(cd "$(dirname "$0")/.." && pwd)"
games=2
ponder=0
engine="$root/build/kelvorante"
out=""
tc="1"
mps=40
book=""
reuse=1

usage() {
    sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'
    echo "  --ponder   thinking on the opponent's time for both engines (XBoard sends \"hard\")"
    echo "  --tc       base time per side in minutes (default 1), --mps moves per control (40)"
    echo "  --book     an opening book copied beside the engine as book.obk"
    echo "  --fresh    restart the engine for every game instead of reusing it"
}

while [ $# -gt 0 ]; do
    case "$1" in
    --games) games="${2:-}"; shift 2 ;;
    --ponder) ponder=1; shift ;;
    --engine) engine="${2:-}"; shift 2 ;;
    --out) out="${2:-}"; shift 2 ;;
    --tc) tc="${2:-}"; shift 2 ;;
    --mps) mps="${2:-}"; shift 2 ;;
    --book) book="${2:-}"; shift 2 ;;
    --fresh) reuse=0; shift ;;
    -h | --help) usage; exit 0 ;;
    *) echo "unknown option: $1" >&2; usage >&2; exit 2 ;;
    esac
done

case "$games" in '' | *[!0-9]* | 0) echo "--games needs a positive number" >&2; exit 2 ;; esac
case "$mps" in '' | *[!0-9]*) echo "--mps needs a number" >&2; exit 2 ;; esac
engine="$(readlink -f "$engine" 2>/dev/null || echo "$engine")"
if [ ! -x "$engine" ]; then
    echo "no engine binary at $engine (build it first, or pass --engine PATH)" >&2
    exit 2
fi
if [ -n "$book" ] && [ ! -r "$book" ]; then
    echo "cannot read book $book" >&2
    exit 2
fi

# Debian installs the games (xboard, fairymax) under /usr/games.
export PATH="$PATH:/usr/games"
have_tools() { command -v xboard >/dev/null && command -v fairymax >/dev/null && command -v xvfb-run >/dev/null; }
if ! have_tools; then
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && command -v sudo >/dev/null && sudo_cmd="sudo -n"
    echo "installing xboard, fairymax and xvfb with apt-get" >&2
    $sudo_cmd apt-get -o DPkg::Lock::Timeout=300 install -y xboard fairymax xvfb xauth >/dev/null 2>&1 ||
        { $sudo_cmd apt-get update >/dev/null 2>&1 &&
            $sudo_cmd apt-get -o DPkg::Lock::Timeout=300 install -y xboard fairymax xvfb xauth >/dev/null 2>&1; }
    if ! have_tools; then
        echo "SKIPPED: xboard, fairymax or xvfb-run is not installed and apt-get could not install them"
        exit 0
    fi
fi

[ -n "$out" ] || out="$(mktemp -d /tmp/gui-match.XXXXXX)"
mkdir -p "$out/engine" "$out/home" || exit 2
out="$(cd "$out" && pwd)"
pgn="$out/games.pgn"
debug="$out/xboard.debug"
rm -f "$pgn" "$debug"
# The engine looks for its book in its working directory; without one it searches.
rm -f "$out/engine/"*.obk
[ -n "$book" ] && cp "$book" "$out/engine/book.obk"
# A private copy, so that a rebuild during the match cannot change the player.
cp "$engine" "$out/engine/kelvorante" || exit 2

ponder_flag="-xponder"
[ "$ponder" = 1 ] && ponder_flag="-ponder"
reuse_flag="-reuse"
[ "$reuse" = 0 ] && reuse_flag="-xreuse"
# A game at 40 moves per minute takes a few minutes at most; a match far beyond that
# has stalled.
limit=$((games * 900 + 120))

echo "match: $games games, $mps moves in $tc min, ponder $ponder, output in $out"
start=$(date +%s)
# HOME is private so that XBoard neither reads nor writes the user's settings.
HOME="$out/home" timeout --kill-after=20 "$limit" xvfb-run -a xboard \
    -fcp "$out/engine/kelvorante" -fd "$out/engine" -scp fairymax -sd "$out" \
    -mg "$games" -tc "$tc" -mps "$mps" "$ponder_flag" "$reuse_flag" \
    -sgf "$pgn" -debug -nameOfDebugFile "$debug" -autoflag -xexit -noGUI \
    -saveSettingsOnExit false -popupMoveErrors false >"$out/xboard.out" 2>&1
status=$?
elapsed=$(($(date +%s) - start))

failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}
[ "$status" = 124 ] && fail "the match did not finish within $limit s (stalled)"

# One record per game: colours, result and the closing comment XBoard writes.
summary="$(awk '
    function flush() { if (n) print white "\t" black "\t" result "\t" comment; n = 0; comment = "" }
    /^\[White "/ { flush(); n = 1; white = $0; sub(/^\[White "/, "", white); sub(/"\]$/, "", white) }
    /^\[Black "/ { black = $0; sub(/^\[Black "/, "", black); sub(/"\]$/, "", black) }
    /^\[Result "/ { result = $0; sub(/^\[Result "/, "", result); sub(/"\]$/, "", result) }
    /^\{.*\} *(1-0|0-1|1\/2-1\/2|\*) *$/ { comment = $0; sub(/^\{/, "", comment); sub(/\} *[^}]*$/, "", comment) }
    / \{[^}]*\} *(1-0|0-1|1\/2-1\/2|\*) *$/ { c = $0; sub(/.*\{/, "", c); sub(/\}.*/, "", c); comment = c }
    END { flush() }' "$pgn" 2>/dev/null)"

played=0 wins=0 draws=0 losses=0
while IFS=$'\t' read -r white black result comment; do
    [ -n "$white" ] || continue
    played=$((played + 1))
    if [[ "$white" == Kelvorante* ]]; then side=white; else side=black; fi
    case "$result" in
    1-0) [ "$side" = white ] && wins=$((wins + 1)) || losses=$((losses + 1)) ;;
    0-1) [ "$side" = black ] && wins=$((wins + 1)) || losses=$((losses + 1)) ;;
    1/2-1/2) draws=$((draws + 1)) ;;
    *) fail "game $played ($white - $black) has no result: {$comment}" ;;
    esac
    printf 'game %2d  %-16s - %-16s %-7s {%s}\n' "$played" "$white" "$black" "$result" "$comment"
    shopt -s nocasematch
    if [[ "$comment" =~ (illegal|invalid|false|on\ time|forfeit|flag|crash|exit|disconnect|error|abort|stall) ]]; then
        fail "game $played ended abnormally: {$comment}"
    fi
    shopt -u nocasematch
done <<<"$summary"

[ "$played" -lt "$games" ] && fail "only $played of $games games were played"

# The dialogue itself: XBoard's log marks lines to the engine with ">first" and its
# answers with "<first".
if [ -r "$debug" ]; then
    refused="$(grep -c '<first : Illegal move' "$debug")"
    [ "$refused" -gt 0 ] && fail "the engine refused $refused moves sent by XBoard (see $debug)"
    grep -E 'Error writing to first|first chess program.*(exit|died|crash)|Failed to start first' "$debug" |
        head -3 | while read -r line; do echo "FAIL: $line"; done
    grep -qE 'Error writing to first|first chess program.*(exit|died|crash)|Failed to start first' "$debug" && failed=1
    unknown="$(grep '<first : Error (unknown command)' "$debug" | sed 's/.*: //' | sort | uniq -c)"
    [ -n "$unknown" ] && printf 'note: commands the engine did not know:\n%s\n' "$unknown"
else
    fail "XBoard wrote no debug log (see $out/xboard.out)"
fi

echo "Kelvorante: +$wins =$draws -$losses of $played games in ${elapsed}s; PGN: $pgn"
exit "$failed"
