// Helpers for tests that work on the engine's one position.
#pragma once

#include <string>
#include <vector>

#include "board/setup.h"
#include "game/game.h"

// Fails the calling test (returns false) when the engine refuses the position.
bool setup(const std::string& fen);
// Coordinate text of a move, with the promotion letter.
std::string move_text(Move move);
// The squares of one piece list, in list order.
std::vector<int> list_squares(int list);
// The FENs of the perft suite (tests/data/perft.epd), in file order.
std::vector<std::string> perft_suite_fens();
// Plays a legal move given as coordinate text; false if it is not legal.
bool play(const std::string& text);
