// Opening book files: any bytes as "book.obk" in the working directory, loaded and probed
// as the think driver does, from the start position and after a move off the book. An
// answer must be a legal move of the position, and probing must not change the position.
#include "fuzz_support.h"
#include "movegen/notation.h"

namespace {

Position before;

void play(Position& pos, Move move) {
    char text[6];
    move_to_text(move, text);
    if (game.state.book.in_use) record_book_move(game.state.book, pos.ply, text);
    Undo undo;
    make_move(pos, move, undo);
}

// A new game from the start position as set-up leaves the book, the opponent's first
// moves played, then the book's answers (for both sides) while it has them.
void follow_book(int engine_side, const char* opening) {
    Position& pos = game.position;
    setup_board(pos, start_fen);
    game.state.book = BookState{};
    game.state.book.in_use = 1;
    clear_book_line(game.state.book);
    if (*opening) play(pos, text_to_move(pos, opening));
    load_book(game.state.book, engine_side);
    for (int ply = 0; ply < BOOK_PLIES + 2 && game.state.book.in_use; ++ply) {
        std::memcpy(static_cast<void*>(&before), &pos, POSITION_BOARD_BYTES);
        ScoredMove out{};
        const bool found = probe_book(game.state.book, pos, out);
        fuzz::check(std::memcmp(&before, &pos, POSITION_BOARD_BYTES) == 0,
                    "probe_book changes the position");
        fuzz::check(found || !game.state.book.in_use, "a book without an answer stays on");
        if (!found) return;
        ScoredMove list[MAX_MOVES];
        ScoredMove* end = gen_legal(pos, list);
        fuzz::check(is_legal_move(pos, out.move) && std::find_if(list, end,
                                                                 [&](const ScoredMove& m) {
                                                                     return m.move == out.move;
                                                                 }) != end,
                    "the book answers a move gen_legal lacks");
        play(pos, out.move);
        fuzz::check(pos_ok(pos), "pos_ok after a book move");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = (fuzz::start_process(), true);
    (void)started;
    c_srand(12345);
    fuzz::write_file("book.obk",
                     {reinterpret_cast<const char*>(data), std::min(size, fuzz::MAX_INPUT)});
    follow_book(WHITE, "");     // the book answers from the start position
    follow_book(BLACK, "e2e4"); // after an opponent's move the book may not hold
    return 0;
}
