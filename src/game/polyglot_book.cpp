#include "game/polyglot_book.h"

#include <cstdio>
#include <cstring>

#include "game/polyglot.h"
#include "io/platform.h"
#include "movegen/notation.h"

namespace {

// The most moves of one position the pick chooses among; entries past it (only a file
// that repeats a move many times has them) are passed over.
constexpr int MAX_CANDIDATES = 256;

struct PolyglotBook {
    uint8_t bytes[POLYGLOT_BOOK_BYTES]; // the entries as the file holds them
    size_t entries;
    bool named;
};
PolyglotBook polyglot_book;

uint64_t read_big_endian(const uint8_t* p, int bytes) {
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) value = value << 8 | p[i];
    return value;
}

const uint8_t* entry(size_t index) { return polyglot_book.bytes + index * POLYGLOT_ENTRY_BYTES; }
uint64_t entry_key(size_t index) { return read_big_endian(entry(index), 8); }
uint16_t entry_move(size_t index) {
    return static_cast<uint16_t>(read_big_endian(entry(index) + 8, 2));
}
uint16_t entry_weight(size_t index) {
    return static_cast<uint16_t>(read_big_endian(entry(index) + 10, 2));
}

// Reads count bytes of the file into the book; false on a short read.
bool read_bytes(const char* path, size_t count) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    const size_t got = std::fread(polyglot_book.bytes, 1, count, f);
    std::fclose(f);
    return got == count;
}

bool keys_sorted(size_t entries) {
    for (size_t i = 1; i < entries; ++i)
        if (entry_key(i - 1) > entry_key(i)) return false;
    return true;
}

// The first entry whose key is not below key.
size_t first_entry_of(uint64_t key) {
    size_t low = 0, high = polyglot_book.entries;
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        if (entry_key(middle) < key)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

// A number in [0, 2^30) from two draws of the engine's generator (15 bits each), so that
// weights summing past 32767 are still told apart.
uint64_t draw_30_bits() {
    const uint64_t high = static_cast<uint64_t>(c_rand());
    return high << 15 | static_cast<uint64_t>(c_rand());
}

bool book_off(BookState& book) {
    book.in_use = 0;
    return false;
}

} // namespace

BookFileStatus set_book_file(const char* path) {
    polyglot_book.entries = 0;
    polyglot_book.named = path[0] != '\0' && std::strcmp(path, "<empty>") != 0;
    if (!polyglot_book.named) return BookFileStatus::NONE;

    int64_t size = 0;
    switch (file_kind(path, size)) {
    case FileKind::MISSING: return BookFileStatus::MISSING;
    case FileKind::DIRECTORY: return BookFileStatus::DIRECTORY;
    case FileKind::OTHER: return BookFileStatus::NOT_A_FILE;
    case FileKind::UNREADABLE: return BookFileStatus::UNREADABLE;
    case FileKind::REGULAR: break;
    }
    if (size % static_cast<int64_t>(POLYGLOT_ENTRY_BYTES) != 0) return BookFileStatus::BAD_SIZE;
    if (size == 0) return BookFileStatus::EMPTY;
    const bool cut = static_cast<uint64_t>(size) > POLYGLOT_BOOK_BYTES;
    const size_t bytes = cut ? POLYGLOT_BOOK_BYTES : static_cast<size_t>(size);
    if (!read_bytes(path, bytes)) return BookFileStatus::UNREADABLE;
    // A file out of order would be searched wrongly; random bytes end up here too.
    const size_t entries = bytes / POLYGLOT_ENTRY_BYTES;
    if (!keys_sorted(entries)) return BookFileStatus::UNSORTED;
    polyglot_book.entries = entries;
    return cut ? BookFileStatus::CUT : BookFileStatus::LOADED;
}

bool book_file_named() { return polyglot_book.named; }

bool probe_polyglot_book(BookState& book, Position& pos, ScoredMove& out) {
    // 1. The usable entries of the position: weight above 0, a move legal here.
    const uint64_t key = polyglot_key(pos);
    Move moves[MAX_CANDIDATES];
    uint32_t weights[MAX_CANDIDATES];
    int count = 0;
    uint64_t total = 0;
    for (size_t i = first_entry_of(key);
         i < polyglot_book.entries && entry_key(i) == key && count < MAX_CANDIDATES; ++i) {
        const uint16_t weight = entry_weight(i);
        char text[6];
        if (weight == 0 || !polyglot_move_text(pos, entry_move(i), text)) continue;
        const Move move = parse_move(pos, text);
        if (move == MOVE_NONE) continue;
        moves[count] = move;
        weights[count++] = weight;
        total += weight;
    }
    if (count == 0) return book_off(book);

    // 2. One of them at random, each in proportion to its weight.
    uint64_t pick = draw_30_bits() * total >> 30;
    int chosen = 0;
    while (pick >= weights[chosen]) pick -= weights[chosen++];

    out.move = moves[chosen];
    out.score = 0;
    book.in_use = 1;
    return true;
}
