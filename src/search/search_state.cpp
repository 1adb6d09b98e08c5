#include "search/search_state.h"

#include "io/platform.h"

SearchState search_state;

void begin_search() {
    SearchState& s = search_state;
    s.start_ms = s.clock_ms = tick_ms();
    s.time_plan = TimePlan{};
    s.nodes = 0;
    s.seldepth = 0;
    s.poll_counter = 0;
    s.status = STATUS_IDLE;
    s.root_has_move = false;
    s.stop_pending = false;
    s.best_move = MOVE_NONE;
    s.best_score = -SCORE_MATE;
    s.ponder_move = MOVE_NONE;
    if (s.node_cap) {
        if (!s.limits.nodes || s.limits.nodes > s.node_cap) s.limits.nodes = s.node_cap;
        const uint32_t first_poll = s.limits.nodes / 2 + 1;
        if (first_poll < POLL_INTERVAL) s.poll_counter = POLL_INTERVAL - first_poll;
    }
}
