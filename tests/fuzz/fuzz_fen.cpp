// FEN text: the form and playability checks, the board set-up, and make/unmake of every
// legal move of the position set up. Every text is tried under standard rules and again
// under Chess960 rules (file letters for castling rooks, castling from any files).
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

// Whether the side that has just moved stands in check, walked piece by piece.
bool mover_in_check(const Position& pos) {
    const int k = king_square(pos, static_cast<int>(pos.side) ^ 1);
    const int list = static_cast<int>(pos.side) * 8;
    for (int p = first_in(pos, list); p < LIST_END; p = next_in(pos, list, p))
        if (piece_attacks(pos, p, k)) return true;
    return false;
}

void check_text(bool chess960) {
    game.chess960 = chess960;
    Position& pos = game.position;
    std::memcpy(static_cast<void*>(&before), &pos, POSITION_BOARD_BYTES);
    const uint32_t setup_ply = pos.history.setup_ply;

    if (!fen_is_well_formed(text, chess960) || !fen_is_playable(text, chess960)) {
        fuzz::check(!new_game(text), "new_game takes a text the checks refuse");
        fuzz::check(std::memcmp(&before, &pos, POSITION_BOARD_BYTES) == 0 &&
                        pos.history.setup_ply == setup_ply,
                    "a refused text changes the game");
        return;
    }
    setup_board(pos, text, chess960);
    fuzz::check(pos_ok(pos) && !mover_in_check(pos), "setup_board gives an unsound record");
    fuzz::check(pos.ply <= static_cast<uint32_t>(MAX_FEN_PLY), "the set-up ply is not clamped");
    fuzz::check(pos.history.setup_ply == pos.ply && pos.history.entry[pos.ply].key == pos.key,
                "the history does not start at the set-up");
    fuzz::check(pos.ep_square == 0 ||
                    (pos.ep_square >= 64 && pos.ep_square <= 183 && on_board(pos.ep_square)),
                "the en-passant square is off the board");

    ScoredMove list[MAX_MOVES];
    ScoredMove* end = gen_legal(pos, list);
    fuzz::check(end - list <= MAX_MOVES, "more legal moves than a list holds");
    fuzz::check((end == list) == no_legal_move(pos), "no_legal_move disagrees with gen_legal");
    std::memcpy(static_cast<void*>(&before), &pos, POSITION_BOARD_BYTES);
    for (ScoredMove* m = list; m != end; ++m) {
        fuzz::check(is_legal_move(pos, m->move), "gen_legal gives a move is_legal_move refuses");
        Undo undo;
        make_move(pos, m->move, undo);
        fuzz::check(pos_ok(pos) && !mover_in_check(pos), "a legal move gives an unsound record");
        fuzz::check(pos.ply == before.ply + 1 && pos.history.entry[pos.ply].key == pos.key,
                    "make_move does not record the move in the history");
        unmake_move(pos, m->move, undo);
        fuzz::check(std::memcmp(&before, &pos, POSITION_BOARD_BYTES) == 0,
                    "unmake_move does not restore the whole record");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = (fuzz::start_process(), true);
    (void)started;
    size = std::min(size, fuzz::MAX_INPUT);
    std::memcpy(text, data, size);
    text[size] = '\0';
    check_text(false);
    check_text(true);
    return 0;
}
