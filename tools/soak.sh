#!/usr/bin/env bash
# Games of Kelvorante under Debian's xboard, headless, against Debian's engines, in both
# protocols (UCI through polyglot), from the openings in tools/openings.txt (each with both
# colours). The engine is restarted for every game and its peak resident memory is recorded
# per game. Two schedules:
#
#   soak (the default): many fast games against fairymax and hoichess, half of them with
#   pondering, to find faults. A table per opponent, protocol and pondering closes the run.
#
#   --strength: a gauntlet without pondering, N games per opponent and protocol, against
#   fairymax, hoichess, sjeng and phalanx by default. Also prints the score and the Elo
#   difference with its 95% margin per opponent and protocol, writes that table as Markdown
#   and plots the scores with gnuplot.
#
# Exit status 1 when any game ends by an illegal move, a time forfeit, a crash, a stall or a
# disconnect, when an engine refused a move xboard sent, when a game has no result or the
# engine did not exit cleanly (and, with --strength, when gnuplot made no plot); 2 on bad
# usage; 0 otherwise. The script takes /tmp/kelvorante-match.lock.
set -u

usage() {
    cat <<'EOF'
Usage: tools/soak.sh [--strength] [options]
  --strength                a gauntlet: no pondering, an Elo table and a plot (defaults below in [])
  --games N                 soak: games in all (default 200), spread over opponent, protocol and pondering
  --games-per-opponent N    strength: games against each opponent in each protocol (default 10)
  --tc TC                   MOVES/SECONDS, SECONDS+INC or SECONDS (default 40/20: 40 moves in 20 s) [10+0.1]
  --opponents L             Debian engines to play, blank-separated (default "fairymax hoichess")
                            ["fairymax hoichess sjeng phalanx"]
  --protocols L             "xboard uci" (default), or one of them
  --engine PATH             the kelvorante binary (default build/kelvorante)
  --openings FILE           opening lines (default tools/openings.txt)
  --book FILE               an opening book put beside the engine as book.obk (default: none)
  --out DIR                 where the games, logs and the summary go (default a new /tmp/kelvorante-soak.*)
  --markdown FILE           strength: the results table (default doc/strength.md)
  --plot FILE               strength: the score plot, PNG (default doc/strength.png)
  --ponder on|off|both      soak: games with thinking on the opponent's time, without, or half each (default both)
  --engine-options L        Kelvorante's options as xboard sets them, "NAME=VALUE,..." (e.g. "MultiPV=3")
  --uci-options L           UCI options polyglot sets itself, "NAME=VALUE,...": the ones it does not
                            show xboard, such as BookFile (its own option has that name) or Hash
  --require                 a package that cannot be installed fails the run instead of skipping it
EOF
}

# shellcheck source=tools/match-lib.sh
source "$(dirname "$0")/match-lib.sh"
strength=0
games=""
per=""
tc=""
opponents=""
protocols="xboard uci"
ponder_mode=both
engine="$ML_ROOT/build/kelvorante"
openings="$ML_ROOT/tools/openings.txt"
book=""
out=""
markdown=""
plot=""
require=0
while [ $# -gt 0 ]; do
    case "$1" in
    --strength) strength=1; shift ;;
    --games) games=${2:-}; shift 2 ;;
    --games-per-opponent) per=${2:-}; shift 2 ;;
    --tc) tc=${2:-}; shift 2 ;;
    --opponents) opponents=${2:-}; shift 2 ;;
    --protocols) protocols=${2:-}; shift 2 ;;
    --engine) engine=${2:-}; shift 2 ;;
    --openings) openings=${2:-}; shift 2 ;;
    --book) book=${2:-}; shift 2 ;;
    --out) out=${2:-}; shift 2 ;;
    --markdown) markdown=${2:-}; shift 2 ;;
    --plot) plot=${2:-}; shift 2 ;;
    --engine-options) export ML_ENGINE_OPTIONS=${2:-}; shift 2 ;;
    --uci-options) export ML_UCI_OPTIONS=${2:-}; shift 2 ;;
    --ponder) ponder_mode=${2:-}; shift 2 ;;
    --require) require=1; shift ;;
    -h | --help) usage; exit 0 ;;
    *) echo "soak: unknown argument: $1" >&2; usage >&2; exit 2 ;;
    esac
done
# The options of one schedule make no sense in the other: say so rather than ignore them.
if [ "$strength" = 1 ]; then
    [ -z "$games" ] || { echo "soak: --strength counts games with --games-per-opponent" >&2; exit 2; }
    per=${per:-10} tc=${tc:-10+0.1} opponents=${opponents:-fairymax hoichess sjeng phalanx}
    markdown=${markdown:-$ML_ROOT/doc/strength.md} plot=${plot:-$ML_ROOT/doc/strength.png}
    case "$per" in '' | *[!0-9]* | 0) echo "soak: --games-per-opponent needs a positive number" >&2; exit 2 ;; esac
else
    [ -z "$per$markdown$plot" ] ||
        { echo "soak: --games-per-opponent, --markdown and --plot belong to --strength" >&2; exit 2; }
    games=${games:-200} tc=${tc:-40/20} opponents=${opponents:-fairymax hoichess}
    case "$games" in '' | *[!0-9]* | 0) echo "soak: --games needs a positive number" >&2; exit 2 ;; esac
    case "$ponder_mode" in on | off | both) ;; *) echo "soak: --ponder takes on, off or both" >&2; exit 2 ;; esac
fi
ml_parse_tc "$tc" || exit 2
ml_read_openings "$openings" || exit 2
read -r -a opponent_list <<<"$opponents"
read -r -a protocol_list <<<"$protocols"
[ ${#opponent_list[@]} -gt 0 ] || { echo "soak: no opponents" >&2; exit 2; }
[ ${#protocol_list[@]} -gt 0 ] || { echo "soak: no protocols" >&2; exit 2; }
for protocol in "${protocol_list[@]}"; do
    case "$protocol" in xboard | uci) ;; *) echo "soak: unknown protocol $protocol" >&2; exit 2 ;; esac
done
[ -x "$engine" ] || { echo "soak: no engine binary at $engine (build it, or give --engine PATH)" >&2; exit 2; }
[ -z "$book" ] || [ -r "$book" ] || { echo "soak: cannot read the book $book" >&2; exit 2; }

needs=(xboard:xboard polyglot:polyglot xvfb-run:xvfb xauth:xauth python3:python3)
[ "$strength" = 1 ] && needs+=(gnuplot:gnuplot-nox)
for opponent in "${opponent_list[@]}"; do needs+=("$opponent:$opponent"); done
ml_need "$require" "${needs[@]}"
ml_lock

[ -n "$out" ] || out=$(mktemp -d /tmp/kelvorante-soak.XXXXXX)
mkdir -p "$out" || exit 2
out=$(cd "$out" && pwd)
rm -rf "$out/games" "$out/games.pgn" "$out/summary.tsv"
ml_prepare "$out" "$engine" "$book" || exit 2
printf 'game\topponent\tprotocol\tponder\tcolour\topening\tresult\tpoints\treason\tpeak_rss_kb\tfaults\n' >"$out/summary.tsv"

# The schedule: one "opponent protocol ponder colour opening-index" entry per game.
schedule=()
if [ "$strength" = 1 ]; then
    # Opponent by opponent, protocol by protocol; each opening twice in a row, Kelvorante
    # White, then Black.
    for opponent in "${opponent_list[@]}"; do
        for protocol in "${protocol_list[@]}"; do
            for ((j = 0; j < per; j++)); do
                colour=white
                [ $((j % 2)) = 1 ] && colour=black
                schedule+=("$opponent $protocol 0 $colour $(((j / 2) % ${#ML_OPENING_MOVES[@]}))")
            done
        done
    done
    echo "soak --strength: ${#schedule[@]} games at $ML_TC_TEXT, $per per opponent and protocol; output in $out"
else
    # The ways a game can be played (opponent, protocol, pondering), in an order in which the
    # first few pairs of games already differ in all three.
    combos=()
    for combo in "xboard 0" "uci 1" "xboard 1" "uci 0"; do
        case "$ponder_mode:${combo#* }" in on:0 | off:1) continue ;; esac
        [[ " ${protocol_list[*]} " == *" ${combo% *} "* ]] && combos+=("$combo")
    done
    cells=()
    n=${#opponent_list[@]}
    for ((k = 0; k < ${#combos[@]} * n; k++)); do
        cells+=("${opponent_list[k % n]} ${combos[(k / n + k % n) % ${#combos[@]}]}")
    done
    for ((g = 0; g < games; g++)); do
        # Two games per pair: the same opening and set-up, Kelvorante White, then Black.
        pair=$((g / 2))
        colour=white
        [ $((g % 2)) = 1 ] && colour=black
        schedule+=("${cells[pair % ${#cells[@]}]} $colour $(((pair + pair / ${#cells[@]}) % ${#ML_OPENING_MOVES[@]}))")
    done
    echo "soak: $games games at $ML_TC_TEXT against ${opponent_list[*]}; output in $out"
fi

start=$SECONDS
failed=0
for ((g = 0; g < ${#schedule[@]}; g++)); do
    read -r opponent protocol ponder colour index <<<"${schedule[g]}"
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

# strength_report: per opponent and protocol W/D/L, the score and its Elo difference, as a
# table on the screen and in Markdown, and the plot. The Elo difference is the logistic
# model's -400 log10(1/p - 1) of the score p; its 95% margin comes from the trinomial
# standard error of p (each game a win, a draw or a loss), mapped through the same curve. A
# score of 0 or 100% has no finite difference, a bound that reaches them no margin.
strength_report() {
    mkdir -p "$(dirname "$markdown")" "$(dirname "$plot")" || return 1
    echo
    awk -F'\t' -v md="$markdown" -v dat="$out/plot.dat" -v tc="$ML_TC_TEXT" -v protos="${protocol_list[*]}" '
        function elo(p) { return -400 * log(1 / p - 1) / log(10) }
        function elo_text(p,    e) { if (p <= 0) return "-inf"; if (p >= 1) return "+inf"; e = elo(p); return sprintf("%+d", int(e + (e < 0 ? -0.5 : 0.5))) }
        NR > 1 && $8 != "" {
            key = $2 SUBSEP $3
            if (!(key in n)) { if (!($2 in seen)) { seen[$2] = 1; opp[++nopp] = $2 } }
            n[key]++
            if ($8 == "1") w[key]++; else if ($8 == "0.5") d[key]++; else l[key]++
        }
        END {
            np = split(protos, proto, " ")
            head = sprintf("%-10s %-8s %5s %4s %4s %4s %7s  %s", "opponent", "protocol", "games", "+", "=", "-", "score", "Elo difference (95%)")
            print head
            print "| opponent | protocol | games | + | = | - | score | Elo difference (95%) |" > md
            print "|---|---|---:|---:|---:|---:|---:|---:|" >> md
            printf "# opponent" > dat
            for (j = 1; j <= np; j++) printf " %s_score %s_low %s_high", proto[j], proto[j], proto[j] >> dat
            printf "\n" >> dat
            for (i = 1; i <= nopp; i++) {
                printf "%s", opp[i] >> dat
                for (j = 1; j <= np; j++) {
                    key = opp[i] SUBSEP proto[j]
                    if (!(key in n)) { printf " - - -" >> dat; continue }
                    N = n[key]; p = (w[key] + d[key] / 2) / N
                    var = (w[key] * (1 - p) ^ 2 + d[key] * (0.5 - p) ^ 2 + l[key] * p ^ 2) / N
                    se = sqrt(var / N); lo = p - 1.96 * se; hi = p + 1.96 * se
                    if (p <= 0 || p >= 1) margin = ""
                    else if (lo <= 0 || hi >= 1) margin = " +- inf"
                    else margin = sprintf(" +- %.0f", (elo(hi) - elo(lo)) / 2)
                    line = sprintf("%-10s %-8s %5d %4d %4d %4d %6.1f%%  %s%s", opp[i], proto[j], N, w[key], d[key], l[key], 100 * p, elo_text(p), margin)
                    print line
                    printf "| %s | %s | %d | %d | %d | %d | %.1f%% | %s%s |\n", opp[i], proto[j], N, w[key], d[key], l[key], 100 * p, elo_text(p), margin >> md
                    printf " %.1f %.1f %.1f", 100 * p, 100 * (lo < 0 ? 0 : lo), 100 * (hi > 1 ? 1 : hi) >> dat
                }
                printf "\n" >> dat
            }
            printf "\nKelvorante against Debian engines under xboard (UCI through polyglot), %s, from tools/openings.txt with both colours.\n", tc >> md
        }' "$out/summary.tsv" | tee "$out/strength.txt"
    cp "$markdown" "$out/strength.md" 2>/dev/null

    # The plot: score per opponent, one bar per protocol, with the 95% interval as error bars.
    local terminal="pngcairo size 900,520 font 'sans,11'" columns="" name c j
    gnuplot -e "set terminal pngcairo" >/dev/null 2>&1 || terminal="png size 900,520"
    for ((j = 0; j < ${#protocol_list[@]}; j++)); do
        name=${protocol_list[j]}
        [ "$name" = uci ] && name="UCI (polyglot)"
        [ "$name" = xboard ] && name="XBoard"
        c=$((2 + 3 * j))
        [ -n "$columns" ] && columns+=", ''" || columns="'$out/plot.dat'"
        columns+=" using $c:$((c + 1)):$((c + 2)):xtic(1) title '$name'"
    done
    rm -f "$plot"
    gnuplot >"$out/gnuplot.out" 2>&1 <<EOF
set terminal $terminal
set output '$plot'
set title "Kelvorante against Debian engines, $ML_TC_TEXT: score with 95% interval"
set style data histograms
set style histogram errorbars gap 2 lw 1.5
set style fill solid 0.55 border -1
set boxwidth 0.9
set yrange [0:105]
set ylabel "Kelvorante's score (%)"
set grid ytics
set key outside bottom center horizontal
set datafile missing '-'
set arrow from graph 0, first 50 to graph 1, first 50 nohead dashtype 2 linecolor rgb "#666666"
plot $columns
EOF
    [ -s "$plot" ] || { echo "FAIL: gnuplot made no plot (see $out/gnuplot.out)"; return 1; }
    echo "table $markdown, plot $plot"
}
if [ "$strength" = 1 ]; then strength_report || failed=1; fi

played=$(($(wc -l <"$out/summary.tsv") - 1))
echo "soak: $played games in $((SECONDS - start)) s; PGN $out/games.pgn, summary $out/summary.tsv"
if [ "$failed" = 1 ]; then
    echo "soak: FAILED (see the FAIL lines above)"
    exit 1
fi
exit 0
