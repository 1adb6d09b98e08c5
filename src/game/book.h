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

extern char book_lines[BOOK_LINES][BOOK_LINE_CHARS];
extern int32_t book_count;
// The game so far in digit form, four characters per ply from the start position.
extern char book_line[BOOK_PLIES * 4 + 1];
// 1 once a book has been read for this game, or when the game did not start from the
// start position (then no book is ever read for it).
extern uint8_t book_loaded;

// New game: empties the game line and forgets the lines read for the previous game.
void clear_book_line();
// Records a move of the game (coordinate text) at ply while there is room; the game line
// then ends after it, so moves taken back and replaced leave nothing stale behind.
void record_book_move(uint32_t ply, const char* text);
// Reads the colour's book, else "book.obk"; without either the book is switched off.
void load_book(int side);
// True with a legal move when the book has one for this position; otherwise switches the
// book off (use_book = 0) for the rest of the game.
bool probe_book(Position& pos, ScoredMove& out);
