// The UCI dialogue's loop: identification, options and the dispatch of each line.
#include "protocol/uci.h"

#include <cctype>
#include <cstring>

#include "game/game.h"
#include "protocol/results.h"
#include "protocol/uci_internal.h"
#include "search/timeman.h"
#include "io/input.h"
#include "io/output.h"

UciOptions uci_options = {true, false};

namespace {

constexpr size_t OPTION_TEXT_SIZE = 64;

char line[UCI_LINE_SIZE]; // the line the loop works on

bool equal_ignoring_case(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) !=
            std::tolower(static_cast<unsigned char>(*b)))
            return false;
    return *a == *b;
}

void print_identity() {
    send("id name %s\n"
         "id author %s\n"
         "option name OwnBook type check default true\n"
         "option name Ponder type check default false\n"
         "uciok\n",
         UCI_ENGINE_NAME, ENGINE_AUTHOR);
}

bool parse_check_value(const char* value, bool* on) {
    if (equal_ignoring_case(value, "true"))
        *on = true;
    else if (equal_ignoring_case(value, "false"))
        *on = false;
    else
        return false;
    return true;
}

// "setoption name <name> [value <value>]"; a name may have several words.
void set_option(char* args) {
    char* cursor = args;
    char* word = next_word(cursor, UCI_WORDS);
    if (!word || !equal_ignoring_case(word, "name")) return;
    char name[OPTION_TEXT_SIZE] = "", value[OPTION_TEXT_SIZE] = "";
    bool in_value = false, fits = true;
    while ((word = next_word(cursor, UCI_WORDS))) {
        if (!in_value && equal_ignoring_case(word, "value"))
            in_value = true;
        else
            fits = append_word(in_value ? value : name, OPTION_TEXT_SIZE, word) && fits;
    }
    if (!fits) return;
    const bool book = equal_ignoring_case(name, "OwnBook"),
               ponder = equal_ignoring_case(name, "Ponder");
    if (!book && !ponder) return; // Hash and options of other engines
    bool on = false;
    if (!parse_check_value(value, &on)) {
        uci_say(book ? "OwnBook needs true or false, not: " : "Ponder needs true or false, not: ",
                value);
        return;
    }
    if (ponder) {
        uci_options.ponder = on;
    } else {
        // Switching the book on takes effect with the next game: the book cannot pick up a
        // game it has not followed from the start.
        uci_options.own_book = on;
        if (!on) game.state.book.in_use = 0;
    }
}

} // namespace

void uci_say(const char* text, const char* detail) { send("info string %s%.40s\n", text, detail); }

bool uci_command(char* text) {
    const bool cut = std::strlen(text) >= UCI_LINE_SIZE - 1;
    char* cursor = text;
    const char* command = next_word(cursor, UCI_WORDS);
    if (!command) return true;
    if (!std::strcmp(command, "quit")) return false;
    if (!std::strcmp(command, "isready")) {
        send("readyok\n");
    } else if (!std::strcmp(command, "uci")) {
        print_identity();
    } else if (!std::strcmp(command, "setoption")) {
        set_option(cursor);
    } else if (!std::strcmp(command, "ucinewgame")) {
        uci_new_game();
    } else if (!std::strcmp(command, "position")) {
        // A cut line could end at a word boundary and silently lose the last moves.
        if (cut)
            uci_say("position refused: the line is too long");
        else
            uci_position(cursor);
    } else if (!std::strcmp(command, "go")) {
        return uci_go(cursor);
    }
    // Anything else is ignored: "stop" and "ponderhit" with no search running, "debug",
    // "register", words of other dialects, garbage.
    return true;
}

void uci_begin() {
    print_identity();
    clear_engine_clock();
    uci_new_game();
    uci_install_hooks();
}

void uci_loop() {
    uci_begin();
    while (!output_closed() && read_line(line, UCI_LINE_SIZE) && uci_command(line)) {
    }
}
