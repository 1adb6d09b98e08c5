// Line input from standard input through one buffer of our own, and the non-blocking
// test whether input is waiting. Both look at the same buffer, so a second line that
// arrived together with the first counts as waiting.
//
// While the engine searches, a front end may read lines from the stream to decide whether
// they concern the search; the lines that must wait for the search to end are kept, and
// read_line hands them out again, in order, before anything newer.
#pragma once

#include <cstddef>

// Reads one line into buf (always terminated, at most size - 1 characters kept; the rest
// of a longer line is read and dropped). The line feed and a carriage return right before
// it are not stored. Kept lines come first. Returns false at end of input when nothing was
// read.
bool read_line(char* buf, size_t size);

// Non-zero when a read would not block: kept lines, buffered bytes, bytes waiting on the
// descriptor, or end of input (which the next read_line reports). Consumes no line.
unsigned input_pending();

// The same test without the kept lines: something the search has not looked at yet.
unsigned stream_pending();
// read_line from the stream only, past the kept lines.
bool read_stream_line(char* buf, size_t size);
// Keeps a line for read_line; false (and the line dropped) when the store is full.
bool keep_line(const char* text);

// True once standard input has reported its end and nothing is left to read.
bool input_closed();
// The same, looking at the descriptor first (without blocking): the interface has gone
// and sent nothing more that could still be carried out.
bool input_ended();

// Tests redirect input to another descriptor (and forget kept lines).
void set_input_descriptor(int fd);
