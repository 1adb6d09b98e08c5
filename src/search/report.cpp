#include "search/report.h"

#include "search/quiesce.h"
#include "search/root.h"
#include "io/platform.h"

void (*progress_hook)(const Progress&) = nullptr;

void report_progress(int depth, int32_t score) {
    if (!progress_hook) return;
    const Progress p{depth, score, tick_ms() - search_state.start_ms, search_state.nodes,
                     pv_table[0]};
    progress_hook(p);
}

int mate_in_moves(int32_t score) {
    // Every mate the search can see lies within its deepest line.
    constexpr int32_t MATE_BOUND = SCORE_MATE - 2 * (MAX_PLY + 2);
    if (score >= MATE_BOUND) return (SCORE_MATE - score + 1) / 2;
    if (score <= -MATE_BOUND) return -((SCORE_MATE + score) / 2);
    return 0;
}
