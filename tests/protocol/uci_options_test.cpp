// The tables that "Hash" sizes and "Clear Hash" empties, driven through the UCI dialogue in
// this process: a search after Clear Hash, after a new game, and with the tables resized
// and brought back to their default, visits exactly the same nodes; a search on small tables
// still gives a legal move.
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

#include "helpers.h"
#include "io/input.h"
#include "movegen/movegen.h"
#include "protocol/uci.h"
#include "search/tables.h"
#include "search/tt.h"

namespace {

constexpr char MIDDLEGAME[] =
    "position fen r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP2BPPP/R2QKB1R w KQ - 0 8";

void uci(const std::string& text) {
    std::string copy = text;
    output_of([&] { uci_command(copy.data()); });
}

// Nodes of "go depth 7" from the middlegame.
uint32_t nodes_of_search() {
    uci(MIDDLEGAME);
    uci("go depth 7");
    return search_state.nodes;
}

TEST(UciOptions, ClearHashAndResizedTablesSearchAsANewGame) {
    // The searches read an interface that stays silent: a pipe nobody writes to.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    set_input_descriptor(fds[0]);
    ASSERT_TRUE(reset_engine(start_fen));
    output_of([] { uci_begin(); });
    uci("ucinewgame");
    const uint32_t fresh = nodes_of_search();
    ASSERT_GT(fresh, 0u);
    EXPECT_NE(nodes_of_search(), fresh) << "a second search profits from the first";

    uci("setoption name Clear Hash");
    EXPECT_EQ(nodes_of_search(), fresh) << "Clear Hash";
    uci("setoption name clear hash value whatever");
    EXPECT_EQ(nodes_of_search(), fresh) << "a button with a value";

    uci("setoption name Hash value 1");
    EXPECT_EQ(hash_megabytes(), 1);
    EXPECT_EQ(hash_entries, 25000u);
    nodes_of_search();
    EXPECT_GT(hash_permille(), 0);
    uci("setoption name HASH value 99999999999");
    EXPECT_EQ(hash_megabytes(), MAX_HASH_MB) << "clamped";
    uci("setoption name Hash value 0");
    EXPECT_EQ(hash_megabytes(), MIN_HASH_MB) << "clamped";
    uci("setoption name Hash value 80");
    EXPECT_EQ(hash_entries, HASH_ENTRIES);
    EXPECT_EQ(nodes_of_search(), fresh) << "back to the built-in tables, all clear";
    uci("ucinewgame");
    EXPECT_EQ(hash_permille(), 0);
    EXPECT_EQ(nodes_of_search(), fresh) << "ucinewgame";
    set_input_descriptor(0);
    close(fds[0]);
    close(fds[1]);
    ASSERT_TRUE(reset_engine(start_fen));
}

} // namespace
