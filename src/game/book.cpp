#include "game/book.h"

#include <cstdio>
#include <cstring>

#include "board/fen.h"
#include "board/history.h"
#include "board/zobrist.h"
#include "movegen/movegen.h"
#include "movegen/notation.h"
#include "io/platform.h"

BookTable book_table;

namespace {

// The largest value c_rand returns; the pick divides by it (not by its count of values).
constexpr int64_t RAND_TOP = 32767;

bool book_off(BookState& book) {
    book.in_use = 0;
    return false;
}

bool is_digit_0_7(char c) { return c >= '0' && c <= '7'; }

// Four book digits in a row. Stops at the first bad character, so a terminator is never
// read past.
bool is_move_digits(const char* d) {
    for (int i = 0; i < 4; ++i)
        if (!is_digit_0_7(d[i])) return false;
    return true;
}

int digit_square(char rank, char file) { return 64 + 16 * (rank - '0') + (file - '0'); }

// Reads one text line into out (at most BOOK_LINE_CHARS - 1 characters; the rest of a
// longer line is dropped). A carriage return or trailing blanks before the line feed are
// not part of the line. False at end of file without a line feed: an unterminated last
// line does not count.
bool read_text_line(std::FILE* f, char* out) {
    int len = 0;
    int c;
    while ((c = std::getc(f)) != EOF && c != '\n')
        if (len < BOOK_LINE_CHARS - 1) out[len++] = static_cast<char>(c);
    out[len] = '\0';
    if (c == EOF) return false;
    while (len > 0 && (out[len - 1] == '\r' || out[len - 1] == ' ' || out[len - 1] == '\t'))
        out[--len] = '\0';
    return true;
}

// Directory + separator + name in path; false when it does not fit (then no file is
// tried: a cut path could name some other file).
bool path_in_current_directory(const char* name, char* path, size_t size) {
    if (!current_directory(path, size)) return false;
    const size_t dir = std::strlen(path);
    const size_t len = std::strlen(name);
    if (dir + 1 + len >= size) return false;
    path[dir] = PATH_SEPARATOR;
    std::memcpy(path + dir + 1, name, len + 1);
    return true;
}

// Reads one book file into the line table (the first BOOK_LINES complete lines).
// False when the file cannot be opened.
bool read_book_file(const char* path) {
    std::FILE* f = std::fopen(path, "r");
    if (!f) return false;
    int32_t count = 0;
    // Lines past the table's capacity are left unread.
    while (count < BOOK_LINES && read_text_line(f, book_table.lines[count])) ++count;
    // The line an unterminated end of file left in the next slot is not part of the book.
    if (count < BOOK_LINES) book_table.lines[count][0] = '\0';
    std::fclose(f);
    book_table.count = count;
    book_table.for_this_game = true;
    return true;
}

bool read_book_named(const char* name) {
    char path[BOOK_PATH_CHARS];
    return path_in_current_directory(name, path, sizeof path) && read_book_file(path);
}

// The start position's key, computed the way set-up computes it.
uint64_t start_position_key() {
    static Position scratch;
    parse_fen(scratch, start_fen);
    build_piece_lists(scratch);
    return compute_key(scratch);
}

// The book's lines start at the standard start position and the game line is indexed by
// ply, so the book may answer only when the game began there at ply 0 and the game line
// holds every move played since, the very moves on the board.
bool game_line_agrees(const BookState& book, const Position& pos) {
    if (pos.history.setup_ply != 0 || pos.ply >= static_cast<uint32_t>(BOOK_PLIES)) return false;
    if (pos.history.entry[0].key != start_position_key()) return false;
    if (std::strlen(book.line) < 4 * pos.ply) return false;
    for (uint32_t i = 0; i < pos.ply; ++i) {
        const char* d = book.line + 4 * i;
        const Move played = pos.history.entry[i].move;
        if (!is_move_digits(d) || move_from(played) != digit_square(d[0], d[1]) ||
            move_to(played) != digit_square(d[2], d[3]))
            return false;
    }
    return true;
}

} // namespace

void clear_book_line(BookState& book) {
    std::memset(book.line, 0, sizeof book.line);
    book_table.for_this_game = false;
}

void record_book_move(BookState& book, uint32_t ply, const char* text) {
    if (ply >= static_cast<uint32_t>(BOOK_PLIES)) return;
    char* at = book.line + 4 * ply;
    // Text that names no squares cannot be recorded; ending the line here keeps the book
    // from answering later in this game.
    if (text_to_square(text) < 0 || text_to_square(text + 2) < 0) {
        *at = '\0';
        return;
    }
    text_to_book_digits(text, at);
    at[4] = '\0';
}

void load_book(BookState& book, int side) {
    std::memset(book_table.lines, 0, sizeof book_table.lines);
    book_table.count = 0;
    book_table.for_this_game = false;
    if (read_book_named(side == WHITE ? "whitebook.obk" : "blackbook.obk")) return;
    if (read_book_named("book.obk")) return;
    book.in_use = 0;
}

bool probe_book(BookState& book, Position& pos, ScoredMove& out) {
    char(&lines)[BOOK_LINES][BOOK_LINE_CHARS] = book_table.lines;
    if (!book_table.for_this_game || !game_line_agrees(book, pos)) return book_off(book);

    // 1. Keep only the lines that agree with the game so far, at the front of the table.
    const size_t played = 4 * pos.ply;
    int32_t matches = 0;
    for (int32_t i = 0; i < book_table.count; ++i) {
        if (std::strncmp(lines[i], book.line, played) != 0) continue;
        if (matches != i) std::memcpy(lines[matches], lines[i], BOOK_LINE_CHARS);
        ++matches;
    }
    book_table.count = matches;

    // 2. No line, or one line that ends here: the game has left the book.
    if (matches == 0) return book_off(book);
    if (matches == 1 && std::strlen(lines[0]) == played) return book_off(book);

    // 3. Pick a line at random; the top draw would name one past the last line.
    int64_t index = c_rand() * static_cast<int64_t>(matches) / RAND_TOP;
    if (index >= matches) index = matches - 1;

    // 4. Its next move must be four book digits and legal here; anything else, including
    // a chosen line that ends here, counts as no book move.
    const char* d = lines[index] + played;
    if (!is_move_digits(d)) return book_off(book);
    char text[6] = {};
    square_to_text(d[0], d[1], text);
    square_to_text(d[2], d[3], text + 2);
    const Move move = text_to_move(pos, text);
    if (!is_legal_move(pos, move)) return book_off(book);

    out.move = move;
    out.score = 0;
    book.in_use = 1;
    return true;
}
