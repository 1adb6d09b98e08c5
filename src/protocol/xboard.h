// The XBoard/CECP dialogue.
#pragma once

#include "board/position.h"

// Owns standard input until "quit" or the end of input.
void xboard_loop();

// The opponent's move as the interface sent it (coordinate text). A word that is no
// legal move is refused with "Illegal move: %s" and changes nothing. Outside force mode
// the engine answers, from its thinking on the opponent's time when that was a hit.
void xboard_opponent_move(Position& pos, const char* word, int force);

// The arguments of "level": moves per control, base time, increment. Only the first
// number is used; the clock itself comes with "time".
void parse_level(const char* args);
