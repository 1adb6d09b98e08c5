#include "io/output.h"

#include <cstdarg>
#include <cstdio>
#include <poll.h>

namespace {

bool closed = false;

} // namespace

void send(const char* format, ...) {
    if (closed) return;
    va_list args;
    va_start(args, format);
    const int written = std::vfprintf(stdout, format, args);
    va_end(args);
    if (written < 0 || std::fflush(stdout) != 0) closed = true;
}

bool output_closed() {
    if (closed) return true;
    // A pipe whose reader has exited reports an error condition on the writing end; a
    // search that prints nothing for minutes would otherwise never notice.
    pollfd p{1, 0, 0};
    if (poll(&p, 1, 0) > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL))) closed = true;
    return closed;
}

void reset_output() {
    std::clearerr(stdout);
    closed = false;
}

void LineText::add(const char* format, ...) {
    if (length + 1 >= sizeof text) return;
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text + length, sizeof text - length, format, args);
    va_end(args);
    if (n > 0) length += static_cast<size_t>(n);
    if (length >= sizeof text) length = sizeof text - 1;
}
