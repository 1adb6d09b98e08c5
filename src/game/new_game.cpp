#include "game/new_game.h"

#include <cstring>

#include "board/setup.h"
#include "eval/eval_cache.h"
#include "game/book.h"
#include "game/think.h"
#include "search/ordering.h"
#include "search/quiesce.h"
#include "search/root.h"
#include "search/tt.h"
#include "game/settings.h"

namespace {

// The opening book may answer only in a game that began from the exact start text. Any
// other text turns it off, except one that ends after its castling field (read as the FEN
// reader splits a well-formed text: the board up to a space, one character of side, a
// word of castling): that leaves it as it was.
void note_book_start(const char* fen) {
    if (std::strcmp(fen, start_fen) == 0) {
        book_loaded = 0;
        return;
    }
    const char* p = fen;
    while (*p && *p != ' ') ++p;
    if (*p) ++p;
    while (*p == ' ') ++p;
    if (*p) ++p;
    while (*p == ' ') ++p;
    while (*p && *p != ' ') ++p;
    while (*p == ' ') ++p;
    if (*p) book_loaded = 1;
}

} // namespace

bool set_position(const char* fen) {
    if (!fen_is_well_formed(fen) || !fen_is_playable(fen)) return false;
    tt_clear();
    clear_eval_cache();
    clear_pawn_cache();
    setup_board(game_position, fen);
    note_book_start(fen);
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
