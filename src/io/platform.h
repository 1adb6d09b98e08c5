// The operating-system services the engine uses, in one place: a millisecond tick
// counter, the current directory, the wall clock for seeding, and the C library's
// classic random generator (implemented here so that every build draws the same
// numbers, which the Zobrist keys depend on).
#pragma once

#include <cstddef>
#include <cstdint>

// Milliseconds from a monotonic clock, wrapping at 2^32; compute differences in u32.
uint32_t tick_ms();

// Writes the current directory into buf (NUL-terminated). False when it does not fit.
bool current_directory(char* buf, size_t size);

// Seed from the time of day: (seconds mod 30) * 1000 + milliseconds, 0..29999.
uint32_t time_of_day_seed();

// Linear congruential generator: state = state * 214013 + 2531011,
// result = (state >> 16) & 0x7FFF. The state is 1 until seeded.
int c_rand();
void c_srand(uint32_t seed);

constexpr char PATH_SEPARATOR = '/';
