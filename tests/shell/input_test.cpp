// The one reader of standard input: lines cut to the buffer, the carriage return of a CRLF
// dropped, a last line without a line feed, and what counts as waiting input.
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

#include "io/input.h"

namespace {

// Feeds text through a pipe into the line reader; the writing end stays open until closed.
struct PipeInput {
    int fds[2];
    explicit PipeInput(const std::string& text) {
        EXPECT_EQ(pipe(fds), 0);
        EXPECT_EQ(write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
        set_input_descriptor(fds[0]);
    }
    void close_write() {
        if (fds[1] >= 0) close(fds[1]);
        fds[1] = -1;
    }
    ~PipeInput() {
        close_write();
        close(fds[0]);
        set_input_descriptor(0);
    }
};

TEST(Input, LinesAreCutAtTheBufferAndOnlyTheCarriageReturnOfALineEndGoes) {
    PipeInput in("abcd\nabcde\r\ngo\r\na\rb\nlast");
    in.close_write();
    char buf[5]; // four characters fit whole, a fifth and the rest of the line are dropped
    for (const char* line : {"abcd", "abcd", "go", "a\rb", "last"}) {
        ASSERT_TRUE(read_line(buf, sizeof buf));
        EXPECT_STREQ(buf, line);
    }
    EXPECT_FALSE(read_line(buf, sizeof buf));
    EXPECT_STREQ(buf, "");
    EXPECT_TRUE(input_closed());
}

TEST(Input, PendingSeesBufferedLinesAndLeavesThemInPlace) {
    PipeInput in("first\nsecond\n");
    EXPECT_NE(input_pending(), 0u);
    char buf[64];
    ASSERT_TRUE(read_line(buf, sizeof buf));
    // Both lines arrived together and were read into the buffer at once: the second
    // must still count as waiting input, however often asked.
    EXPECT_NE(input_pending(), 0u);
    EXPECT_NE(input_pending(), 0u);
    ASSERT_TRUE(read_line(buf, sizeof buf));
    EXPECT_STREQ(buf, "second");
    EXPECT_EQ(input_pending(), 0u); // nothing waiting, the writer still open
    in.close_write();
    EXPECT_NE(input_pending(), 0u); // end of input counts: the next read reports it
    EXPECT_FALSE(read_line(buf, sizeof buf));
}

} // namespace
