// Opening book files: any bytes as "book.obk" in the working directory, loaded and probed
// as the think driver does, from the start position and after moves off the book. An
// answer must be a legal move of the position, and probing must not change the position.
#include "fuzz_support.h"
#include "movegen/notation.h"

namespace {

Position before;

bool in_legal_list(Position& pos, Move move) {
    ScoredMove list[MAX_MOVES];
    ScoredMove* end = gen_legal(pos, list);
    for (ScoredMove* m = list; m != end; ++m)
        if (m->move == move) return true;
    return false;
}

void play(Position& pos, Move move) {
    char text[6];
    move_to_text(move, text);
    if (game.state.book.in_use) record_book_move(game.state.book, pos.ply, text);
    Undo undo;
    make_move(pos, move, undo);
}

// A new game from the start position, as set-up leaves the book.
void start_book_game(Position& pos) {
    setup_board(pos, start_fen);
    game.state.book = BookState{};
    game.state.book.in_use = 1;
    clear_book_line(game.state.book);
}

// Plays the book's answers (for both sides) while it has them.
void follow_book(Position& pos) {
    for (int ply = 0; ply < BOOK_PLIES + 2 && game.state.book.in_use; ++ply) {
        std::memcpy(static_cast<void*>(&before), &pos, POSITION_BOARD_BYTES);
        ScoredMove out{};
        const bool found = probe_book(game.state.book, pos, out);
        fuzz::check(std::memcmp(&before, &pos, POSITION_BOARD_BYTES) == 0,
                    "probe_book changes the position");
        if (!found) {
            fuzz::check(game.state.book.in_use == 0, "a book without an answer stays on");
            return;
        }
        fuzz::check(is_legal_move(pos, out.move), "the book answers an illegal move");
        fuzz::check(in_legal_list(pos, out.move), "the book answers a move gen_legal lacks");
        play(pos, out.move);
        fuzz::check(pos_ok(pos), "pos_ok after a book move");
    }
}

// The first legal move whose text is this, or none.
Move legal_move_named(Position& pos, const char* text) {
    ScoredMove list[MAX_MOVES];
    ScoredMove* end = gen_legal(pos, list);
    char name[6];
    for (ScoredMove* m = list; m != end; ++m) {
        move_to_text(m->move, name);
        if (!std::strncmp(name, text, 4)) return m->move;
    }
    return MOVE_NONE;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = (fuzz::start_process(), true);
    (void)started;
    if (size > fuzz::MAX_INPUT) size = fuzz::MAX_INPUT;
    c_srand(12345);
    fuzz::write_file("book.obk", reinterpret_cast<const char*>(data), size);
    Position& pos = game.position;

    // The engine plays White: the book answers from the start position.
    start_book_game(pos);
    load_book(game.state.book, WHITE);
    follow_book(pos);

    // The engine plays Black after an opponent's first move, which the book may not hold.
    start_book_game(pos);
    play(pos, legal_move_named(pos, "e2e4"));
    load_book(game.state.book, BLACK);
    follow_book(pos);
    return 0;
}
