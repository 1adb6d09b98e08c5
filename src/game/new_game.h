// Starting a new game: the board set-up plus the reset of every subsystem's per-game state.
#pragma once

#include "board/position.h"

// Sets up the game position from a FEN text and resets the engine for a new game.
// A text that is no FEN or a position the engine cannot play is refused: false, and
// nothing changes.
bool set_position(const char* fen);
void reset_game_state(Position& pos);
