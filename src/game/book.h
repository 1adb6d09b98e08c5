// Opening book: plain-text lines of moves in digit form, loaded once per game and
// narrowed to the lines that agree with the game.
#pragma once

#include <cstdint>

#include "board/position.h"

constexpr int BOOK_LINES = 16000;
constexpr int BOOK_LINE_CHARS = 256;
constexpr int BOOK_PLIES = 64;

extern char book_lines[BOOK_LINES][BOOK_LINE_CHARS];
extern int32_t book_count;
extern char book_line[BOOK_PLIES * 4 + 1];
extern uint8_t book_loaded;

void clear_book_line();
// Records a move of the game (coordinate text) at ply while there is room.
void record_book_move(uint32_t ply, const char* text);
void load_book(int side);
// True with a move when the book has one; otherwise switches the book off.
bool probe_book(Position& pos, ScoredMove& out);
