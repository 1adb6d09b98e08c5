#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

#include "io/input.h"

namespace {
// Feeds text through a pipe into the line reader.
struct PipeInput {
    int fds[2];
    explicit PipeInput(const std::string& text, bool close_after = true) {
        EXPECT_EQ(pipe(fds), 0);
        EXPECT_EQ(write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
        if (close_after) close_write();
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
} // namespace

TEST(Input, LinesAreCutAtTheBufferAndTheRestDropped) {
    PipeInput in("abcd\nabcde\r\nnext\nlast");
    char buf[5];
    ASSERT_TRUE(read_line(buf, sizeof buf));
    EXPECT_STREQ(buf, "abcd"); // size - 1 characters fit whole
    ASSERT_TRUE(read_line(buf, sizeof buf));
    EXPECT_STREQ(buf, "abcd"); // one more is dropped
    ASSERT_TRUE(read_line(buf, sizeof buf));
    EXPECT_STREQ(buf, "next");
    ASSERT_TRUE(read_line(buf, sizeof buf));
    EXPECT_STREQ(buf, "last"); // a last line without a line feed still counts
    EXPECT_FALSE(read_line(buf, sizeof buf));
    EXPECT_STREQ(buf, "");
    EXPECT_TRUE(input_closed());
}

TEST(Input, CarriageReturnOnlyBeforeTheLineFeedIsDropped) {
    PipeInput in("go\r\na\rb\n");
    char buf[64];
    ASSERT_TRUE(read_line(buf, sizeof buf));
    EXPECT_STREQ(buf, "go");
    ASSERT_TRUE(read_line(buf, sizeof buf));
    EXPECT_STREQ(buf, "a\rb");
}

TEST(Input, PendingSeesBufferedLinesAndLeavesThemInPlace) {
    PipeInput in("first\nsecond\n", false);
    EXPECT_NE(input_pending(), 0u);
    char buf[64];
    ASSERT_TRUE(read_line(buf, sizeof buf));
    // Both lines arrived together and were read into the buffer at once: the second
    // must still count as waiting input.
    EXPECT_NE(input_pending(), 0u);
    EXPECT_NE(input_pending(), 0u);
    ASSERT_TRUE(read_line(buf, sizeof buf));
    EXPECT_STREQ(buf, "second");
    EXPECT_EQ(input_pending(), 0u); // nothing waiting, the writer still open
    in.close_write();
    EXPECT_NE(input_pending(), 0u); // end of input counts: the next read reports it
    EXPECT_FALSE(read_line(buf, sizeof buf));
}
