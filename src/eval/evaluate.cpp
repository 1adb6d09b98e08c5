#include "eval/evaluate.h"

#include "board/pst.h"
#include "eval/eval_cache.h"
#include "eval/terms.h"

int32_t material_sum(const Position& pos, int colour) {
    int32_t sum = 0;
    const int list = colour * 8 + 7;
    for (int s = first_in(pos, list); s < LIST_END; s = next_in(pos, list, s))
        sum += piece_value[pos.board[s]];
    return sum;
}

int32_t psq_open_sum(const Position& pos, int colour) {
    int32_t sum = 0;
    for (int s = first_in(pos, colour * 8); s < LIST_END; s = next_in(pos, colour * 8, s))
        sum += pst_open[pos.board[s]][s];
    return sum;
}

int32_t psq_end_sum(const Position& pos, int colour) {
    int32_t sum = 0;
    for (int s = first_in(pos, colour * 8); s < LIST_END; s = next_in(pos, colour * 8, s))
        sum += pst_end[pos.board[s]][s];
    return sum;
}

bool can_win(const Position& pos, int colour) {
    if (pos.piece_count[colour * 8 + PAWN]) return true;
    return pos.material[colour] >= 651 || pos.material[colour] == 505;
}

bool recognize_draw(const Position& pos, int32_t& score) {
    const int us = static_cast<int>(pos.side), them = us ^ 1;
    const int32_t total = pos.material[WHITE] + pos.material[BLACK];
    if (total == 100) {
        // King and rook's pawn against king, the defending king in front of the pawn.
        const int attacker = pos.piece_count[us * 8 + PAWN] ? us : them;
        const int defender = attacker ^ 1;
        const int pawn = first_in(pos, attacker * 8 + PAWN);
        const int king = king_square(pos, defender);
        const int file = file_of(pawn);
        if ((file != 0 && file != 7) || file_of(king) != file) return false;
        if (relative_rank(pawn, attacker) < relative_rank(king, attacker)) {
            score = 0;
            return true;
        }
        return false;
    }
    if (total == 426) {
        // One bishop and one pawn on the board, the pawn not yet far enough.
        const int owner = pos.piece_count[WHITE * 8 + PAWN] ? WHITE : BLACK;
        const int pawn = first_in(pos, owner * 8 + PAWN);
        if (pawn >= LIST_END) return false;
        const int limit = owner == us ? 5 : 6;
        if (relative_rank(pawn, owner) < limit) {
            score = 0;
            return true;
        }
    }
    return false;
}

int32_t evaluate(Position& pos) {
    int32_t value;
    if (eval_cache_probe(pos.key, value)) return value;
    // The pawn structure is looked up last; its slot loads while the other terms are summed.
    pawn_cache_prefetch(pos.pawn_key);
    const int us = static_cast<int>(pos.side), them = us ^ 1;
    const int32_t material = pos.material[us] - pos.material[them];
    if (pos.officer_count >= 5) {
        value = eval_middlegame(pos) + (pos.psq_open[us] - pos.psq_open[them]) + material;
    } else if (!recognize_draw(pos, value)) {
        value = eval_endgame(pos) + (pos.psq_end[us] - pos.psq_end[them]) + material;
        const int ahead = value > 0 ? us : them;
        if (!can_win(pos, ahead)) value = 0;
    }
    eval_cache_store(pos.key, value);
    return value;
}
