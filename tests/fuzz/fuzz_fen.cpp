// FEN text: the form and playability checks, the board set-up, and make/unmake of every
// legal move of the position set up.
//
// A text the checks accept is set up with the board-only steps and must give a record
// whose every incremental field agrees with the board, in which the side that has just
// moved is not in check; every legal move must keep that so and be taken back to the very
// same record. A text the checks refuse must be refused by the whole-engine set-up as well,
// leaving the game as it was.
#include "fuzz_support.h"

namespace {

char text[fuzz::MAX_INPUT + 1];
Position before;
Position game_before;
uint32_t setup_ply_before;

bool side_not_to_move_in_check(const Position& pos) {
    const int mover = static_cast<int>(pos.side) ^ 1;
    const int k = king_square(pos, mover);
    const int enemy = static_cast<int>(pos.side);
    for (int p = first_in(pos, enemy * 8); p < LIST_END; p = next_in(pos, enemy * 8, p))
        if (piece_attacks(pos, p, k)) return true;
    return false;
}

void check_refused() {
    std::memcpy(static_cast<void*>(&game_before), &game.position, POSITION_BOARD_BYTES);
    setup_ply_before = game.position.history.setup_ply;
    fuzz::check(!new_game(text), "new_game takes a text the checks refuse");
    fuzz::check(std::memcmp(&game_before, &game.position, POSITION_BOARD_BYTES) == 0,
                "a refused text changes the game position");
    fuzz::check(game.position.history.setup_ply == setup_ply_before,
                "a refused text changes the set-up ply");
}

void check_moves(Position& pos) {
    ScoredMove list[MAX_MOVES];
    ScoredMove* end = gen_legal(pos, list);
    const long count = end - list;
    fuzz::check(count >= 0 && count <= MAX_MOVES, "more legal moves than a list holds");
    fuzz::check((count == 0) == no_legal_move(pos), "no_legal_move disagrees with gen_legal");
    for (ScoredMove* m = list; m != end; ++m) {
        const Move move = m->move;
        fuzz::check(is_legal_move(pos, move), "gen_legal gives a move is_legal_move refuses");
        std::memcpy(static_cast<void*>(&before), &pos, POSITION_BOARD_BYTES);
        Undo undo;
        make_move(pos, move, undo);
        fuzz::check(pos_ok(pos), "pos_ok after make_move");
        fuzz::check(!side_not_to_move_in_check(pos), "a legal move leaves its king in check");
        fuzz::check(pos.ply == before.ply + 1 && pos.history.entry[pos.ply].key == pos.key,
                    "make_move does not record the move in the history");
        unmake_move(pos, move, undo);
        fuzz::check(pos.key == before.key, "unmake_move does not restore the key");
        fuzz::check(std::memcmp(&before, &pos, POSITION_BOARD_BYTES) == 0,
                    "unmake_move does not restore the whole record");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = (fuzz::start_process(), true);
    (void)started;
    if (size > fuzz::MAX_INPUT) size = fuzz::MAX_INPUT;
    std::memcpy(text, data, size);
    text[size] = '\0';

    if (!fen_is_well_formed(text) || !fen_is_playable(text)) {
        check_refused();
        return 0;
    }
    Position& pos = game.position;
    setup_board(pos, text);
    fuzz::check(pos_ok(pos), "pos_ok after setup_board");
    fuzz::check(!side_not_to_move_in_check(pos), "the side not to move is in check");
    fuzz::check(pos.ply <= static_cast<uint32_t>(MAX_FEN_PLY), "the set-up ply is not clamped");
    fuzz::check(game.position.history.setup_ply == pos.ply &&
                    pos.history.entry[pos.ply].key == pos.key,
                "the history does not start at the set-up");
    fuzz::check(pos.ep_square == 0 ||
                    (pos.ep_square >= 64 && pos.ep_square <= 183 && on_board(pos.ep_square)),
                "the en-passant square is off the board");
    check_moves(pos);
    return 0;
}
