// Line input from standard input through one buffer of our own, and the non-blocking
// test whether input is waiting. Both look at the same buffer, so a second line that
// arrived together with the first counts as waiting.
#pragma once

#include <cstddef>

// Reads one line into buf (always terminated, at most size - 1 characters kept; the rest
// of a longer line is read and dropped). The line feed and a carriage return right before
// it are not stored. Returns false at end of input when nothing was read.
bool read_line(char* buf, size_t size);

// Non-zero when a read would not block: buffered bytes, bytes waiting on the descriptor,
// or end of input (which the next read_line reports). Consumes nothing.
unsigned input_pending();

// True once standard input has reported its end.
bool input_closed();

// Tests redirect input to another descriptor.
void set_input_descriptor(int fd);
