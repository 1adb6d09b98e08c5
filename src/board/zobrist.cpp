#include "board/zobrist.h"

#include "io/platform.h"

uint64_t piece_square_keys[16][256];
uint64_t side_keys[2];
uint64_t ep_keys[256];
uint64_t castle_keys[16];

uint64_t random64() {
    uint64_t x = static_cast<uint64_t>(c_rand());
    for (int i = 0; i < 4; ++i) x = (x << 15) ^ static_cast<uint64_t>(c_rand());
    return x;
}

void init_zobrist_keys() {
    for (auto& row : piece_square_keys)
        for (auto& k : row) k = random64();
    for (auto& k : side_keys) k = random64();
    for (auto& k : ep_keys) k = random64();
    for (auto& k : castle_keys) k = random64();
}

uint64_t compute_key(const Position& pos) {
    uint64_t key = 0;
    for (int c = 0; c < 2; ++c)
        for (int s = first_in(pos, c * 8); s < LIST_END; s = next_in(pos, c * 8, s))
            key ^= piece_square_keys[pos.board[s]][s];
    return key ^ ep_keys[pos.ep_square] ^ castle_keys[pos.castling_lost & 15] ^ side_keys[pos.side];
}

uint64_t compute_pawn_key(const Position& pos) {
    uint64_t key = 0;
    for (int c = 0; c < 2; ++c)
        for (int s = first_in(pos, c * 8 + PAWN); s < LIST_END; s = next_in(pos, c * 8 + PAWN, s))
            key ^= piece_square_keys[pos.board[s]][s];
    return key;
}
