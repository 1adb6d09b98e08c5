// The XBoard/CECP dialogue.
#pragma once

#include "board/position.h"
#include "game/think.h"
#include "search/report.h"

// Owns standard input until "quit" or the end of input.
void xboard_loop();

// The loop's parts, for driving the dialogue line by line: xboard_begin resets the
// dialogue's state and takes over the search's poll and progress lines; xboard_command
// carries out one line and returns false on "quit".
void xboard_begin();
bool xboard_command(char* line);
// Analysing, and the position or the mode changed since the analysis began: the loop then
// runs xboard_analyse as soon as no line is waiting. The analysis searches until a line
// arrives and plays nothing.
bool xboard_analysis_due();
void xboard_analyse();

// The opponent's move as the interface sent it (coordinate text). A word that is no
// legal move is refused with "Illegal move: %s" and changes nothing. Outside force mode
// the engine answers, from its thinking on the opponent's time when that was a hit.
void xboard_opponent_move(Position& pos, const char* word, bool force);

// The arguments of "level": moves per control, base time, increment. The base is not
// needed: the clock itself comes with "time".
void parse_level(const char* args);

// The engine's decision as a move line ("move e2e4", promotions with their letter), a
// "resign" or the result line, as the console also words it. True when a move was played
// and the game goes on.
bool xboard_announce(const Decision& d, const Position& pos);

// The thinking line: "depth score centiseconds nodes [(pondered move)] pv..." with a
// blank after every item.
void xboard_progress(const Progress& p);
