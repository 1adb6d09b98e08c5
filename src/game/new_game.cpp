#include "game/new_game.h"

#include "eval/eval_cache.h"
#include "game/book.h"
#include "game/think.h"
#include "search/ordering.h"
#include "search/quiesce.h"
#include "search/root.h"
#include "search/tt.h"
#include "game/settings.h"

bool set_position(const char* fen) {
    if (!fen_is_well_formed(fen) || !fen_is_playable(fen)) return false;
    tt_clear();
    clear_eval_cache();
    clear_pawn_cache();
    setup_board(game_position, fen, &book_loaded);
    reset_game_state(game_position);
    return true;
}

void reset_game_state(Position&) {
    use_book = 1;
    clear_book_line();
    search_state.nodes = 0;
    search_state.poll_counter = 0;
    moves_out_of_book = 0;
    game_result = 0;
    search_state.status = 0;
    ponder_enabled = 0;
    pondering = 0;
    search_state.allotment_ms = 0;
    clear_cutoff_stats();
}
