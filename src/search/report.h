// Progress lines of the search, worded for the active dialect.
#pragma once

#include <cstdint>

// Printed whenever a root move raises alpha. Silent while report_enabled is false
// (the benchmark).
void report_progress(int depth, int32_t score);
extern bool report_enabled;
