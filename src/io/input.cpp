#include "io/input.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <unistd.h>

namespace {
constexpr size_t BUFFER_SIZE = 65536;
constexpr size_t KEPT_SIZE = 2 * BUFFER_SIZE;

// The one reader of standard input.
struct Reader {
    char buffer[BUFFER_SIZE];
    size_t head, tail; // the unread bytes are buffer[head, tail)
    bool at_end;
    int fd;
    // Lines read during a search that wait for it to end, each ended by NUL.
    char kept[KEPT_SIZE];
    size_t kept_used;
};
Reader reader;

// Reads what the descriptor has into the free end of the buffer (moving the unread part
// to the front first). Blocks only when block is set; false at end of input or on error.
bool fill(bool block) {
    if (reader.at_end) return false;
    if (reader.head == reader.tail) reader.head = reader.tail = 0;
    if (reader.tail == BUFFER_SIZE && reader.head > 0) {
        std::memmove(reader.buffer, reader.buffer + reader.head, reader.tail - reader.head);
        reader.tail -= reader.head;
        reader.head = 0;
    }
    if (reader.tail == BUFFER_SIZE) return true; // full: the reader must take lines first
    if (!block) {
        pollfd p{reader.fd, POLLIN, 0};
        if (poll(&p, 1, 0) <= 0) return true;
    }
    for (;;) {
        const ssize_t n = read(reader.fd, reader.buffer + reader.tail, BUFFER_SIZE - reader.tail);
        if (n > 0) {
            reader.tail += static_cast<size_t>(n);
            return true;
        }
        if (n < 0 && errno == EINTR) continue;
        reader.at_end = true;
        return false;
    }
}

bool take_kept(char* buf, size_t size) {
    if (reader.kept_used == 0) return false;
    const size_t n = std::strlen(reader.kept);
    const size_t copy = n < size ? n : size - 1;
    std::memcpy(buf, reader.kept, copy);
    buf[copy] = '\0';
    std::memmove(reader.kept, reader.kept + n + 1, reader.kept_used - n - 1);
    reader.kept_used -= n + 1;
    return true;
}
} // namespace

void set_input_descriptor(int fd) {
    reader.fd = fd;
    reader.head = reader.tail = 0;
    reader.at_end = false;
    reader.kept_used = 0;
}

bool input_closed() { return reader.at_end && reader.head == reader.tail && reader.kept_used == 0; }

bool input_ended() {
    if (reader.head == reader.tail && reader.kept_used == 0) fill(false);
    return input_closed();
}

bool read_stream_line(char* buf, size_t size) {
    size_t count = 0;
    bool got_any = false;
    for (;;) {
        if (reader.head == reader.tail && !fill(true)) break;
        if (reader.head == reader.tail) continue;
        const char c = reader.buffer[reader.head++];
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
    if (reader.kept_used + n > KEPT_SIZE) return false;
    std::memcpy(reader.kept + reader.kept_used, text, n);
    reader.kept_used += n;
    return true;
}

unsigned stream_pending() {
    if (reader.head == reader.tail) fill(false);
    if (reader.head != reader.tail) return static_cast<unsigned>(reader.tail - reader.head);
    return reader.at_end ? 1 : 0;
}

unsigned input_pending() {
    if (reader.kept_used) return static_cast<unsigned>(reader.kept_used);
    return stream_pending();
}
