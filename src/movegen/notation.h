// Move text: coordinate notation (e2e4, e7e8q) and the opening book's digit form
// (from-rank, from-file, to-rank, to-file, each '0'..'7').
#pragma once

#include "board/position.h"

// Square named by the first two characters, or -1.
int text_to_square(const char* text);
// Writes the file letter and rank character for a digit pair (no terminator).
void square_to_text(char rank_digit, char file_digit, char* out);
// Four characters and a terminator; no promotion letter.
void move_to_text(Move move, char* out);
// Builds a move from coordinate text in the context of the position (no legality test).
// An unreadable square gives a move that matches no legal move.
Move text_to_move(const Position& pos, const char* text);
// Book digit form of coordinate text's first four characters (no terminator written).
void text_to_book_digits(const char* text, char* out);
// Promotion letter of a move ("q", "r", "b", "n"), or 0.
char promotion_letter(Move move);
// Coordinate text with the promotion letter: five characters and a terminator at most.
void move_to_full_text(Move move, char* out);

// How a Chess960 game writes castling: as the king taking its own rook (UCI, the console)
// or as O-O and O-O-O (XBoard). Standard chess writes the king's two-square move whatever
// is asked.
enum class CastlingStyle { KING_TAKES_ROOK, LETTERS };
// A move of the game as its dialect writes it: coordinates with the promotion letter, and
// castling by the game's rules in the given style. Five characters and a terminator at most.
void move_to_game_text(const Position& pos, Move move, CastlingStyle style, char* out);
// 1 for O-O (also 0-0), 2 for O-O-O (also 0-0-0), 0 for any other text.
int castling_letters(const char* text);

// The legal move that the text names, or MOVE_NONE. Every dialect reads moves with this:
// - coordinates: two squares and, for a promotion, its lower-case letter; nothing else. In
//   Chess960, castling is the king taking its own rook (or travelling to its castling
//   square).
// - O-O and O-O-O (or with zeros), in any game.
Move parse_move(Position& pos, const char* text);
