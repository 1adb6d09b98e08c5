// The UCI dialogue. The interface owns the game: it sends the position (the start
// position or a FEN, and the moves played since), then "go" with the clock or search
// limits; the engine answers every "go" with exactly one "bestmove" line and leaves its
// move to the interface's next "position".
#pragma once

#include <cstdint>

#include "search/report.h"

// Runs the dialogue until "quit" or the end of standard input.
void uci_loop();

// The loop's parts, for driving the dialogue line by line: uci_begin prints the
// identification and sets the engine up; uci_command carries out one line and returns
// false when the dialogue ends.
void uci_begin();
bool uci_command(char* line);

// "ucinewgame": the start position and a new-game reset.
void uci_new_game();

// "position" with the words after it ("startpos" or "fen <fields>", then optionally
// "moves <m1> <m2> ..."); the words are split in place. When the list continues the
// engine's current game only the new moves are played, so the search tables and the book
// state live on; otherwise the game is set up afresh. A FEN the engine cannot play or an
// illegal move prints "info string <reason>", leaves the previous position in place and
// gives false.
bool uci_position(char* args);

// The progress line: "info depth D seldepth S multipv 1 score cp X nodes N nps R hashfull H
// time T pv m1 m2 ...", mate scores as "score mate N" in moves.
void uci_progress(const Progress& p);
