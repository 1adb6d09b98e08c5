// What the front end that started a search lets it ask and tell, installed as one record
// when a dialect takes over: whether to stop, each new best line, and (for the think
// driver) whether a decision must wait before it is announced. Nobody listens while the
// benchmark runs.
#pragma once

#include <cstdint>

#include "board/move.h"

struct Progress {
    int depth;
    int seldepth;        // the deepest ply reached, quiescence included
    int line;            // 1 for the best line, then 2 ... for the next ones
    int32_t score;       // centipawns from the side to move, mate scores as they are
    uint32_t elapsed_ms; // since the search began
    uint32_t nodes;
    const Move* pv; // the principal variation, ended by MOVE_NONE
};

struct FrontEnd {
    // Asked every few thousand nodes (and by long perft counts): where waiting input, the
    // end of input and a closed output are looked at, each dialect with its own rules.
    // True stops the search.
    bool (*should_stop)();
    // Whenever a root move raises alpha.
    void (*progress)(const Progress&);
    // UCI: an infinite or ponder search that ends on its own waits for "stop" or
    // "ponderhit". Called once the decision is taken, before anything is announced.
    void (*hold_decision)();
};

extern FrontEnd front_end;
