// make_book: turns opening lines written in coordinate notation into the engine's book
// format (four digits per move: from-rank, from-file, to-rank, to-file), or into a Polyglot
// book (.bin) that the engine's BookFile option, GUIs and other tools read.
//
//   make_book <openings.txt> <book.obk>
//   make_book --polyglot <openings.txt> <book.bin>
//
// Input: one opening line per text line, moves separated by blanks, White's first move
// first (e2e4 e7e5 g1f3 b8c6). Castling is the king's two-square move (e1g1). Everything
// from '#' to the end of a line is a comment; blank lines are skipped. Every move is
// played on the engine's own board and must be legal there; the first illegal move
// rejects the whole file and nothing is written.
//
// Duplicate lines and lines that only repeat the start of a longer line are dropped: the
// engine leaves its book when the line it picks ends, so such a line adds nothing but an
// early exit. A Polyglot book holds the same lines: one entry per position and move on them,
// weighted by the number of lines that play the move there (transpositions add up), so
// that each move comes as often as it does from the .obk book.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "board/make_move.h"
#include "game/book.h"
#include "game/game.h"
#include "game/polyglot.h"
#include "movegen/movegen.h"
#include "movegen/notation.h"

namespace {

// The longest line the engine stores, in whole moves.
constexpr size_t MAX_LINE_PLIES = (BOOK_LINE_CHARS - 1) / 4;

struct SourceLine {
    int number;       // line number in the source file
    std::string text; // the line as written, comment removed
};

// Converts one opening line; on failure writes a message naming the line and move.
bool convert_line(const std::string& file, const SourceLine& line, std::string& digits) {
    new_game(start_fen);
    Position& pos = game.position;
    std::istringstream words(line.text);
    std::string word;
    size_t plies = 0;
    digits.clear();
    while (words >> word) {
        ++plies;
        const std::string where = file + ":" + std::to_string(line.number) + ": move " +
                                  std::to_string(plies) + " '" + word + "'";
        if (plies > MAX_LINE_PLIES) {
            std::cerr << where << ": line longer than " << MAX_LINE_PLIES << " plies\n";
            return false;
        }
        if (word.size() == 5 && std::strchr("qrbn", word[4])) {
            std::cerr << where << ": promotions cannot be written in a book\n";
            return false;
        }
        const Move move = word.size() == 4 ? text_to_move(pos, word.c_str()) : MOVE_NONE;
        if (move == MOVE_NONE || !is_legal_move(pos, move)) {
            std::cerr << where << ": illegal move\n";
            return false;
        }
        char four[5] = {};
        text_to_book_digits(word.c_str(), four);
        digits += four;
        Undo undo;
        make_move(pos, move, undo);
    }
    return true;
}

bool read_source(const std::string& file, std::vector<SourceLine>& lines) {
    std::ifstream in(file);
    if (!in) {
        std::cerr << "make_book: cannot read " << file << "\n";
        return false;
    }
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        const size_t hash = text.find('#');
        if (hash != std::string::npos) text.erase(hash);
        if (text.find_first_not_of(" \t\r") == std::string::npos) continue;
        lines.push_back({number, text});
    }
    return true;
}

// Keeps each line once, and only when no other line continues it.
std::vector<std::string> drop_redundant(std::vector<std::string> book, size_t& dropped) {
    std::vector<std::string> sorted = book;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    std::vector<std::string> kept;
    for (const std::string& line : book) {
        // In sorted order a line's continuations follow it directly.
        auto at = std::upper_bound(sorted.begin(), sorted.end(), line);
        const bool continued = at != sorted.end() && at->compare(0, line.size(), line) == 0;
        const bool repeated = std::find(kept.begin(), kept.end(), line) != kept.end();
        if (continued || repeated || line.empty())
            ++dropped;
        else
            kept.push_back(line);
    }
    return kept;
}

// A kept line back on the board, move by move: f(position before the move, move).
template <typename F> void replay(const std::string& digits, F f) {
    new_game(start_fen);
    Position& pos = game.position;
    for (size_t i = 0; i + 4 <= digits.size(); i += 4) {
        char text[5] = {};
        square_to_text(digits[i], digits[i + 1], text);
        square_to_text(digits[i + 2], digits[i + 3], text + 2);
        const Move move = text_to_move(pos, text);
        f(pos, move);
        Undo undo;
        make_move(pos, move, undo);
    }
}

// The Polyglot entries of the lines, 16 bytes each, sorted by key and, within a key, by
// weight (the most played move first).
std::string polyglot_bytes(const std::vector<std::string>& book) {
    std::map<std::pair<uint64_t, uint16_t>, uint64_t> counts;
    for (const std::string& line : book)
        replay(line, [&](const Position& pos, Move move) {
            ++counts[{polyglot_key(pos), polyglot_move_code(pos, move)}];
        });
    uint64_t most = 1;
    for (const auto& [entry, count] : counts) most = std::max(most, count);
    struct Entry {
        uint64_t key;
        uint16_t move, weight;
    };
    std::vector<Entry> entries;
    for (const auto& [entry, count] : counts) {
        // Weights are 16 bits: a larger count scales them all, each kept above zero.
        const uint64_t weight =
            most > 0xFFFF ? std::max<uint64_t>(1, count * 0xFFFF / most) : count;
        entries.push_back({entry.first, entry.second, static_cast<uint16_t>(weight)});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.key != b.key         ? a.key < b.key
               : a.weight != b.weight ? a.weight > b.weight
                                      : a.move < b.move;
    });
    std::string bytes;
    for (const Entry& e : entries) {
        for (int shift = 56; shift >= 0; shift -= 8) bytes += static_cast<char>(e.key >> shift);
        const char rest[8] = {static_cast<char>(e.move >> 8), static_cast<char>(e.move),
                              static_cast<char>(e.weight >> 8), static_cast<char>(e.weight)};
        bytes.append(rest, sizeof rest);
    }
    return bytes;
}

// Written whole to a temporary file first and renamed, so a failure never leaves half a book.
bool write_book(const std::string& target, const std::string& bytes) {
    const std::string temporary = target + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary);
        out << bytes;
        out.close();
        if (!out) {
            std::cerr << "make_book: cannot write " << temporary << "\n";
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        std::cerr << "make_book: cannot write " << target << "\n";
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const bool polyglot = argc == 4 && !std::strcmp(argv[1], "--polyglot");
    if (argc != 3 && !polyglot) {
        std::cerr << "usage: make_book [--polyglot] <openings.txt> <book.obk|book.bin>\n";
        return 2;
    }
    const std::string source = argv[polyglot ? 2 : 1];
    std::vector<SourceLine> lines;
    if (!read_source(source, lines)) return 1;

    std::vector<std::string> book;
    for (const SourceLine& line : lines) {
        std::string digits;
        if (!convert_line(source, line, digits)) {
            std::cerr << "make_book: " << source << " rejected, nothing written\n";
            return 1;
        }
        book.push_back(digits);
    }
    size_t dropped = 0;
    book = drop_redundant(book, dropped);

    const std::string target = argv[polyglot ? 3 : 2];
    std::string bytes;
    if (polyglot) {
        bytes = polyglot_bytes(book);
    } else {
        for (const std::string& line : book) bytes += line + '\n';
    }
    if (!write_book(target, bytes)) return 1;
    std::cout << "make_book: " << lines.size() << " lines read, " << dropped
              << " repeated or continued elsewhere, " << book.size() << " written to " << target;
    if (polyglot) std::cout << " (" << bytes.size() / 16 << " Polyglot entries)";
    std::cout << "\n";
    return 0;
}
