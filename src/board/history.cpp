#include "board/history.h"

#include <cstring>

HistoryEntry game_history[HISTORY_SIZE];
uint32_t setup_ply;

void clear_history(const Position& pos) {
    for (auto& e : game_history) {
        e.move = 0;
        e.key = 0;
    }
    game_history[pos.ply].key = pos.key;
    setup_ply = pos.ply;
}

void push_history(Position& pos, Move move, const Undo& undo) {
    game_history[pos.ply].move = move;
    ++pos.ply;
    HistoryEntry& e = game_history[pos.ply];
    e.key = pos.key;
    e.undo = undo;
}

bool is_repetition(const Position& pos, int search_plies) {
    const uint64_t key = pos.key;
    int root = static_cast<int>(pos.ply) - search_plies;
    for (int i = static_cast<int>(pos.ply) - 1; i >= root; --i)
        if (game_history[i].key == key) return true;
    int lo = root - pos.fifty;
    if (lo < 0) lo = 0;
    int count = 0;
    for (int i = root - 1; i >= lo; --i)
        if (game_history[i].key == key && ++count >= 2) return true;
    return false;
}
