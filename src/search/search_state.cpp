#include "search/search_state.h"

#include "shell/platform.h"

SearchState search_state;

void begin_search() {
    SearchState& s = search_state;
    s.start_ms = s.clock_ms = tick_ms();
    s.allotment_ms = 0;
    s.nodes = 0;
    s.poll_counter = 0;
    s.status = STATUS_IDLE;
    s.root_has_move = false;
    s.stop_pending = false;
    s.best_move = MOVE_NONE;
    s.best_score = -SCORE_MATE;
    s.ponder_move = MOVE_NONE;
}
