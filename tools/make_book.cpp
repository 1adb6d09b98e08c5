// make_book: turns opening lines written in coordinate notation into the engine's book
// format (four digits per move: from-rank, from-file, to-rank, to-file).
//
//   make_book <openings.txt> <book.obk>
//
// Input: one opening line per text line, moves separated by blanks, White's first move
// first (e2e4 e7e5 g1f3 b8c6). Castling is the king's two-square move (e1g1). Everything
// from '#' to the end of a line is a comment; blank lines are skipped. Every move is
// played on the engine's own board and must be legal there; the first illegal move
// rejects the whole file and nothing is written.
//
// Duplicate lines and lines that only repeat the start of a longer line are dropped: the
// engine leaves its book when the line it picks ends, so such a line adds nothing but an
// early exit.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "board/make_move.h"
#include "game/book.h"
#include "game/game.h"
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

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_book <openings.txt> <book.obk>\n";
        return 2;
    }
    const std::string source = argv[1];
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

    // Written whole to a temporary file first, so a failure never leaves half a book.
    const std::string target = argv[2];
    const std::string temporary = target + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary);
        for (const std::string& line : book) out << line << '\n';
        out.close();
        if (!out) {
            std::cerr << "make_book: cannot write " << temporary << "\n";
            std::remove(temporary.c_str());
            return 1;
        }
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        std::cerr << "make_book: cannot write " << target << "\n";
        std::remove(temporary.c_str());
        return 1;
    }
    std::cout << "make_book: " << lines.size() << " lines read, " << dropped
              << " repeated or continued elsewhere, " << book.size() << " written to " << target
              << "\n";
    return 0;
}
