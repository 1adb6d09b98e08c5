#include "board/history.h"

#include <cstring>

void clear_history(Position& pos) {
    History& h = pos.history;
    for (auto& e : h.entry) {
        e.move = 0;
        e.key = 0;
    }
    std::memset(h.recurrence_key, 0, sizeof h.recurrence_key);
    h.entry[pos.ply].key = pos.key;
    h.recurrence_key[pos.ply] = pos.key;
    // Positions before the set-up are not known; their keys stay 0.
    const int floor = static_cast<int>(pos.ply) - pos.fifty;
    h.recurrence_floor[pos.ply] = static_cast<uint16_t>(floor > 0 ? floor : 0);
    h.setup_ply = pos.ply;
}

void push_history(Position& pos, Move move, const Undo& undo, bool irreversible) {
    History& h = pos.history;
    h.entry[pos.ply].move = move;
    const uint32_t ply = ++pos.ply;
    HistoryEntry& e = h.entry[ply];
    e.key = pos.key;
    e.undo = undo;
    h.recurrence_key[ply] = pos.key;
    h.recurrence_floor[ply] =
        irreversible ? static_cast<uint16_t>(ply) : h.recurrence_floor[ply - 1];
}

void push_null_history(Position& pos) {
    History& h = pos.history;
    h.entry[pos.ply].move = MOVE_NONE;
    const uint32_t ply = ++pos.ply;
    h.entry[ply].key = pos.key;
    h.recurrence_key[ply] = pos.key;
    h.recurrence_floor[ply] = h.recurrence_floor[ply - 1];
}

bool is_repetition(const Position& pos, int search_plies) {
    // Only positions an even number of plies back have the same side to move, and none
    // from before the last capture or pawn move can recur; the others cannot share the key.
    const History& h = pos.history;
    const uint64_t key = pos.key;
    const int ply = static_cast<int>(pos.ply);
    const int root = ply - search_plies;
    const int floor = h.recurrence_floor[ply];
    int i = ply - 2;
    for (; i >= root && i >= floor; i -= 2)
        if (h.recurrence_key[i] == key) return true;
    int lo = root - pos.fifty;
    if (lo < floor) lo = floor;
    int count = 0;
    for (; i >= lo; i -= 2)
        if (h.recurrence_key[i] == key && ++count >= 2) return true;
    return false;
}
