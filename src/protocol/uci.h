// The UCI dialogue. The interface owns the game: it sends the position (the start
// position or a FEN, and the moves played since), then "go" with the clock or search
// limits; the engine answers every "go" with exactly one "bestmove" line.
#pragma once

#include <cstdint>

// Runs the dialogue until "quit" or the end of standard input.
void uci_loop();

// "ucinewgame": the start position and a new-game reset.
void uci_new_game();

// "position" with the words after it ("startpos" or "fen <fields>", then optionally
// "moves <m1> <m2> ..."); the words are split in place. When the list continues the
// engine's current game only the new moves are played, so the search tables and the book
// state live on; otherwise the game is set up afresh. A FEN the engine cannot play or an
// illegal move prints "info string <reason>", leaves the previous position in place and
// gives false.
bool uci_position(char* args);

// How a UCI clock becomes the engine's clock inputs: the remaining time in centiseconds
// and the number of moves it is shared by.
struct ClockPlan {
    int32_t clock_cs;
    uint8_t moves;
};
// remaining_ms, increment_ms: the side to move's time and increment; moves_to_go 0 when
// the interface gave none (the whole game is then planned as 30 more moves).
ClockPlan plan_clock(int64_t remaining_ms, int64_t increment_ms, int64_t moves_to_go);
