#include "io/memory.h"

#include <cstdint>
#include <sys/mman.h>

namespace {
constexpr size_t HUGE_PAGE = 2 * 1024 * 1024;
size_t rounded(size_t bytes) { return (bytes + HUGE_PAGE - 1) / HUGE_PAGE * HUGE_PAGE; }
} // namespace

void* map_table(size_t bytes) {
    // One huge page more than needed, so that the table can start on a boundary; the
    // ends outside it are given back at once.
    const size_t size = rounded(bytes) + HUGE_PAGE;
    void* room = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (room == MAP_FAILED) return nullptr;
    const uintptr_t start = reinterpret_cast<uintptr_t>(room);
    const uintptr_t table = (start + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
    if (table > start) munmap(room, table - start);
    const uintptr_t end = table + rounded(bytes);
    if (start + size > end) munmap(reinterpret_cast<void*>(end), start + size - end);
#if defined(MADV_HUGEPAGE)
    // Only advice: where the kernel has no huge pages the table stays on small ones.
    madvise(reinterpret_cast<void*>(table), rounded(bytes), MADV_HUGEPAGE);
#endif
    return reinterpret_cast<void*>(table);
}

void unmap_table(void* table, size_t bytes) {
    if (table) munmap(table, rounded(bytes));
}

void release_table(void* table, size_t bytes) { madvise(table, rounded(bytes), MADV_DONTNEED); }
