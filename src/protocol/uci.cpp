// The UCI dialogue's loop: identification, options and the dispatch of each line.
#include "protocol/uci.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "game/game.h"
#include "game/polyglot_book.h"
#include "protocol/book_file.h"
#include "protocol/results.h"
#include "protocol/uci_internal.h"
#include "search/tables.h"
#include "search/timeman.h"
#include "io/input.h"
#include "io/output.h"

UciOptions uci_options = {true, false, false, 1};

namespace {

constexpr size_t OPTION_TEXT_SIZE = 64;
// A string option's value: a path, with its inner blanks as they were sent.
constexpr size_t OPTION_STRING_SIZE = 1024;

char line[UCI_LINE_SIZE]; // the line the loop works on

enum class OptionType { CHECK, SPIN, BUTTON, STRING };

// An option as "uci" lists it and "setoption" sets it: a check's value is 0 or 1, a
// button's is not used; a string option is set through apply_text, and starts empty.
struct UciOption {
    const char* name;
    OptionType type;
    int64_t initial, min, max;
    void (*apply)(int64_t value);
    void (*apply_text)(const char* value);
};

void apply_own_book(int64_t on) {
    // Switching the book on takes effect with the next game: the book cannot pick up a
    // game it has not followed from the start.
    uci_options.own_book = on;
    if (!on) game.state.book.in_use = 0;
}
void apply_ponder(int64_t on) { uci_options.ponder = on; }
void apply_analyse_mode(int64_t on) {
    uci_options.analyse_mode = on;
    if (on) game.state.book.in_use = 0;
}
void apply_hash(int64_t mb) {
    if (!set_hash_megabytes(static_cast<int>(mb)))
        send("info string Hash %lld: not enough memory, the tables keep %d\n",
             static_cast<long long>(mb), hash_megabytes());
}
void apply_clear_hash(int64_t) { clear_search_tables(); }
void apply_threads(int64_t) {}
void apply_multipv(int64_t lines) { uci_options.multipv = static_cast<int>(lines); }
void apply_move_overhead(int64_t ms) { set_move_overhead(static_cast<int32_t>(ms)); }
// The book is read at once, so that a file that cannot be used is reported once, here.
void apply_book_file(const char* path) {
    if (const char* problem = book_file_problem(set_book_file(path)))
        send("info string book %s: %s\n", path, problem);
}
// The rules change with a new game: the next "position" sets one up under them.
void apply_chess960(int64_t on) {
    if (game.chess960 == (on != 0)) return;
    game.chess960 = on != 0;
    uci_new_game();
}

// In the order "uci" lists them; the first two are the engine's oldest.
constexpr UciOption UCI_OPTIONS[] = {
    {"OwnBook", OptionType::CHECK, 1, 0, 1, apply_own_book, nullptr},
    {"Ponder", OptionType::CHECK, 0, 0, 1, apply_ponder, nullptr},
    {"Hash", OptionType::SPIN, DEFAULT_HASH_MB, MIN_HASH_MB, MAX_HASH_MB, apply_hash, nullptr},
    {"Clear Hash", OptionType::BUTTON, 0, 0, 0, apply_clear_hash, nullptr},
    {"MultiPV", OptionType::SPIN, 1, 1, MAX_MULTIPV, apply_multipv, nullptr},
    // One search thread: declared because clients set it on every engine.
    {"Threads", OptionType::SPIN, 1, 1, 1, apply_threads, nullptr},
    {"Move Overhead", OptionType::SPIN, DEFAULT_MOVE_OVERHEAD_MS, 0, 5000, apply_move_overhead,
     nullptr},
    {"UCI_AnalyseMode", OptionType::CHECK, 0, 0, 1, apply_analyse_mode, nullptr},
    {"UCI_Chess960", OptionType::CHECK, 0, 0, 1, apply_chess960, nullptr},
    {"BookFile", OptionType::STRING, 0, 0, 0, nullptr, apply_book_file},
};

void print_identity() {
    send("id name %s\nid author %s\n", UCI_ENGINE_NAME, ENGINE_AUTHOR);
    for (const UciOption& o : UCI_OPTIONS) {
        switch (o.type) {
        case OptionType::CHECK:
            send("option name %s type check default %s\n", o.name, o.initial ? "true" : "false");
            break;
        case OptionType::SPIN:
            send("option name %s type spin default %lld min %lld max %lld\n", o.name,
                 static_cast<long long>(o.initial), static_cast<long long>(o.min),
                 static_cast<long long>(o.max));
            break;
        case OptionType::BUTTON: send("option name %s type button\n", o.name); break;
        case OptionType::STRING:
            send("option name %s type string default <empty>\n", o.name);
            break;
        }
    }
    send("uciok\n");
}

// The value of a check or a spin, a spin clamped to its range; false when unreadable.
bool parse_option_value(const UciOption& o, const char* text, int64_t& value) {
    if (o.type == OptionType::BUTTON) return true;
    if (o.type == OptionType::CHECK) {
        if (!strcasecmp(text, "true"))
            value = 1;
        else if (!strcasecmp(text, "false"))
            value = 0;
        else
            return false;
        return true;
    }
    if (!is_number(text)) return false;
    value = std::strtoll(text, nullptr, 10); // saturates far beyond every range
    value = value < o.min ? o.min : value > o.max ? o.max : value;
    return true;
}

// Where the value of "setoption name <name> value <value>" starts in the line as it was
// sent (the first word "value" after the name), or nullptr when there is none.
const char* value_start(const char* args) {
    const char* p = args;
    bool first = true;
    while (*p) {
        while (*p == ' ' || *p == '\t') ++p;
        const char* word = p;
        while (*p && *p != ' ' && *p != '\t') ++p;
        if (!first && p - word == 5 && !strncasecmp(word, "value", 5)) {
            while (*p == ' ' || *p == '\t') ++p;
            return p;
        }
        first = false;
    }
    return nullptr;
}

// A string option's value: the rest of the line after "value", inner blanks kept, trailing
// ones cut; empty without a value. False when it does not fit.
bool string_value(const char* args, char* out, size_t size) {
    const char* start = value_start(args);
    size_t n = start ? std::strlen(start) : 0;
    while (n > 0 && (start[n - 1] == ' ' || start[n - 1] == '\t')) --n;
    if (n >= size) return false;
    if (n) std::memcpy(out, start, n);
    out[n] = '\0';
    return true;
}

// "setoption name <name> [value <value>]": the name in any case and of several words, the
// value of a button left out or not.
void set_option(char* args) {
    static char text[OPTION_STRING_SIZE];
    const bool text_fits = string_value(args, text, sizeof text);
    char* cursor = args;
    char* word = next_word(cursor, UCI_WORDS);
    if (!word || strcasecmp(word, "name")) {
        uci_say("setoption needs: name <name> [value <value>]");
        return;
    }
    char name[OPTION_TEXT_SIZE] = "", value[OPTION_TEXT_SIZE] = "";
    bool in_value = false, name_fits = true, value_fits = true;
    while ((word = next_word(cursor, UCI_WORDS))) {
        if (!in_value && !strcasecmp(word, "value"))
            in_value = true;
        else if (in_value)
            value_fits = append_word(value, OPTION_TEXT_SIZE, word) && value_fits;
        else
            name_fits = append_word(name, OPTION_TEXT_SIZE, word) && name_fits;
    }
    for (const UciOption& o : UCI_OPTIONS) {
        if (strcasecmp(name, o.name)) continue;
        if (o.type == OptionType::STRING && name_fits && text_fits) {
            o.apply_text(text);
            return;
        }
        int64_t v = 0;
        if (!name_fits || !value_fits || o.type == OptionType::STRING ||
            !parse_option_value(o, value, v)) {
            send("info string invalid value for %s: %.40s\n", o.name, value);
            return;
        }
        o.apply(v);
        return;
    }
    send("info string unknown option %.40s\n", name);
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
