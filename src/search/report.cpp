#include "search/report.h"

#include "io/platform.h"
#include "search/search_state.h"

FrontEnd front_end;

void report_progress(int depth, int line, int32_t score, const Move* pv) {
    if (!front_end.progress) return;
    const Progress p{depth,
                     search_state.seldepth,
                     line,
                     score,
                     tick_ms() - search_state.start_ms,
                     search_state.nodes,
                     pv};
    front_end.progress(p);
}

int mate_in_moves(int32_t score) {
    // Every mate the search can see lies within its deepest line.
    constexpr int32_t MATE_BOUND = SCORE_MATE - 2 * (MAX_PLY + 2);
    if (score >= MATE_BOUND) return (SCORE_MATE - score + 1) / 2;
    if (score <= -MATE_BOUND) return -((SCORE_MATE + score) / 2);
    return 0;
}
