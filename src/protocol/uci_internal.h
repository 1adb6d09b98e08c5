// What the three parts of the UCI front end share: the loop and options (uci.cpp), the
// positions and the following of the game (uci_position.cpp) and the search control with
// its progress lines (uci_go.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

#include "io/tokens.h"

constexpr Separators UCI_WORDS = Separators::SPACES_AND_TABS;
// One "position" line carries the whole game: 2,000 plies take about 10,000 characters.
constexpr size_t UCI_LINE_SIZE = 65536;

// A whole number, perhaps signed: digits only after the sign.
bool is_number(const char* word);

// "info string <text><detail>", the detail cut to its start (a garbage word may be long).
void uci_say(const char* text, const char* detail = "");

struct UciOptions {
    bool own_book;     // OwnBook, applied at every new game
    bool ponder;       // Ponder: the move line also names the expected reply
    bool analyse_mode; // UCI_AnalyseMode: the interface analyses, the book stays shut
    int multipv;       // MultiPV: lines per search
};
extern UciOptions uci_options;

// "go" with the words after it. Returns false when the dialogue must end ("quit" or the
// end of input arrived during the search).
bool uci_go(char* args);
// Sets the search's hooks for the dialogue.
void uci_install_hooks();
