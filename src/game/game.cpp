#include "game/game.h"

#include "board/history.h"
#include "board/make_move.h"
#include "eval/eval_cache.h"
#include "search/ordering.h"
#include "search/search_state.h"
#include "search/tt.h"

Game game = {GameState{}, false, true, false, false};

bool new_game(const char* fen) {
    if (!fen_is_well_formed(fen) || !fen_is_playable(fen)) return false;
    tt_clear();
    clear_eval_cache();
    clear_pawn_cache();
    uint8_t book_flag = 0;
    setup_board(game_position, fen, &book_flag);
    game.state = GameState{};
    game.state.book.in_use = 1;
    game.state.book.loaded = book_flag;
    clear_book_line(game.state.book);
    search_state.nodes = 0;
    search_state.poll_counter = 0;
    search_state.status = STATUS_IDLE;
    search_state.allotment_ms = 0;
    clear_cutoff_stats();
    return true;
}

bool take_back(Position& pos, int plies) {
    // Nothing before the set-up position can be taken back.
    if (pos.ply < setup_ply + static_cast<uint32_t>(plies)) return false;
    for (int i = 0; i < plies; ++i)
        unmake_move(pos, game_history[pos.ply - 1].move, game_history[pos.ply].undo);
    return true;
}
