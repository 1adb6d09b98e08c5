// The Polyglot book format in the engine's own process: keys, move codes, and the probe of
// a book written here (what a GUI's or a tool's book holds: weights, moves that are not
// legal, castling as the king taking its rook).
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/polyglot.h"
#include "game/polyglot_book.h"
#include "helpers.h"
#include "movegen/notation.h"

namespace {

// Every sample key of the format, from its FEN and from the moves that reach it (so that
// the en-passant square the engine's own moves leave is judged as a FEN's is).
TEST(PolyglotKey, SampleKeysOfTheFormat) {
    const std::vector<std::string> lines = data_lines("polyglot-keys.txt");
    ASSERT_EQ(lines.size(), 9u);
    for (const std::string& line : lines) {
        std::istringstream fields(line);
        std::string key_text, fen, moves;
        std::getline(fields, key_text, ';');
        std::getline(fields, fen, ';');
        std::getline(fields, moves);
        const uint64_t key = std::stoull(key_text, nullptr, 16);
        ASSERT_TRUE(setup(fen.substr(1, fen.size() - 2))) << fen;
        EXPECT_EQ(polyglot_key(game.position), key) << fen;
        ASSERT_TRUE(setup(start_fen));
        std::istringstream words(moves);
        for (std::string m; words >> m;) ASSERT_TRUE(play(m)) << m;
        EXPECT_EQ(polyglot_key(game.position), key) << moves;
    }
}

// Codes as Debian's polyglot writes them (e2e4 is 0x031c), castling as the king taking its
// rook and read back as the king's two-square move, promotions with their piece.
TEST(PolyglotMove, CodesAsBooksStoreThem) {
    struct Case {
        const char* fen;
        const char* move;
        uint16_t code;
    };
    const Case cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "e2e4", 0x031c},
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1", "e7e5", 0x0d24},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1g1", 0x0107},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1c1", 0x0100},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "e8g8", 0x0f3f},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "e8c8", 0x0f38},
        {"1n5k/P7/8/8/8/8/8/K7 w - - 0 1", "a7b8q", 0x4c39},
        {"1n5k/P7/8/8/8/8/8/K7 w - - 0 1", "a7a8n", 0x1c38},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(setup(c.fen)) << c.fen;
        const Move move = parse_move(game.position, c.move);
        ASSERT_NE(move, MOVE_NONE) << c.move;
        EXPECT_EQ(polyglot_move_code(game.position, move), c.code) << c.move;
        char text[6];
        ASSERT_TRUE(polyglot_move_text(game.position, c.code, text));
        EXPECT_STREQ(text, c.move);
    }
    // With no king on its square, e1h1 is no castling (here, a rook's move along the rank).
    ASSERT_TRUE(setup("k7/8/8/8/8/8/7K/4R3 w - - 0 1"));
    char text[6];
    ASSERT_TRUE(polyglot_move_text(game.position, 0x0107, text));
    EXPECT_STREQ(text, "e1h1");
    // a1a1 and a promotion code past the queen name no move.
    EXPECT_FALSE(polyglot_move_text(game.position, 0x0000, text));
    EXPECT_FALSE(polyglot_move_text(game.position, 0x5c38, text));
}

struct Entry {
    uint64_t key;
    uint16_t move, weight;
};

// The entries as a book file holds them: big-endian, learn 0.
std::string book_bytes(const std::vector<Entry>& entries) {
    std::string bytes;
    for (const Entry& e : entries) {
        for (int shift = 56; shift >= 0; shift -= 8) bytes += static_cast<char>(e.key >> shift);
        bytes += {static_cast<char>(e.move >> 8),
                  static_cast<char>(e.move),
                  static_cast<char>(e.weight >> 8),
                  static_cast<char>(e.weight),
                  0,
                  0,
                  0,
                  0};
    }
    return bytes;
}

// Moves played from the book in the position, counted over many probes.
std::map<std::string, int> book_moves(const std::string& fen, int probes) {
    std::map<std::string, int> seen;
    for (int i = 0; i < probes; ++i) {
        EXPECT_TRUE(setup(fen));
        ScoredMove out{};
        if (!probe_polyglot_book(game.state.book, game.position, out)) {
            EXPECT_EQ(game.state.book.in_use, 0);
            ++seen[""];
            continue;
        }
        EXPECT_EQ(game.state.book.in_use, 1);
        ++seen[move_text(out.move)];
    }
    return seen;
}

// The named book is forgotten when a test ends, whatever it ends with.
struct BookFileGuard {
    ~BookFileGuard() { set_book_file(""); }
};

// Entries of weight 0 and moves that are not legal are never played; the others come in
// proportion to their weights; castling stored as e1h1 is played as e1g1; a position with
// nothing usable leaves the book.
TEST(PolyglotBook, PlaysOnlyUsableEntriesByWeight) {
    const BookFileGuard guard;
    const std::string castling_fen = "r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R w KQkq - 0 1";
    ASSERT_TRUE(setup(castling_fen));
    const uint64_t castling = polyglot_key(game.position);
    const uint64_t start = 0x463b96181691fc9cULL;
    const uint16_t A2A4 = 0x0218, E2E4 = 0x031c, D2D4 = 0x02db, E2E5 = 0x0324, E1H1 = 0x0107;
    std::vector<Entry> entries = {{start, A2A4, 0},
                                  {start, E2E5, 500},
                                  {start, E2E4, 300},
                                  {start, D2D4, 100},
                                  {castling, E1H1, 7}};
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.key < b.key; });
    const std::string dir = temp_directory();
    const std::string path = dir + "/book.bin";
    write_file(path, book_bytes(entries));
    ASSERT_EQ(set_book_file(path.c_str()), BookFileStatus::LOADED);
    EXPECT_TRUE(book_file_named());

    const std::map<std::string, int> seen = book_moves(start_fen, 400);
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_GT(seen.at("e2e4"), 2 * seen.at("d2d4"));
    EXPECT_EQ(book_moves(castling_fen, 5), (std::map<std::string, int>{{"e1g1", 5}}));
    EXPECT_EQ(book_moves("4k3/8/8/8/8/8/8/4K3 w - - 0 1", 1),
              (std::map<std::string, int>{{"", 1}}));

    EXPECT_EQ(set_book_file("<empty>"), BookFileStatus::NONE);
    EXPECT_FALSE(book_file_named());
    std::filesystem::remove_all(dir);
}

} // namespace
