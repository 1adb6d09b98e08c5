#!/usr/bin/env bash
# Coverage-guided fuzzing of one input path with libFuzzer:
#
#   tools/fuzz.sh TARGET SECONDS
#
# TARGET is fen, dialogue or book (tests/fuzz/fuzz_TARGET.cpp). The target is built with
# clang's -fsanitize=fuzzer,address,undefined into build-fuzz/ and run for SECONDS from a
# copy of its seeds, so the repository's stay as they are: tests/fuzz/corpus/TARGET, or
# for the dialogue the lines that each transcript of tests/dialogues sends. Prints
# libFuzzer's summary and exits non-zero on any finding (a crash, a failed check, a leak, a
# timeout, a sanitizer report); the input that caused it is kept in
# build-fuzz/findings/TARGET/.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

usage() {
    echo "usage: tools/fuzz.sh fen|dialogue|book SECONDS" >&2
    exit 2
}
[ $# -eq 2 ] || usage
TARGET=$1
SECONDS_TO_RUN=$2
case "$TARGET" in fen | dialogue | book) ;; *) usage ;; esac
[[ "$SECONDS_TO_RUN" =~ ^[0-9]+$ ]] && [ "$SECONDS_TO_RUN" -gt 0 ] || usage

# clang, its fuzzer and sanitizer runtimes, and llvm-symbolizer for readable reports.
need_packages=()
command -v clang++ >/dev/null 2>&1 || need_packages+=(clang)
command -v cmake >/dev/null 2>&1 || need_packages+=(cmake)
if ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
    need_packages+=(libclang-rt-14-dev)
fi
command -v llvm-symbolizer >/dev/null 2>&1 || ls /usr/lib/llvm-*/bin/llvm-symbolizer >/dev/null 2>&1 ||
    need_packages+=(llvm)
if [ ${#need_packages[@]} -gt 0 ]; then
    echo "== installing ${need_packages[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq || true
    apt-get install -y -qq "${need_packages[@]}" >/dev/null
fi
if [ -z "${ASAN_SYMBOLIZER_PATH:-}" ] && ! command -v llvm-symbolizer >/dev/null 2>&1; then
    symbolizer=$(ls /usr/lib/llvm-*/bin/llvm-symbolizer 2>/dev/null | tail -1 || true)
    [ -n "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH=$symbolizer
fi

echo "== building fuzz_$TARGET"
BUILD=$ROOT/build-fuzz
CXX=clang++ cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVORANTE_FUZZ=ON \
    -DKELVORANTE_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j2 --target "fuzz_$TARGET" >/dev/null

# Every path is absolute: the targets work in a private directory of their own.
SCRATCH=$(mktemp -d /tmp/kelvorante-fuzz-run-XXXXXX)
trap 'rm -rf "$SCRATCH"' EXIT
mkdir -p "$SCRATCH/corpus"
if [ "$TARGET" = dialogue ]; then
    # One seed per transcript: the lines it sends, without the ones that name what the
    # engine answered ($1, $position).
    for transcript in "$ROOT"/tests/dialogues/*/*.txt; do
        seed=$(basename "$(dirname "$transcript")")-$(basename "$transcript" .txt)
        sed -n 's/^> //p' "$transcript" | grep -v '\$' >"$SCRATCH/corpus/$seed" || true
    done
else
    cp "$ROOT/tests/fuzz/corpus/$TARGET"/* "$SCRATCH/corpus/"
fi
FINDINGS=$BUILD/findings/$TARGET
mkdir -p "$FINDINGS"

case "$TARGET" in
fen) max_len=256 ;;
book) max_len=20000 ;;
*) max_len=4096 ;;
esac
options=(-max_total_time="$SECONDS_TO_RUN" -max_len="$max_len" -timeout=30 -rss_limit_mb=2048
    -print_final_stats=1 -artifact_prefix="$FINDINGS/")
[ -f "$ROOT/tests/fuzz/$TARGET.dict" ] && options+=(-dict="$ROOT/tests/fuzz/$TARGET.dict")

echo "== fuzzing $TARGET for $SECONDS_TO_RUN seconds"
LOG=$SCRATCH/fuzz.log
status=0
(cd "$SCRATCH" && TMPDIR=$SCRATCH "$BUILD/tests/fuzz/fuzz_$TARGET" "${options[@]}" "$SCRATCH/corpus" \
    </dev/null >"$LOG" 2>&1) || status=$?

# The final coverage line, the summary and anything that went wrong.
grep -E '^#[0-9]+[[:space:]]+DONE' "$LOG" | tail -1 || true
grep -E '^Done [0-9]+ runs' "$LOG" || true
grep -E '^stat::' "$LOG" || true
if [ $status -ne 0 ] || grep -qE 'ERROR: (libFuzzer|AddressSanitizer|LeakSanitizer|UndefinedBehaviorSanitizer)|runtime error:|fuzz check failed|SUMMARY: ' "$LOG"; then
    echo "== FINDING in $TARGET (libFuzzer exit status $status); input kept in $FINDINGS:"
    tail -40 "$LOG"
    ls -l "$FINDINGS"
    exit 1
fi
echo "== no finding in $TARGET"
