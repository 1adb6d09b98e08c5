#include "board/zobrist.h"

#include "io/platform.h"

namespace {

constexpr uint64_t draw_key(CRandom& random) {
    uint64_t x = static_cast<uint64_t>(random.next());
    for (int i = 0; i < 4; ++i) x = (x << 15) ^ static_cast<uint64_t>(random.next());
    return x;
}

constexpr ZobristKeys draw_keys() {
    CRandom random;
    ZobristKeys keys{};
    for (auto& row : keys.piece_square)
        for (auto& k : row) k = draw_key(random);
    for (auto& k : keys.side) k = draw_key(random);
    for (auto& k : keys.ep) k = draw_key(random);
    for (auto& k : keys.castle) k = draw_key(random);
    for (auto& k : keys.castle_rook) k = draw_key(random);
    return keys;
}

} // namespace

constexpr ZobristKeys zobrist = draw_keys();

uint64_t compute_key(const Position& pos) {
    uint64_t key = 0;
    for (int c = 0; c < 2; ++c)
        for (int s = first_in(pos, c * 8); s < LIST_END; s = next_in(pos, c * 8, s))
            key ^= zobrist.piece_square[pos.board[s]][s];
    return key ^ zobrist.ep[pos.ep_square] ^ pos.castling.key[pos.castling_lost & 15] ^
           zobrist.side[pos.side];
}

uint64_t compute_pawn_key(const Position& pos) {
    uint64_t key = 0;
    for (int c = 0; c < 2; ++c)
        for (int s = first_in(pos, c * 8 + PAWN); s < LIST_END; s = next_in(pos, c * 8 + PAWN, s))
            key ^= zobrist.piece_square[pos.board[s]][s];
    return key;
}
