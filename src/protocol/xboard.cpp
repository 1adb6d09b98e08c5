#include "protocol/xboard.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/make_move.h"
#include "game/book.h"
#include "game/new_game.h"
#include "game/think.h"
#include "movegen/movegen.h"
#include "search/quiesce.h"
#include "search/root.h"
#include "shell/console.h"
#include "shell/input.h"
#include "shell/notation.h"
#include "shell/platform.h"
#include "shell/settings.h"

namespace {

constexpr size_t LINE_SIZE = 256;
// Thinking on the opponent's time is only worth reusing after this long; a shorter ponder
// is cheaper to redo than to trust.
constexpr uint32_t PONDER_HIT_MIN_MS = 60000;
// The clock is multiplied by 10 (centiseconds to milliseconds) in 32 bits.
constexpr long CLOCK_CS_LIMIT = 100000000;
// Longest fixed time per move that "st" accepts; the time checks stretch it by a few
// multiples, which must stay inside 32 bits.
constexpr long MOVETIME_LIMIT_S = 3600;

// Words GUIs send that this front end has no use for and for which an error reply would
// only be noise in the interface's log.
const char* const SILENT_WORDS[] = {"xboard", "rejected", "nopost", "name", "rating",
                                    "ics",    "hint",     "bk",     "nps",  "memory",
                                    "cores",  "egtpath",  "option", "exit", "."};

void print_flushed(const char* format, const char* text) {
    std::printf(format, text);
    std::fflush(stdout);
}

bool is_silent_word(const char* word) {
    for (const char* w : SILENT_WORDS)
        if (!std::strcmp(word, w)) return true;
    return false;
}

// Two squares and an optional promotion letter, nothing else.
bool has_move_form(const char* word) {
    for (int i = 0; i < 4; i += 2)
        if (word[i] < 'a' || word[i] > 'h' || word[i + 1] < '1' || word[i + 1] > '8') return false;
    if (!word[4]) return true;
    return std::strchr("qrbn", word[4]) && !word[5];
}

// The first word of a line is terminated in place; *rest points at the next word, or
// nullptr when the line has no further word.
char* split_first_word(char* line, char** rest) {
    char* p = line;
    while (*p == ' ') ++p;
    *rest = nullptr;
    if (!*p) return nullptr;
    char* word = p;
    while (*p && *p != ' ') ++p;
    if (*p) {
        *p++ = '\0';
        while (*p == ' ') ++p;
        if (*p) *rest = p;
    }
    return word;
}

// The first word of text copied into out (at most size - 1 characters).
void copy_word(const char* text, char* out, size_t size) {
    size_t n = 0;
    while (text[n] && text[n] != ' ' && n + 1 < size) {
        out[n] = text[n];
        ++n;
    }
    out[n] = '\0';
}

long clamped(long value, long low, long high) {
    return value < low ? low : value > high ? high : value;
}

void missing_argument(const char* command) {
    print_flushed("Error (missing argument): %s\n", command);
}

void set_board(const char* fen) {
    if (!fen) {
        missing_argument("setboard");
        return;
    }
    if (!set_position(fen)) {
        std::printf("tellusererror Illegal position\n");
        std::fflush(stdout);
    }
}

void set_clock(const char* arg) {
    if (!arg) {
        missing_argument("time");
        return;
    }
    engine_clock_cs =
        static_cast<int32_t>(clamped(std::atol(arg), -CLOCK_CS_LIMIT, CLOCK_CS_LIMIT));
    clock_given = true;
}

void set_depth_limit(const char* arg) {
    if (!arg) {
        missing_argument("sd");
        return;
    }
    search_limits.depth = static_cast<int>(clamped(std::atol(arg), 0, MAX_PLY - 1));
}

void set_time_per_move(const char* arg) {
    if (!arg) {
        missing_argument("st");
        return;
    }
    search_limits.movetime_ms =
        static_cast<int32_t>(clamped(std::atol(arg), 0, MOVETIME_LIMIT_S) * 1000);
}

void answer_ping(const char* arg) {
    char number[32];
    copy_word(arg ? arg : "", number, sizeof number);
    print_flushed("pong %s\n", number);
}

// The engine's reply from the thinking on the opponent's time, if that thinking can be
// used. Returns false when a normal search must decide instead.
bool answer_from_ponder(Position& pos, Move move, uint32_t now) {
    if (ponder_saw_mate || !same_move(move, pondered_move) ||
        now - ponder_start_ms <= PONDER_HIT_MIN_MS)
        return false;
    if (game_result == RESULT_FIFTY) {
        print_flushed("%s", "1/2-1/2 {Kelvorante saw Draw by 50 move rule}\n");
        return true;
    }
    if (game_result == RESULT_STALEMATE) {
        print_flushed("%s", "1/2-1/2 {Kelvorante saw Stalemate}\n");
        return true;
    }
    const Move reply = pv_table[0][0];
    // An interrupted ponder may have left no line for this position: search instead.
    if (reply == MOVE_NONE || !is_legal_move(pos, reply)) return false;
    char text[6] = "     ";
    move_to_text(reply, text);
    Undo undo;
    make_move(pos, reply, undo);
    announce_move(pos, reply, text);
    return true;
}

} // namespace

void parse_level(const char* args) {
    if (!args) {
        missing_argument("level");
        return;
    }
    const int n = std::atoi(args);
    if (n != 0) {
        // Kept to 8 bits: 256 moves per control becomes 0, which the allotment treats
        // like a whole game on the clock.
        moves_per_control = static_cast<uint8_t>(n);
        time_control_kind = 1;
    } else {
        moves_per_control = 30;
        time_control_kind = 0;
    }
    // A conventional control replaces a fixed time per move from an earlier "st".
    search_limits.movetime_ms = 0;
}

void xboard_opponent_move(Position& pos, const char* word, int force) {
    const uint32_t now = tick_ms();
    const Move move = text_to_move(pos, word);
    // Past the history's limit no move is taken, so the search never starts from a
    // position the game does not hold. A promotion letter must name the promotion made.
    if (!has_move_form(word) || pos.ply >= GAME_PLY_LIMIT || !is_legal_move(pos, move) ||
        promotion_letter(move) != word[4]) {
        print_flushed("Illegal move: %s\n", word);
        return;
    }
    if (use_book) record_book_move(pos.ply, word);
    Undo undo;
    make_move(pos, move, undo);

    // The thinking on the opponent's time belonged to the position before this move; it
    // can be used for this move only, and only outside force mode.
    const bool was_pondering = pondering != 0;
    pondering = 0;
    if (pos.fifty > 100) {
        print_flushed("%s", "1/2-1/2 {Kelvorante saw Draw by 50 move rule}\n");
        return;
    }
    if (force) return;
    engine_playing = 1;
    if (was_pondering && answer_from_ponder(pos, move, now)) return;
    game_result = RESULT_NONE;
    think(pos);
}

void xboard_loop() {
    char line[LINE_SIZE];
    uint8_t force_mode = 0;
    // XBoard interrupts its engines with SIGINT when it sends a move unless they declare
    // otherwise; the default action would end the engine. Waiting input already stops a
    // search, so the signal itself is not needed.
    std::signal(SIGINT, SIG_IGN);
    std::printf("\n");
    std::fflush(stdout);
    // The end of input ends the dialogue like "quit": a GUI that has gone away is not
    // waited for.
    while (read_line(line, sizeof line)) {
        char* rest;
        char* word = split_first_word(line, &rest);
        if (!word) continue;
        if (!std::strcmp(word, "quit")) {
            return;
        } else if (!std::strcmp(word, "protover")) {
            std::printf("feature setboard=1 playother=1 myname=\"Kelvorante 2.4\" done=1\n");
            std::fflush(stdout);
        } else if (!std::strcmp(word, "go")) {
            if (engine_playing) continue;
            engine_playing = 1;
            force_mode = 0;
            pondering = 0;
            think(game_position);
        } else if (!std::strcmp(word, "playother") || !std::strcmp(word, "accepted")) {
            continue;
        } else if (!std::strcmp(word, "new")) {
            set_position(start_fen);
        } else if (!std::strcmp(word, "random")) {
            continue;
        } else if (!std::strcmp(word, "level")) {
            parse_level(rest);
        } else if (!std::strcmp(word, "post")) {
            continue;
        } else if (!std::strcmp(word, "hard")) {
            ponder_enabled = 1;
        } else if (!std::strcmp(word, "easy")) {
            ponder_enabled = 0;
        } else if (!std::strcmp(word, "time")) {
            set_clock(rest);
        } else if (!std::strcmp(word, "otim")) {
            continue;
        } else if (!std::strcmp(word, "setboard")) {
            set_board(rest);
        } else if (!std::strcmp(word, "force")) {
            force_mode = 1;
        } else if (!std::strcmp(word, "computer") || !std::strcmp(word, "black") ||
                   !std::strcmp(word, "white")) {
            continue;
        } else if (!std::strcmp(word, "?")) {
            // A search in progress has already been stopped by this line's arrival.
            continue;
        } else if (!std::strcmp(word, "remove")) {
            remove_two_plies(game_position);
            pondering = 0;
        } else if (!std::strcmp(word, "result") || !std::strcmp(word, "undo") ||
                   !std::strcmp(word, "draw")) {
            continue;
        } else if (!std::strcmp(word, "ping")) {
            answer_ping(rest);
        } else if (!std::strcmp(word, "sd")) {
            set_depth_limit(rest);
        } else if (!std::strcmp(word, "st")) {
            set_time_per_move(rest);
        } else if (is_silent_word(word)) {
            continue;
        } else if (has_move_form(word)) {
            xboard_opponent_move(game_position, word, force_mode);
        } else {
            print_flushed("Error (unknown command): %s\n", word);
        }
    }
}
