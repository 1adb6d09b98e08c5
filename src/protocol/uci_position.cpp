// UCI positions: "position startpos|fen ... [moves ...]" and the following of the game, so
// that a list that continues the engine's game keeps the search tables and the book.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "board/fen.h"
#include "board/history.h"
#include "board/make_move.h"
#include "game/book.h"
#include "game/game.h"
#include "game/polyglot_book.h"
#include "protocol/uci.h"
#include "protocol/uci_internal.h"
#include "movegen/notation.h"

namespace {

// Six FEN fields joined by single spaces take at most 95 characters.
constexpr size_t FEN_SIZE = 128;
// A move list that leaves the engine's game only in its last plies (after a ponder miss,
// or a step back in an analysis interface) is followed by taking those plies back.
constexpr int MAX_TAKE_BACK = 2;
constexpr const char* START_BOARD = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR";

// How the engine's game began and the moves of the "position" line being followed.
struct GameFollowing {
    char start[FEN_SIZE]; // "startpos" or a FEN
    // The game before a new one was set up, so that a refused move list can leave it in place.
    char saved_start[FEN_SIZE];
    Move saved_moves[GAME_PLY_LIMIT];
    char* move_words[UCI_LINE_SIZE / 2];
    bool too_long; // why the last move list was refused
};
GameFollowing following = {"startpos", {}, {}, {}, false};

bool refuse(const char* text, const char* detail = "") {
    uci_say(text, detail);
    return false;
}

// The .obk book holds games from the start position only, and only while the option is on.
// A Polyglot book holds positions, so it may answer a set-up position too.
void apply_book_preference(bool from_start) {
    if (!uci_options.own_book || uci_options.analyse_mode || (!from_start && !book_file_named()))
        game.state.book.in_use = 0;
}

// A new game from "startpos" or a FEN the engine has accepted.
void set_up(const char* start) {
    const bool from_start = std::strcmp(start, "startpos") == 0;
    new_game(from_start ? start_fen : start);
    apply_book_preference(from_start);
    if (start != following.start)
        std::snprintf(following.start, sizeof following.start, "%s", start);
}

// Coordinate text: two squares and, for a promotion, the piece letter. Made lower case.
bool normalise_move_word(char* word) {
    const size_t n = std::strlen(word);
    if (n != 4 && n != 5) return false;
    for (size_t i = 0; i < n; ++i)
        word[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(word[i])));
    return true;
}

// Same squares and the same promotion letter (none for a four-character word).
bool move_matches(Move move, const char* word) {
    char text[6];
    move_to_game_text(game.position, move, CastlingStyle::KING_TAKES_ROOK, text);
    return !std::strcmp(text, word);
}

void make_game_move(Move move) {
    Undo undo;
    make_move(game.position, move, undo);
}

void take_back_last_move() {
    Position& pos = game.position;
    unmake_move(pos, game.position.history.entry[pos.ply - 1].move,
                game.position.history.entry[pos.ply].undo);
}

// Plays following.move_words[first, last) on the game. On a word that is no legal move it takes
// back what it played and returns that word's index; -1 when all were played.
int play_words(int first, int last) {
    for (int i = first; i < last; ++i) {
        following.too_long = at_ply_limit(game.position);
        const Move move =
            following.too_long ? MOVE_NONE : parse_move(game.position, following.move_words[i]);
        if (move == MOVE_NONE) {
            for (int k = i; k > first; --k) take_back_last_move();
            return i;
        }
        make_game_move(move);
    }
    return -1;
}

bool refuse_move(int index) {
    if (following.too_long)
        return refuse("position refused: the game is longer than the engine can follow");
    return refuse("position refused: illegal move ", following.move_words[index]);
}

// Enters the game's moves from first_ply on into the book's game line. Called only once a
// whole list has been accepted, so a refused list leaves no trace there.
void record_game_for_book(uint32_t first_ply) {
    for (uint32_t p = first_ply; p < game.position.ply && game.state.book.in_use; ++p) {
        char text[6];
        move_to_text(game.position.history.entry[p].move, text);
        record_book_move(game.state.book, p, text);
    }
}

// The standard start position written as a FEN is the start position: the book applies.
bool is_start_position(char** f, int n) {
    return n >= 3 && !std::strcmp(f[0], START_BOARD) && !std::strcmp(f[1], "w") &&
           !std::strcmp(f[2], "KQkq") && (n < 4 || !std::strcmp(f[3], "-")) &&
           (n < 5 || !std::strcmp(f[4], "0"));
}

// Brings the engine's game to start + following.move_words[0, count).
bool follow_game(const char* start, int count) {
    Position& pos = game.position;
    const int have = static_cast<int>(pos.ply - game.position.history.setup_ply);
    if (!std::strcmp(start, following.start)) {
        int common = 0;
        while (
            common < have && common < count &&
            move_matches(game.position.history.entry[game.position.history.setup_ply + common].move,
                         following.move_words[common]))
            ++common;
        const int back = have - common;
        if (back <= MAX_TAKE_BACK) {
            Move taken[MAX_TAKE_BACK];
            for (int i = 0; i < back; ++i) {
                taken[i] = game.position.history.entry[pos.ply - 1].move;
                take_back_last_move();
            }
            const int bad = play_words(common, count);
            if (bad >= 0) {
                for (int i = back - 1; i >= 0; --i) make_game_move(taken[i]);
                return refuse_move(bad);
            }
            // The book only narrows: after a take-back it cannot follow the game again.
            if (back > 0) game.state.book.in_use = 0;
            record_game_for_book(game.position.history.setup_ply + static_cast<uint32_t>(common));
            return true;
        }
    }

    // A new game. The old one is kept so that a refused list can leave it in place.
    for (int i = 0; i < have; ++i)
        following.saved_moves[i] =
            game.position.history.entry[game.position.history.setup_ply + i].move;
    std::snprintf(following.saved_start, sizeof following.saved_start, "%s", following.start);
    set_up(start);
    const int bad = play_words(0, count);
    if (bad >= 0) {
        set_up(following.saved_start);
        for (int i = 0; i < have; ++i) make_game_move(following.saved_moves[i]);
        record_game_for_book(game.position.history.setup_ply);
        return refuse_move(bad);
    }
    record_game_for_book(game.position.history.setup_ply);
    return true;
}

} // namespace

void uci_new_game() { set_up("startpos"); }

bool uci_position(char* args) {
    char* cursor = args;
    char* word = next_word(cursor, UCI_WORDS);
    char start[FEN_SIZE];
    if (word && !std::strcmp(word, "startpos")) {
        std::strcpy(start, "startpos");
        word = next_word(cursor, UCI_WORDS);
    } else if (word && !std::strcmp(word, "fen")) {
        char* fields[6];
        int n = 0;
        start[0] = '\0';
        while ((word = next_word(cursor, UCI_WORDS)) && std::strcmp(word, "moves")) {
            if (n == 6 || !append_word(start, sizeof start, word))
                return refuse("position refused: malformed FEN");
            fields[n++] = word;
        }
        if (!fen_is_well_formed(start, game.chess960))
            return refuse("position refused: malformed FEN");
        if (is_start_position(fields, n))
            std::strcpy(start, "startpos");
        else if (!fen_is_playable(start, game.chess960))
            return refuse("position refused: the engine cannot play this FEN");
    } else {
        return refuse("position refused: startpos or fen expected");
    }
    int count = 0;
    if (word) {
        if (std::strcmp(word, "moves")) return refuse("position refused: unexpected word ", word);
        while ((word = next_word(cursor, UCI_WORDS))) {
            if (!normalise_move_word(word)) return refuse("position refused: illegal move ", word);
            following.move_words[count++] = word;
        }
    }
    return follow_game(start, count);
}
