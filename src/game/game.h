// The game record: the game position and its history, what the engine knows about the game
// beyond the board, the settings the front ends steer it by, and the new-game reset of every
// subsystem.
#pragma once

#include <cstdint>

#include "board/position.h"
#include "game/book.h"

constexpr int32_t RESULT_NONE = 0;
constexpr int32_t RESULT_FIFTY = 2;
constexpr int32_t RESULT_STALEMATE = 4;
constexpr int32_t RESULT_MATE = 5;

// What every new game starts afresh.
struct GameState {
    int32_t result; // RESULT_*: how the game has ended, RESULT_NONE while it goes on
    // Moves this engine has played from its own search since the set-up: until the first,
    // input waits for the engine's move instead of stopping its search.
    int32_t moves_out_of_book;
    // Think on the opponent's time (XBoard "hard"); a new game turns it off until the
    // interface says again.
    bool ponder_enabled;
    bool pondering;     // thinking on the opponent's time, or its result is on hand
    Move pondered_move; // the expected reply pondered on; MOVE_NONE for the position itself
    uint32_t ponder_start_ms;
    BookState book;
};

struct Game {
    // The one game position with the moves that led to it; make and unmake keep both.
    Position position;
    GameState state;
    // Analysing (XBoard "analyze"): think searches without a book, a clock or a move to play.
    bool analysing = false;
    // Whether a hopeless position is resigned; a UCI interface has no resignation, so a lost
    // position is played out there.
    bool may_resign = true;
    // Set by a front end while the engine thinks on its move when the interface has taken
    // the position away (force mode, a new game, a take-back, quit): nothing is played.
    bool cancelled = false;
    // A search on the opponent's time has seen the engine mated: its line is not trusted for
    // a ponder hit. It stays set for the life of the process.
    bool ponder_saw_mate = false;
    // The rules new games are set up with: Chess960 (its FENs and castling) or standard
    // chess. The front ends set it as their interface asks.
    bool chess960 = false;
};

extern Game game;

// Sets up the game position from a FEN text, under the rules game.chess960 names, and resets
// the engine for a new game. A text that is no FEN or a position the engine cannot play is
// refused: false, and nothing changes. A Chess960 game has no opening book.
bool new_game(const char* fen);

// Whether the side to move may claim a draw by the fifty-move rule: more than a hundred
// half-moves without a capture or a pawn move, and not mated (a mate ends the game first).
bool fifty_move_claim(Position& pos);

// Takes back the last plies of the game when that many were played since the set-up;
// false (and nothing changes) otherwise.
bool take_back(Position& pos, int plies);
