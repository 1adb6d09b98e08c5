// The slots of a large table written since its last clear. A new game clears the
// transposition table and the evaluation caches (144 MB together); after a short search
// the clear walks the few thousand slots it wrote instead. A table written in more slots
// than the log holds is cleared whole, as before.
#pragma once

#include <cstdint>

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
