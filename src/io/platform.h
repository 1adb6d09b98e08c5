// The operating-system services the engine uses, in one place: a millisecond tick
// counter, the current directory, what a path names, the wall clock for seeding, and the C
// library's classic random generator (implemented here so that every build draws the same numbers,
// which the Zobrist keys depend on).
#pragma once

#include <cstddef>
#include <cstdint>

// Milliseconds from a monotonic clock, wrapping at 2^32; compute differences in u32.
uint32_t tick_ms();

// Writes the current directory into buf (NUL-terminated). False when it does not fit.
bool current_directory(char* buf, size_t size);

// What a path names, so that a file is opened only when reading it cannot block (a FIFO
// would wait for a writer) and cannot fail for being a directory.
enum class FileKind { MISSING, DIRECTORY, REGULAR, OTHER, UNREADABLE };
// The kind of path and, for a regular file, its size in bytes.
FileKind file_kind(const char* path, int64_t& size);

// Seed from the time of day: (seconds mod 30) * 1000 + milliseconds, 0..29999.
uint32_t time_of_day_seed();

// Linear congruential generator: state = state * 214013 + 2531011,
// result = (state >> 16) & 0x7FFF. The state is 1 until seeded. A constant expression, so
// that the Zobrist keys are drawn from it when the engine is compiled.
struct CRandom {
    uint32_t state = 1;
    constexpr int next() {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    }
};

// The engine's running generator (the opening book's choices).
int c_rand();
void c_srand(uint32_t seed);

constexpr char PATH_SEPARATOR = '/';
