#include "io/input.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <unistd.h>

namespace {
constexpr size_t BUFFER_SIZE = 65536;
char buffer[BUFFER_SIZE];
size_t head = 0, tail = 0;
bool at_end = false;
int input_fd = 0;

// Lines read during a search that wait for it to end, each ended by NUL.
constexpr size_t KEPT_SIZE = 2 * BUFFER_SIZE;
char kept[KEPT_SIZE];
size_t kept_used = 0;

// Reads what the descriptor has into the free end of the buffer (moving the unread part
// to the front first). Blocks only when block is set; false at end of input or on error.
bool fill(bool block) {
    if (at_end) return false;
    if (head == tail) head = tail = 0;
    if (tail == BUFFER_SIZE && head > 0) {
        std::memmove(buffer, buffer + head, tail - head);
        tail -= head;
        head = 0;
    }
    if (tail == BUFFER_SIZE) return true; // full: the reader must take lines first
    if (!block) {
        pollfd p{input_fd, POLLIN, 0};
        if (poll(&p, 1, 0) <= 0) return true;
    }
    for (;;) {
        const ssize_t n = read(input_fd, buffer + tail, BUFFER_SIZE - tail);
        if (n > 0) {
            tail += static_cast<size_t>(n);
            return true;
        }
        if (n < 0 && errno == EINTR) continue;
        at_end = true;
        return false;
    }
}

bool take_kept(char* buf, size_t size) {
    if (kept_used == 0) return false;
    const size_t n = std::strlen(kept);
    const size_t copy = n < size ? n : size - 1;
    std::memcpy(buf, kept, copy);
    buf[copy] = '\0';
    std::memmove(kept, kept + n + 1, kept_used - n - 1);
    kept_used -= n + 1;
    return true;
}
} // namespace

void set_input_descriptor(int fd) {
    input_fd = fd;
    head = tail = 0;
    at_end = false;
    kept_used = 0;
}

bool input_closed() { return at_end && head == tail && kept_used == 0; }

bool input_ended() {
    if (head == tail && kept_used == 0) fill(false);
    return input_closed();
}

bool read_stream_line(char* buf, size_t size) {
    size_t count = 0;
    bool got_any = false;
    for (;;) {
        if (head == tail && !fill(true)) break;
        if (head == tail) continue;
        const char c = buffer[head++];
        got_any = true;
        if (c == '\n') break;
        if (count + 1 < size) buf[count++] = c;
    }
    if (count > 0 && buf[count - 1] == '\r') --count;
    if (size > 0) buf[count] = '\0';
    return got_any;
}

bool read_line(char* buf, size_t size) {
    if (size > 0 && take_kept(buf, size)) return true;
    return read_stream_line(buf, size);
}

bool keep_line(const char* text) {
    const size_t n = std::strlen(text) + 1;
    if (kept_used + n > KEPT_SIZE) return false;
    std::memcpy(kept + kept_used, text, n);
    kept_used += n;
    return true;
}

unsigned stream_pending() {
    if (head == tail) fill(false);
    if (head != tail) return static_cast<unsigned>(tail - head);
    return at_end ? 1 : 0;
}

unsigned input_pending() {
    if (kept_used) return static_cast<unsigned>(kept_used);
    return stream_pending();
}
