#include "board/history.h"

#include <cstring>

HistoryEntry game_history[HISTORY_SIZE];
uint32_t setup_ply;

namespace {
// The repetition test reads this rather than the history entries: the keys again, eight
// bytes apart, and for each ply the earliest ply whose position could recur there, the ply
// of the last capture or pawn move (no position before it can come back).
struct RecurrenceIndex {
    uint64_t key[HISTORY_SIZE];
    uint16_t floor[HISTORY_SIZE];
};
RecurrenceIndex recurrence;
} // namespace

void clear_history(const Position& pos) {
    for (auto& e : game_history) {
        e.move = 0;
        e.key = 0;
    }
    std::memset(recurrence.key, 0, sizeof recurrence.key);
    game_history[pos.ply].key = pos.key;
    recurrence.key[pos.ply] = pos.key;
    // Positions before the set-up are not known; their keys stay 0.
    const int floor = static_cast<int>(pos.ply) - pos.fifty;
    recurrence.floor[pos.ply] = static_cast<uint16_t>(floor > 0 ? floor : 0);
    setup_ply = pos.ply;
}

void push_history(Position& pos, Move move, const Undo& undo, bool irreversible) {
    game_history[pos.ply].move = move;
    const uint32_t ply = ++pos.ply;
    HistoryEntry& e = game_history[ply];
    e.key = pos.key;
    e.undo = undo;
    recurrence.key[ply] = pos.key;
    recurrence.floor[ply] = irreversible ? static_cast<uint16_t>(ply) : recurrence.floor[ply - 1];
}

void push_null_history(Position& pos) {
    game_history[pos.ply].move = MOVE_NONE;
    const uint32_t ply = ++pos.ply;
    game_history[ply].key = pos.key;
    recurrence.key[ply] = pos.key;
    recurrence.floor[ply] = recurrence.floor[ply - 1];
}

bool is_repetition(const Position& pos, int search_plies) {
    // Only positions an even number of plies back have the same side to move, and none
    // from before the last capture or pawn move can recur; the others cannot share the key.
    const uint64_t key = pos.key;
    const int ply = static_cast<int>(pos.ply);
    const int root = ply - search_plies;
    const int floor = recurrence.floor[ply];
    int i = ply - 2;
    for (; i >= root && i >= floor; i -= 2)
        if (recurrence.key[i] == key) return true;
    int lo = root - pos.fifty;
    if (lo < floor) lo = floor;
    int count = 0;
    for (; i >= lo; i -= 2)
        if (recurrence.key[i] == key && ++count >= 2) return true;
    return false;
}
