// The one way out: every line the engine prints goes through send(). Each call is written
// and flushed at once, so an interface always sees a whole line as soon as it is made.
// A write that fails (the interface has closed its end of the pipe) is remembered, and the
// search and the dialogue loops ask output_closed() to stop instead of working for nobody.
#pragma once

#include <cstddef>

// printf-style; the text carries its own line feeds.
void send(const char* format, ...) __attribute__((format(printf, 1, 2)));

// True once a write has failed or the reading end of standard output has gone away.
bool output_closed();

// Tests send the output to another descriptor and forget an earlier failure.
void reset_output();

// A line assembled piece by piece (progress lines, move lists), sent with send().
struct LineText {
    char text[1024];
    size_t length = 0;
    void add(const char* format, ...) __attribute__((format(printf, 2, 3)));
};
