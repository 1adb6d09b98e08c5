// Memory for the large direct-mapped tables (the transposition table and the evaluation
// caches) when they are given a size other than their built-in one.
#pragma once

#include <cstddef>

// Zeroed memory of at least bytes, starting on a 2 MiB boundary and offered transparent
// huge pages, so a probe costs a cache miss without a page-table walk as well. The pages
// are only taken from the system as the table writes to them. nullptr when the system
// refuses.
void* map_table(size_t bytes);
// Gives back what map_table gave for the same number of bytes.
void unmap_table(void* table, size_t bytes);
// Gives the pages of a table in static room back to the system; they read as zero when
// the table is used again.
void release_table(void* table, size_t bytes);
