// The slots of a large table written since its last clear. A new game clears the
// transposition table and the evaluation caches (144 MB together); after a short search
// the clear walks the few thousand slots it wrote instead. A table written in more slots
// than the log holds is cleared whole, as before.
#pragma once

#include <cstdint>
#include <cstring>

// Every large table has this many slots unless it is given another size.
constexpr uint32_t DEFAULT_TABLE_ENTRIES = 2000000;

// The slot of a key in a table of entries slots: the key modulo entries. The built-in size
// is divided by as a constant, which the compiler turns into a multiplication.
inline uint32_t slot_of(uint64_t key, uint32_t entries) {
    return static_cast<uint32_t>(entries == DEFAULT_TABLE_ENTRIES ? key % DEFAULT_TABLE_ENTRIES
                                                                  : key % entries);
}

struct SlotLog {
    static constexpr uint32_t CAPACITY = 16384;
    uint32_t count; // slots noted; CAPACITY + 1 once more were written than fit
    uint32_t slot[CAPACITY];

    // A table notes a slot when it writes one that was clear, so each dirty slot is noted
    // once between two clears.
    void note(uint32_t index) {
        if (count < CAPACITY) slot[count] = index;
        if (count <= CAPACITY) ++count;
    }
    bool overflowed() const { return count > CAPACITY; }
    void reset() { count = 0; }
};

// Empties a table of zero-means-clear entries: the noted slots, or the whole table once
// the log has overflowed; the log starts afresh.
template <typename Entry> void clear_written_slots(Entry* table, uint32_t entries, SlotLog& log) {
    if (log.overflowed())
        std::memset(static_cast<void*>(table), 0, sizeof(Entry) * entries);
    else
        for (uint32_t i = 0; i < log.count; ++i) table[log.slot[i]] = Entry{};
    log.reset();
}
