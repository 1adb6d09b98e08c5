#!/usr/bin/env bash
# Strength gauntlet: Kelvorante against Debian's fairymax, hoichess, sjeng and phalanx under
# Debian's xboard, headless, in both protocols (UCI through polyglot), from the openings in
# tools/openings.txt with each opening played with both colours. Prints the score and the
# Elo difference with its 95% margin per opponent and protocol, saves the PGN, writes the
# table as Markdown and plots the scores with gnuplot.
#
#   tools/strength.sh --tc TC [--games-per-opponent N] [--opponents LIST] [--protocols LIST]
#                     [--engine PATH] [--openings FILE] [--out DIR] [--markdown FILE]
#                     [--plot FILE] [--require]
#
# Exit status 1 when any game ends by an illegal move, a time forfeit, a crash, a stall or a
# disconnect (or a refused move, or without a result); 0 otherwise. The script takes
# /tmp/kelvorante-match.lock.
set -u

usage() {
    cat <<'EOF'
Usage: tools/strength.sh --tc TC [options]
  --tc TC                   MOVES/SECONDS, SECONDS+INC or SECONDS (default 10+0.1)
  --games-per-opponent N    games against each opponent in each protocol (default 10)
  --opponents LIST          Debian engines, blank-separated (default "fairymax hoichess sjeng phalanx")
  --protocols LIST          "xboard uci" (default), or one of them
  --engine PATH             the kelvorante binary (default build/kelvorante)
  --openings FILE           opening lines (default tools/openings.txt)
  --out DIR                 games, logs and the summary (default a new /tmp/kelvorante-strength.*)
  --markdown FILE           the results table (default doc/strength.md)
  --plot FILE               the score plot, PNG (default doc/strength.png)
  --require                 a package that cannot be installed fails the run instead of skipping it
EOF
}

# shellcheck source=tools/match-lib.sh
source "$(dirname "$0")/match-lib.sh"
tc=10+0.1
per=10
opponents="fairymax hoichess sjeng phalanx"
protocols="xboard uci"
engine="$ML_ROOT/build/kelvorante"
openings="$ML_ROOT/tools/openings.txt"
out=""
markdown="$ML_ROOT/doc/strength.md"
plot="$ML_ROOT/doc/strength.png"
require=0
while [ $# -gt 0 ]; do
    case "$1" in
    --tc) tc=${2:-}; shift 2 ;;
    --games-per-opponent) per=${2:-}; shift 2 ;;
    --opponents) opponents=${2:-}; shift 2 ;;
    --protocols) protocols=${2:-}; shift 2 ;;
    --engine) engine=${2:-}; shift 2 ;;
    --openings) openings=${2:-}; shift 2 ;;
    --out) out=${2:-}; shift 2 ;;
    --markdown) markdown=${2:-}; shift 2 ;;
    --plot) plot=${2:-}; shift 2 ;;
    --require) require=1; shift ;;
    -h | --help) usage; exit 0 ;;
    *) echo "strength: unknown argument: $1" >&2; usage >&2; exit 2 ;;
    esac
done
case "$per" in '' | *[!0-9]* | 0) echo "strength: --games-per-opponent needs a positive number" >&2; exit 2 ;; esac
ml_parse_tc "$tc" || exit 2
ml_read_openings "$openings" || exit 2
read -r -a opponent_list <<<"$opponents"
read -r -a protocol_list <<<"$protocols"
[ ${#opponent_list[@]} -gt 0 ] || { echo "strength: no opponents" >&2; exit 2; }
for protocol in "${protocol_list[@]}"; do
    case "$protocol" in xboard | uci) ;; *) echo "strength: unknown protocol $protocol" >&2; exit 2 ;; esac
done
[ ${#protocol_list[@]} -gt 0 ] || { echo "strength: no protocols" >&2; exit 2; }
[ -x "$engine" ] || { echo "strength: no engine binary at $engine (build it, or give --engine PATH)" >&2; exit 2; }

needs=(xboard:xboard polyglot:polyglot xvfb-run:xvfb xauth:xauth python3:python3 gnuplot:gnuplot-nox)
for opponent in "${opponent_list[@]}"; do needs+=("$opponent:$opponent"); done
ml_need "$require" "${needs[@]}"
ml_lock

[ -n "$out" ] || out=$(mktemp -d /tmp/kelvorante-strength.XXXXXX)
mkdir -p "$out" "$(dirname "$markdown")" "$(dirname "$plot")" || exit 2
out=$(cd "$out" && pwd)
rm -rf "$out/games" "$out/games.pgn" "$out/summary.tsv"
ml_prepare "$out" "$engine" || exit 2
printf 'game\topponent\tprotocol\tponder\tcolour\topening\tresult\tpoints\treason\tpeak_rss_kb\tfaults\n' >"$out/summary.tsv"

total=$((per * ${#opponent_list[@]} * ${#protocol_list[@]}))
echo "strength: $total games at $ML_TC_TEXT, $per per opponent and protocol; output in $out"
start=$SECONDS
failed=0
g=0
for opponent in "${opponent_list[@]}"; do
    for protocol in "${protocol_list[@]}"; do
        for ((j = 0; j < per; j++)); do
            g=$((g + 1))
            # Each opening twice in a row: Kelvorante White, then Black.
            index=$(((j / 2) % ${#ML_OPENING_MOVES[@]}))
            colour=white
            [ $((j % 2)) = 1 ] && colour=black
            dir=$(printf '%s/games/%03d-%s-%s-%s' "$out" "$g" "$opponent" "$protocol" "$colour")
            ml_play_game "$dir" "$protocol" "$opponent" "$colour" 0 "${ML_OPENING_MOVES[index]}"
            IFS=$'\037' read -r result points reason peak faults <"$dir/record"
            [ -f "$dir/game.pgn" ] && cat "$dir/game.pgn" >>"$out/games.pgn"
            printf '%d\t%s\t%s\t0\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$g" "$opponent" "$protocol" "$colour" \
                "${ML_OPENING_NAMES[index]}" "$result" "$points" "$reason" "$peak" "$faults" >>"$out/summary.tsv"
            printf 'game %3d  %-9s %-6s %-5s  %-7s {%s}\n' "$g" "$opponent" "$protocol" "$colour" "$result" "$reason"
            if [ -n "$faults" ]; then
                failed=1
                echo "$faults" | tr ';' '\n' | sed "s|^|FAIL: game $g: |"
                echo "      (logs in $dir)"
            fi
        done
    done
done

# Per opponent and protocol: W/D/L, the score and its Elo difference. The Elo difference is
# the logistic model's -400 log10(1/p - 1) of the score p; its 95% margin comes from the
# trinomial standard error of p (each game a win, a draw or a loss), mapped through the same
# curve. A score of 0 or 100% has no finite difference, a bound that reaches them no margin.
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
terminal="pngcairo size 900,520 font 'sans,11'"
gnuplot -e "set terminal pngcairo" >/dev/null 2>&1 || terminal="png size 900,520"
columns=""
for ((j = 0; j < ${#protocol_list[@]}; j++)); do
    name=${protocol_list[j]}
    [ "$name" = uci ] && name="UCI (polyglot)"
    [ "$name" = xboard ] && name="XBoard"
    c=$((2 + 3 * j))
    [ -n "$columns" ] && columns+=", ''" || columns="'$out/plot.dat'"
    columns+=" using $c:$((c + 1)):$((c + 2)):xtic(1) title '$name'"
done
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
[ -s "$plot" ] || { echo "strength: gnuplot made no plot (see $out/gnuplot.out)"; failed=1; }

played=$(($(wc -l <"$out/summary.tsv") - 1))
echo "strength: $played games in $((SECONDS - start)) s; PGN $out/games.pgn, table $markdown, plot $plot"
if [ "$failed" = 1 ]; then
    echo "strength: FAILED (see the FAIL lines above)"
    exit 1
fi
exit 0
