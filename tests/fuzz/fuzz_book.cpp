// Opening book files: any bytes as "book.obk" in the working directory, loaded and probed
// as the think driver does, from the start position and after a move off the book; then the
// same bytes as a Polyglot book named by BookFile, as they come (a size or an order no book
// has is refused) and cut to whole entries sorted by key (so that the probe runs). An
// answer must be a legal move of the position, and probing must not change the position.
#include <algorithm>
#include <array>
#include <vector>

#include "fuzz_support.h"
#include "game/polyglot_book.h"
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
void follow_book(int engine_side, const char* opening, bool polyglot = false) {
    Position& pos = game.position;
    setup_board(pos, start_fen);
    game.state.book = BookState{};
    game.state.book.in_use = 1;
    clear_book_line(game.state.book);
    if (*opening) play(pos, text_to_move(pos, opening));
    if (!polyglot) load_book(game.state.book, engine_side);
    for (int ply = 0; ply < BOOK_PLIES + 2 && game.state.book.in_use; ++ply) {
        std::memcpy(static_cast<void*>(&before), &pos, POSITION_BOARD_BYTES);
        ScoredMove out{};
        const bool found = polyglot ? probe_polyglot_book(game.state.book, pos, out)
                                    : probe_book(game.state.book, pos, out);
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

    const size_t n = std::min(size, fuzz::MAX_INPUT);
    fuzz::write_file("book.bin", {reinterpret_cast<const char*>(data), n});
    const BookFileStatus raw = set_book_file("book.bin");
    if (raw == BookFileStatus::LOADED) follow_book(WHITE, "", true);
    std::vector<std::array<uint8_t, POLYGLOT_ENTRY_BYTES>> entries(n / POLYGLOT_ENTRY_BYTES);
    for (size_t i = 0; i < entries.size(); ++i)
        std::memcpy(entries[i].data(), data + i * POLYGLOT_ENTRY_BYTES, POLYGLOT_ENTRY_BYTES);
    // Big-endian keys sort as their first eight bytes do.
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return std::memcmp(a.data(), b.data(), 8) < 0; });
    std::string sorted;
    for (const auto& e : entries) sorted.append(reinterpret_cast<const char*>(e.data()), e.size());
    fuzz::write_file("book.bin", sorted);
    const BookFileStatus status = set_book_file("book.bin");
    fuzz::check(sorted.empty() ? status == BookFileStatus::EMPTY : status == BookFileStatus::LOADED,
                "whole entries sorted by key are refused");
    if (status == BookFileStatus::LOADED) {
        follow_book(WHITE, "", true);
        follow_book(BLACK, "e2e4", true);
    }
    set_book_file("");
    return 0;
}
