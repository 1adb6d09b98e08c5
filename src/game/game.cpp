#include "game/game.h"

#include <cstring>

#include "board/history.h"
#include "board/make_move.h"
#include "board/setup.h"
#include "movegen/movegen.h"
#include "search/search_state.h"
#include "search/tables.h"

Game game;

namespace {

// The opening book may answer only in a game that began from the exact start text. Any
// other text turns it off, except one that ends after its castling field (read as the FEN
// reader splits a well-formed text: the board up to a space, one character of side, a
// word of castling): that leaves the flag as it was.
uint8_t book_flag_for(const char* fen, uint8_t before) {
    if (std::strcmp(fen, start_fen) == 0) return 0;
    const char* p = fen;
    while (*p && *p != ' ') ++p;
    if (*p) ++p;
    while (*p == ' ') ++p;
    if (*p) ++p;
    while (*p == ' ') ++p;
    while (*p && *p != ' ') ++p;
    while (*p == ' ') ++p;
    return *p ? 1 : before;
}

} // namespace

bool new_game(const char* fen) {
    if (!fen_is_well_formed(fen, game.chess960) || !fen_is_playable(fen, game.chess960))
        return false;
    clear_search_tables();
    setup_board(game.position, fen, game.chess960);
    const uint8_t book_flag = book_flag_for(fen, game.state.book.loaded);
    game.state = GameState{};
    game.state.book.in_use = game.chess960 ? 0 : 1;
    game.state.book.loaded = book_flag;
    clear_book_line(game.state.book);
    search_state.nodes = 0;
    search_state.poll_counter = 0;
    search_state.status = STATUS_IDLE;
    search_state.time_plan = TimePlan{};
    return true;
}

bool fifty_move_claim(Position& pos) {
    return pos.fifty > 100 && !(pos.checkers && no_legal_move(pos));
}

bool take_back(Position& pos, int plies) {
    // Nothing before the set-up position can be taken back.
    if (pos.ply < pos.history.setup_ply + static_cast<uint32_t>(plies)) return false;
    for (int i = 0; i < plies; ++i)
        unmake_move(pos, pos.history.entry[pos.ply - 1].move, pos.history.entry[pos.ply].undo);
    return true;
}
