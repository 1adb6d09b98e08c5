// The think driver: book or search, then the move played on the game and how it leaves the
// game, handed back as a decision that the front end words in its own dialect; and the
// thinking on the opponent's time. Nothing here prints.
#pragma once

#include <cstdint>

#include "board/position.h"

enum class Verdict : uint8_t {
    PLAY,      // the move has been played on the position; `end` tells how it leaves the game
    RESIGN,    // no move, or (where resigning is allowed) a hopeless position
    GAME_OVER, // the game had already ended; `end` tells how, nothing was played
    SILENT,    // pondering or analysing ended, or the front end cancelled: nothing to say
};

enum class GameEnd : uint8_t { NONE, REPETITION, FIFTY, STALEMATE, MATE };

struct Decision {
    Verdict verdict;
    GameEnd end;
    Move move;
    // The expected reply when it is a legal move after the engine's move, else MOVE_NONE.
    Move ponder_move;
    int32_t score;
    bool from_book;
    // The front end should think on the opponent's time once it has announced the move.
    bool ponder_next;
};

// Chooses the engine's move in the game position and plays it there (when the verdict is
// PLAY), or thinks silently while pondering or analysing.
Decision think(Position& pos);
// Plays a move the engine has decided on and tells how it leaves the game.
Decision play_decided_move(Position& pos, Move move, int32_t score, bool from_book);
// Thinks on the opponent's time: on the expected reply when there is a legal one, else on
// the opponent's position itself (after "playother"). Returns when input arrives.
void start_pondering(Position& pos);
