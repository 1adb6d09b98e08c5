// Progress lines of the three dialects, byte for byte.
#include <gtest/gtest.h>

#include "game/think.h"
#include "search/quiesce.h"
#include "search/report.h"
#include "search/root.h"
#include "search/search_helpers.h"
#include "shell/notation.h"
#include "shell/platform.h"
#include "shell/settings.h"

namespace {

Move mv(const char* text) {
    return make_move_word(text_to_square(text), text_to_square(text + 2));
}

class Report : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(reset_engine("4k3/8/8/8/8/8/8/4K3 w - - 0 1"));
        pv_table[0][0] = mv("e2e4");
        pv_table[0][1] = mv("e7e5");
        pv_table[0][2] = MOVE_NONE;
        node_count = 40000;
    }
    void TearDown() override {
        protocol_mode = MODE_CONSOLE;
        pondering = 0;
    }
    std::string line(int depth, int score) {
        search_start_ms = tick_ms() - 1500;
        start_capture();
        report_progress(depth, score);
        return finish_capture();
    }
};

TEST_F(Report, XBoardThinkingOutput) {
    protocol_mode = MODE_XBOARD;
    EXPECT_EQ(line(5, 23), "5 23 150 40000 e2e4 e7e5 \n");
    pondering = 1;
    pondered_move = mv("e7e5");
    EXPECT_EQ(line(5, 23), "5 23 150 40000 (e7e5) e2e4 e7e5 \n");
    pondering = 0;
    EXPECT_EQ(line(12, -40), "12 -40 150 40000 e2e4 e7e5 \n");
}

TEST_F(Report, UciInfoLine) {
    protocol_mode = MODE_UCI;
    EXPECT_EQ(line(5, 23), "info depth 5 score cp 23 nodes 40000 pv e2e4 e7e5  currmove e2e4\n");
    // A mate is a plain centipawn number.
    EXPECT_EQ(line(3, 999997),
              "info depth 3 score cp 999997 nodes 40000 pv e2e4 e7e5  currmove e2e4\n");
}

TEST_F(Report, ConsoleLine) {
    protocol_mode = MODE_CONSOLE;
    EXPECT_EQ(line(5, -150), "Depth:5 Nodes:40000 Value:-1.50 e2e4-e7e5-\n");
    EXPECT_EQ(line(5, 23), "Depth:5 Nodes:40000 Value:+0.23 e2e4-e7e5-\n");
    EXPECT_EQ(line(3, 999997), "Depth:3 Nodes:40000 Value:+9999.97 e2e4-e7e5-\n");
}

TEST_F(Report, PromotionsAreShownWithoutTheirLetter) {
    pv_table[0][0] = make_move_word(text_to_square("e7"), text_to_square("e8"), 0, QUEEN);
    pv_table[0][1] = MOVE_NONE;
    protocol_mode = MODE_XBOARD;
    EXPECT_EQ(line(1, 900), "1 900 150 40000 e7e8 \n");
    protocol_mode = MODE_UCI;
    EXPECT_EQ(line(1, 900), "info depth 1 score cp 900 nodes 40000 pv e7e8  currmove e7e8\n");
}

TEST_F(Report, LongUciLinesAreCutAtTheirBuffer) {
    for (int i = 0; i < MAX_PLY; ++i) pv_table[0][i] = mv(i % 2 ? "e7e5" : "e2e4");
    pv_table[0][MAX_PLY] = MOVE_NONE;
    protocol_mode = MODE_UCI;
    const std::string out = line(20, 0);
    const size_t pv = out.find(" pv ") + 4, cur = out.find(" currmove ");
    ASSERT_NE(cur, std::string::npos);
    EXPECT_LE(cur - pv, 255u);
    EXPECT_EQ(out.substr(out.size() - 5), "e2e4\n");
}

} // namespace
