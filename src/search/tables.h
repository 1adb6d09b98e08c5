// The three large tables, sized together by one figure, the megabytes that the interfaces
// call "Hash": the transposition table (16 bytes an entry), the evaluation cache (8) and the
// pawn cache (16) get as many entries each, 25,000 to a megabyte of 10^6 bytes. The default
// of 80 gives each its built-in 2,000,000 entries.
#pragma once

#include <cstdint>

constexpr int DEFAULT_HASH_MB = 80;
constexpr int MIN_HASH_MB = 1;
constexpr int MAX_HASH_MB = 4096;

// Sizes the tables, all clear; mb is clamped to MIN_HASH_MB..MAX_HASH_MB. False, with the
// tables as they were, when the memory cannot be had. Never during a search.
bool set_hash_megabytes(int mb);
int hash_megabytes();

// Empties the tables and what the search learns across searches (the cut-off statistics,
// the last principal variation): a search then visits exactly the nodes it visits in a new
// game, whatever was searched before.
void clear_search_tables();

// The permille of the first thousand transposition-table slots written since the tables
// were last cleared.
int hash_permille();
