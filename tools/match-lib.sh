# shellcheck shell=bash
# Shared by tools/soak.sh and tools/xboard-analysis.sh (sourced, not run): installing what a
# match needs, the machine-wide match lock, time controls and openings, and one game of
# Kelvorante under Debian's xboard, headless with xvfb-run, in either protocol (polyglot runs
# the engine as a UCI engine), with its result, its faults and the engine's peak memory.
#
# Each game is its own xboard process: the engine starts afresh for every game (its memory is
# measured per game), the colours and the opening are chosen per game, and a game that hangs
# is ended on its own without losing the others.

# shellcheck disable=SC2034 # for the scripts that source this file
ML_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
ML_LOCK=/tmp/kelvorante-match.lock
export PATH="$PATH:/usr/games" # Debian installs xboard and the engines there

# ml_need REQUIRE PROGRAM:PACKAGE...: installs the packages of the programs that are missing.
# When apt-get cannot install them the script ends: with "SKIPPED: <reason>" and status 0,
# or, when REQUIRE is 1 (CI, which must not take a missing install for a pass), status 1.
ml_need() {
    local require=$1 pair missing=() packages=()
    shift
    for pair in "$@"; do
        command -v "${pair%%:*}" >/dev/null 2>&1 || { missing+=("${pair%%:*}"); packages+=("${pair##*:}"); }
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local apt=(apt-get -o DPkg::Lock::Timeout=300)
    [ "$(id -u)" -ne 0 ] && command -v sudo >/dev/null && apt=(sudo -n "${apt[@]}")
    echo "installing ${packages[*]} with apt-get" >&2
    DEBIAN_FRONTEND=noninteractive "${apt[@]}" install -y "${packages[@]}" >/dev/null 2>&1 ||
        { "${apt[@]}" update >/dev/null 2>&1 &&
            DEBIAN_FRONTEND=noninteractive "${apt[@]}" install -y "${packages[@]}" >/dev/null 2>&1; }
    local still=()
    for pair in "${missing[@]}"; do command -v "$pair" >/dev/null 2>&1 || still+=("$pair"); done
    [ ${#still[@]} -eq 0 ] && return 0
    if [ "$require" = 1 ]; then
        echo "FAIL: ${still[*]} missing and apt-get could not install ${packages[*]}"
        exit 1
    fi
    echo "SKIPPED: ${still[*]} missing and apt-get could not install ${packages[*]}"
    exit 0
}

# ml_lock: one match at a time on the machine. A lock already held by an ancestor (the
# script run under "flock /tmp/kelvorante-match.lock ...") counts as ours.
ml_lock() {
    exec 9>>"$ML_LOCK"
    flock -n 9 && return 0
    local inode pid holders
    inode=$(stat -c %i "$ML_LOCK")
    holders=" $(awk -v ino="$inode" '$2 == "FLOCK" { split($6, f, ":"); if (f[3] == ino) print $5 }' /proc/locks | tr '\n' ' ') "
    pid=$$
    while [ "${pid:-1}" -gt 1 ]; do
        [[ "$holders" == *" $pid "* ]] && return 0
        pid=$(awk '/^PPid:/ { print $2 }' "/proc/$pid/status" 2>/dev/null)
    done
    echo "waiting for $ML_LOCK (another match is running)" >&2
    flock 9
}

# ml_parse_tc TC: "MOVES/SECONDS" (a session of MOVES moves, repeated), "SECONDS+INC" or
# "SECONDS". Sets ML_TC_ARGS (xboard's options) and ML_GAME_LIMIT: the seconds after which
# a game counts as stalled (both clocks used up over 200 moves each, and a minute more).
ml_parse_tc() {
    local tc=$1 moves=0 base inc=0
    if [[ "$tc" =~ ^([0-9]+)/([0-9]+)$ ]]; then
        moves=${BASH_REMATCH[1]} base=${BASH_REMATCH[2]}
    elif [[ "$tc" =~ ^([0-9]+)(\+([0-9]+(\.[0-9]+)?))?$ ]]; then
        base=${BASH_REMATCH[1]} inc=${BASH_REMATCH[3]:-0}
    else
        echo "time control $tc is not MOVES/SECONDS, SECONDS+INC or SECONDS" >&2
        return 2
    fi
    [ "$moves" -gt 0 ] || [ "$base" -gt 0 ] || { echo "time control $tc has no time" >&2; return 2; }
    local clock
    clock="$((base / 60)):$(printf '%02d' $((base % 60)))"
    if [ "$moves" -gt 0 ]; then
        ML_TC_ARGS=(-tc "$clock" -mps "$moves")
        ML_GAME_LIMIT=$((2 * base * ((200 + moves - 1) / moves) + 60))
    else
        ML_TC_ARGS=(-tc "$clock" -inc "$inc")
        ML_GAME_LIMIT=$(awk -v b="$base" -v i="$inc" 'BEGIN { printf "%d", 2 * (b + 200 * i) + 60 }')
    fi
    # shellcheck disable=SC2034 # for the scripts that source this file
    ML_TC_TEXT=$tc
}

# ml_read_openings FILE: ML_OPENING_MOVES and ML_OPENING_NAMES, one entry per opening line
# (coordinate moves; the comment after them names the opening).
ml_read_openings() {
    ML_OPENING_MOVES=() ML_OPENING_NAMES=()
    local line moves name
    while IFS= read -r line || [ -n "$line" ]; do
        moves=$(echo "${line%%#*}" | tr -s ' \t' ' ' | sed 's/^ //; s/ $//')
        [ -n "$moves" ] || continue
        name=""
        # A score in brackets after the name is a note on the line, not part of its name.
        [[ "$line" == *"#"* ]] && name=$(echo "${line#*#}" | sed 's/^ *//; s/ *([+-]\{0,1\}[0-9]*) *$//; s/ *$//')
        ML_OPENING_MOVES+=("$moves")
        ML_OPENING_NAMES+=("$name")
    done <"$1"
    [ ${#ML_OPENING_MOVES[@]} -gt 0 ] || { echo "no openings in $1" >&2; return 2; }
}

# ml_prepare OUT ENGINE [BOOK]: a private copy of the engine binary (a rebuild during the run
# cannot change the player), with the opening book BOOK beside it as book.obk when one is
# given, and ML_ENGINE_DIR/kelvorante-measured, the program xboard and polyglot start: it runs
# that copy unchanged and records how it ended and its peak memory (see its own comment).
ml_prepare() {
    local out=$1 engine=$2 book=${3:-}
    mkdir -p "$out/engine" || return 2
    rm -f "$out/engine/"*.obk # without a book the openings come from the openings file alone
    cp "$engine" "$out/engine/kelvorante" || return 2
    if [ -n "$book" ]; then cp "$book" "$out/engine/book.obk" || return 2; fi
    # Debian's own interpreter starts in a tenth of a second; xboard waits for the engine.
    local python=/usr/bin/python3
    [ -x "$python" ] || python=$(command -v python3)
    printf '#!%s\n' "$python" >"$out/engine/kelvorante-measured"
    cat >>"$out/engine/kelvorante-measured" <<'PYTHON'
"""Runs the kelvorante beside this file unchanged and records how it ended and its peak memory.

The engine inherits standard input and output, so a GUI that starts this wrapper talks to
the engine itself. Signals sent to the wrapper (a GUI's interrupt or terminate) are passed
on. When the engine ends, one line is appended to the file named by KELVORANTE_RSS_RECORD
(xboard and polyglot pass the environment on; /dev/null when it is not set):

    pid=P status=N signal=S passed_on=L peak_rss_kb=K maxrss_kb=M seconds=T

where N is the exit status (or -1 when a signal ended it), S the signal number (0 if none),
L the signals passed on from outside (comma-separated, "-" if none: a GUI that sends "quit"
and then SIGTERM may end a program that way without it having crashed), K the high-water
mark of the engine's resident set (VmHWM in /proc/P/status, read every 0.2 s while it runs;
the mark only rises, so the last reading misses at most what the last 0.2 s added), and M
the kernel's ru_maxrss from wait4, which also counts the wrapper's own image that the child
had before it became the engine (it stands in for K when the engine ran too briefly to be
read). The wrapper exits as the engine did.
"""
import os
import signal
import sys
import time

child = 0
passed_on = set()


def pass_on(signum, _frame):
    # Before the fork returns in the parent there is no child to pass the signal to.
    if child > 0:
        passed_on.add(signum)
        os.kill(child, signum)


def high_water_mark(pid, own_image):
    """VmHWM in kB once the child runs the engine (0 before its exec, or when it is gone)."""
    try:
        if os.readlink(f"/proc/{pid}/exe") == own_image:
            return 0
        with open(f"/proc/{pid}/status", encoding="ascii") as status:
            for line in status:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except (OSError, ValueError):
        pass
    return 0


def main():
    global child
    record = os.environ.get("KELVORANTE_RSS_RECORD") or "/dev/null"
    argv = [os.path.join(os.path.dirname(os.path.abspath(__file__)), "kelvorante")] + sys.argv[1:]
    for signum in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGQUIT):
        signal.signal(signum, pass_on)
    started = time.monotonic()
    pid = os.fork()
    if pid == 0:
        # exec resets the handlers above to their defaults in the engine.
        try:
            os.execv(argv[0], argv)
        except OSError as err:
            print(f"kelvorante-measured: cannot run {argv[0]}: {err}", file=sys.stderr)
        os._exit(127)
    child = pid
    own_image, peak = os.readlink("/proc/self/exe"), 0
    while True:
        done, status, usage = os.wait4(pid, os.WNOHANG)
        if done:
            break
        peak = max(peak, high_water_mark(pid, own_image))
        time.sleep(0.2)
    code = os.WEXITSTATUS(status) if os.WIFEXITED(status) else -1
    signum = os.WTERMSIG(status) if os.WIFSIGNALED(status) else 0
    with open(record, "a", encoding="utf-8") as out:
        signals = ",".join(str(s) for s in sorted(passed_on)) or "-"
        out.write(f"pid={pid} status={code} signal={signum} passed_on={signals} "
                  f"peak_rss_kb={peak or usage.ru_maxrss} maxrss_kb={usage.ru_maxrss} "
                  f"seconds={time.monotonic() - started:.1f}\n")
    return code if code >= 0 else 128 + signum


sys.exit(main())
PYTHON
    chmod +x "$out/engine/kelvorante-measured"
    ML_ENGINE_DIR="$out/engine"
}

# ml_play_game DIR PROTOCOL OPPONENT COLOUR PONDER MOVES: one game, Kelvorante as COLOUR
# (white or black) speaking PROTOCOL (xboard or uci), PONDER 1 for thinking on the
# opponent's time (both engines), from the opening MOVES. Leaves the game's PGN, xboard's
# debug log and the engine's exit records in DIR, and one line in DIR/record (read it with
# IFS=$'\037' read -r result points reason peak faults):
# result, Kelvorante's points, xboard's reason, peak RSS in kB, faults ("" when none).
# OPPONENT is a command (it may carry arguments). With ML_VARIANT set (e.g. fischerandom) the
# game is that variant, and empty MOVES let xboard choose the start position.
ml_play_game() {
    local dir=$1 protocol=$2 opponent=$3 colour=$4 ponder=$5 moves=$6
    mkdir -p "$dir/home" "$dir/opponent" || return 2
    rm -f "$dir/game.pgn" "$dir/xboard.debug" "$dir/polyglot.log" "$dir/rss" "$dir/record"
    {
        printf '[Event "opening"]\n[Site "?"]\n[Date "????.??.??"]\n[Round "-"]\n'
        printf '[White "?"]\n[Black "?"]\n[Result "*"]\n\n'
        local i=0 move
        for move in $moves; do
            [ $((i % 2)) = 0 ] && printf '%d. ' $((i / 2 + 1))
            printf '%s ' "$move"
            i=$((i + 1))
        done
        printf '*\n'
    } >"$dir/opening.pgn"

    local us=first them=second
    local ours=(-fcp "$ML_ENGINE_DIR/kelvorante-measured" -fd "$ML_ENGINE_DIR")
    # ML_ENGINE_OPTIONS, "NAME=VALUE,...": Kelvorante's options, set by xboard (through
    # polyglot in UCI) as a user sets them in the engine's settings.
    [ -n "${ML_ENGINE_OPTIONS:-}" ] && ours+=(-firstOptions "$ML_ENGINE_OPTIONS")
    local theirs=(-scp "$opponent" -sd "$dir/opponent")
    if [ "$colour" = black ]; then
        us=second them=first
        ours=(-scp "$ML_ENGINE_DIR/kelvorante-measured" -sd "$ML_ENGINE_DIR")
        [ -n "${ML_ENGINE_OPTIONS:-}" ] && ours+=(-secondOptions "$ML_ENGINE_OPTIONS")
        theirs=(-fcp "$opponent" -fd "$dir/opponent")
    fi
    local uci=()
    if [ "$protocol" = uci ]; then
        [ "$us" = first ] && uci=(-fUCI) || uci=(-sUCI)
        # xboard fills in the engine's command and directory for either slot.
        # ML_UCI_OPTIONS, "NAME=VALUE,...": options polyglot sets on the engine itself, for
        # those it keeps from xboard (Hash, BookFile, which share names with its own).
        local adapter="polyglot -noini -log true -lf \"$dir/polyglot.log\" -ec \"%fcp\" -ed \"%fd\"" option
        local IFS_SAVED=$IFS
        IFS=','
        for option in ${ML_UCI_OPTIONS:-}; do adapter+=" -uci \"$option\""; done
        IFS=$IFS_SAVED
        uci+=(-adapterCommand "$adapter")
    fi
    local think=false
    [ "$ponder" = 1 ] && think=true
    local start=(-lgf "$dir/opening.pgn" -lgi 1)
    [ -z "$moves" ] && start=()
    [ -n "${ML_VARIANT:-}" ] && start+=(-variant "$ML_VARIANT" -defaultFrcPosition -1)

    # HOME is private so that xboard neither reads nor writes anybody's settings.
    HOME="$dir/home" KELVORANTE_RSS_RECORD="$dir/rss" \
        timeout --kill-after=20 "$ML_GAME_LIMIT" xvfb-run -a xboard -noGUI \
        "${ours[@]}" "${theirs[@]}" "${uci[@]}" -mg 1 "${ML_TC_ARGS[@]}" -ponderNextMove "$think" \
        "${start[@]}" -sgf "$dir/game.pgn" \
        -debugMode true -nameOfDebugFile "$dir/xboard.debug" \
        -autoCallFlag true -testClaims true -materialDraws true -adjudicateDrawMoves 200 \
        -matchPause 500 -popupExitMessage false -popupMoveErrors false -soundProgram true \
        -saveSettingsOnExit false -settingsFile "$dir/home/xboard.settings" >"$dir/xboard.out" 2>&1
    local status=$?

    # polyglot may still be waiting for the engine to leave: its exit record comes last.
    local waited=0
    while [ ! -s "$dir/rss" ] && [ $waited -lt 10 ]; do sleep 0.5; waited=$((waited + 1)); done

    local faults=()
    [ "$status" = 124 ] || [ "$status" = 137 ] && faults+=("stall: the game did not end within $ML_GAME_LIMIT s")
    local result="*" reason=""
    if [ -s "$dir/game.pgn" ]; then
        result=$(sed -n 's/^\[Result "\(.*\)"\]$/\1/p' "$dir/game.pgn" | head -1)
        # xboard writes its reason as the last comment, right before the result.
        reason=$(tr '\n' ' ' <"$dir/game.pgn" | grep -o '{[^}]*} *\(1-0\|0-1\|1/2-1/2\|\*\) *$' | sed 's/^{\([^}]*\)}.*/\1/')
    fi
    local points=""
    case "$result" in
    1-0) [ "$colour" = white ] && points=1 || points=0 ;;
    0-1) [ "$colour" = black ] && points=1 || points=0 ;;
    1/2-1/2) points=0.5 ;;
    *) faults+=("the game has no result {$reason}") ;;
    esac
    # Whoever broke the game, the run fails: a fault of the opponent's is named as such.
    local loser=Kelvorante
    [ "$points" = 0 ] || loser="$opponent"
    [ "$result" = 1/2-1/2 ] && loser="one side"
    shopt -s nocasematch
    case "$reason" in
    *illegal* | *invalid*) faults+=("illegal move by $loser {$reason}") ;;
    *"on time"* | *flag* | *forfeit*) faults+=("time forfeit by $loser {$reason}") ;;
    *crash* | *exit* | *died* | *terminat*) faults+=("crash of $loser {$reason}") ;;
    *disconnect* | *connection*) faults+=("disconnect of $loser {$reason}") ;;
    *false*) faults+=("false result claim by $loser {$reason}") ;;
    *stall* | *stuck* | *error* | *abort*) faults+=("abnormal end {$reason}") ;;
    esac
    shopt -u nocasematch

    # The dialogue: xboard marks what an engine says with "<first :" or "<second:".
    if [ -r "$dir/xboard.debug" ]; then
        # Only a move counts: some engines answer an unknown command with "Illegal move" too
        # (phalanx says "Illegal move: computer").
        local refused move_word='Illegal move[^:]*: *([a-h][1-8][a-h][1-8][qrbnQRBN]?|[KQRBN]?[a-h]?[1-8]?x?[a-h][1-8]|O-O)'
        refused=$(grep -a -E "<$us *: *$move_word" "$dir/xboard.debug" | head -3 | sed 's/^[0-9]* //')
        [ -n "$refused" ] && faults+=("Kelvorante refused a move xboard sent: $(echo "$refused" | head -1)")
        refused=$(grep -a -E "<$them *: *$move_word" "$dir/xboard.debug" | head -1 | sed 's/^[0-9]* //')
        [ -n "$refused" ] && faults+=("$opponent refused a move: $refused")
        grep -a -q -E "Error writing to $us|$us chess program.*(exit|died|crash)" "$dir/xboard.debug" &&
            faults+=("xboard lost the connection to Kelvorante")
    else
        faults+=("xboard wrote no debug log (see $dir/xboard.out)")
    fi
    if [ -r "$dir/polyglot.log" ]; then
        grep -a -q -i -E "position refused|illegal move" "$dir/polyglot.log" &&
            faults+=("polyglot saw a refused or illegal move: $(grep -a -i -m1 -E 'position refused|illegal move' "$dir/polyglot.log")")
    fi

    # Every start of the engine left an exit record. A non-zero status is a crash, and so is
    # a signal, unless it is one the GUI sent (xboard follows "quit" with SIGTERM at once).
    local peak=""
    if [ -s "$dir/rss" ]; then
        peak=$(awk '{ for (i = 1; i <= NF; i++) if ($i ~ /^peak_rss_kb=/) { v = substr($i, 13) + 0; if (v > m) m = v } } END { print m }' "$dir/rss")
        local bad
        bad=$(awk '{
            for (i = 1; i <= NF; i++) { split($i, kv, "="); f[kv[1]] = kv[2] }
            if (f["signal"] == 0 ? f["status"] != 0 : index("," f["passed_on"] ",", "," f["signal"] ",") == 0) { print; exit }
        }' "$dir/rss")
        [ -n "$bad" ] && faults+=("Kelvorante did not exit cleanly: $bad")
    else
        faults+=("Kelvorante left no exit record (it never started, or was killed with its wrapper)")
    fi

    # Fields apart by the unit separator: unlike a tab, read keeps an empty field between two.
    local IFS=';'
    printf '%s\037%s\037%s\037%s\037%s\n' "$result" "$points" "$reason" "$peak" "${faults[*]}" >"$dir/record"
}
