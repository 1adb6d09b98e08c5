#include "shell/input.h"

#include <cerrno>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {
constexpr size_t BUFFER_SIZE = 65536;
char buffer[BUFFER_SIZE];
size_t head = 0, tail = 0;
bool at_end = false;
int input_fd = 0;

// Refill the buffer; false at end of input or on a read error.
bool refill() {
    if (at_end) return false;
    head = tail = 0;
    for (;;) {
        ssize_t n = read(input_fd, buffer, BUFFER_SIZE);
        if (n > 0) {
            tail = static_cast<size_t>(n);
            return true;
        }
        if (n < 0 && errno == EINTR) continue;
        at_end = true;
        return false;
    }
}
} // namespace

void set_input_descriptor(int fd) {
    input_fd = fd;
    head = tail = 0;
    at_end = false;
}

bool input_closed() { return at_end && head == tail; }

bool read_line(char* buf, size_t size) {
    size_t count = 0;
    bool got_any = false;
    for (;;) {
        if (head == tail && !refill()) break;
        char c = buffer[head++];
        got_any = true;
        if (c == '\n') break;
        if (count + 1 < size) buf[count++] = c;
    }
    if (count > 0 && buf[count - 1] == '\r') --count;
    if (size > 0) buf[count] = '\0';
    return got_any;
}

unsigned input_pending() {
    if (head != tail) return static_cast<unsigned>(tail - head);
    if (at_end) return 1;
    pollfd p{input_fd, POLLIN, 0};
    int r = poll(&p, 1, 0);
    if (r < 0) return 1;
    if (r == 0) return 0;
    int bytes = 0;
    if (ioctl(input_fd, FIONREAD, &bytes) == 0 && bytes > 0) return static_cast<unsigned>(bytes);
    return 1; // end of input or an error: the next read tells
}
