// Opening book: plain-text lines of moves in digit form, loaded once per game and
// narrowed to the lines that agree with the game.
//
// A book line is a game from the standard start position written as four digits per
// move: from-rank, from-file, to-rank, to-file, each '0'..'7' (e2e4 is 1434). Castling is
// the king's two-square move (0406); promotions cannot be written. The engine looks for
// "whitebook.obk" or "blackbook.obk" (by its colour at its first decision) and then
// "book.obk" in the current directory.
#pragma once

#include <cstdint>

#include "board/position.h"

constexpr int BOOK_LINES = 16000;
constexpr int BOOK_LINE_CHARS = 256; // 255 characters and the terminator
constexpr int BOOK_PLIES = 64;
constexpr int BOOK_PATH_CHARS = 256; // directory, separator and file name

// The book's part of the game record.
struct BookState {
    uint8_t in_use; // the book is still consulted in this game
    // 1 once a book has been read for this game, or when the game did not start from the
    // start position (then no book is ever read for it).
    uint8_t loaded;
    // The game so far in digit form, four characters per ply from the start position.
    char line[BOOK_PLIES * 4 + 1];
};

// The lines read from the book file, narrowed as the game goes on.
struct BookTable {
    char lines[BOOK_LINES][BOOK_LINE_CHARS];
    int32_t count;
    // The lines were read for the current game. A new game clears it, so lines left over
    // from an earlier game are never consulted for a position set up from a FEN.
    bool for_this_game;
};
extern BookTable book_table;

// New game: empties the game line and forgets the lines read for the previous game.
void clear_book_line(BookState& book);
// Records a move of the game (coordinate text) at ply while there is room; the game line
// then ends after it, so moves taken back and replaced leave nothing stale behind.
void record_book_move(BookState& book, uint32_t ply, const char* text);
// Reads the colour's book, else "book.obk"; without either the book is switched off.
void load_book(BookState& book, int side);
// True with a legal move when the book has one for this position; otherwise switches the
// book off (in_use = 0) for the rest of the game.
bool probe_book(BookState& book, Position& pos, ScoredMove& out);
