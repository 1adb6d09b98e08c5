// The process-wide node cap: every search stops near it, whatever limit the front end set,
// and polls its input once on the way.
#include <gtest/gtest.h>

#include "game/think.h"
#include "search/front_end.h"
#include "search/quiesce.h"
#include "search/search_helpers.h"
#include "search/search_state.h"
#include "game/settings.h"

namespace {

int polls;
bool counting_hook() {
    ++polls;
    return false;
}

struct CapGuard {
    ~CapGuard() {
        search_state.node_cap = 0;
        front_end.should_stop = nullptr;
        search_state.limits = SearchLimits{};
    }
};

TEST(SearchState, NodeCapBoundsEverySearchAndPollsOnce) {
    CapGuard guard;
    const struct {
        uint32_t front_end_limit, expected_limit;
    } cases[] = {{0, 300}, {5000, 300}, {100, 100}};
    for (const auto& c : cases) {
        ASSERT_TRUE(
            reset_engine("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3"));
        search_state.node_cap = 300;
        front_end.should_stop = counting_hook;
        polls = 0;
        search_state.limits = SearchLimits{};
        search_state.limits.untimed = true;
        search_state.limits.nodes = c.front_end_limit;
        pondering = 0;
        analysing = true; // searches without playing the move
        think(game_position);
        analysing = false;
        EXPECT_EQ(search_state.limits.nodes, c.expected_limit) << c.front_end_limit;
        EXPECT_LT(search_state.nodes, 20000u) << c.front_end_limit;
        EXPECT_EQ(polls, 1) << c.front_end_limit;
    }
    // Without a cap the front end's limit stands and nothing polls before POLL_INTERVAL.
    ASSERT_TRUE(reset_engine(start_fen));
    search_state.node_cap = 0;
    polls = 0;
    front_end.should_stop = counting_hook;
    search_state.limits = SearchLimits{};
    search_state.limits.untimed = true;
    search_state.limits.nodes = 1000;
    analysing = true;
    think(game_position);
    analysing = false;
    EXPECT_EQ(search_state.limits.nodes, 1000u);
    EXPECT_EQ(polls, 0);
}

} // namespace
