// What the fuzz targets share: the process set-up (a private working directory, standard
// output thrown away or kept in a memory file), the fresh engine each input starts from,
// the input fed through a pipe as an interface would send it, and the checks of the game.
//
// A check that fails prints what broke and aborts, which libFuzzer records as a crash
// with the input that caused it.
#pragma once

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>

#include "board/history.h"
#include "board/make_move.h"
#include "board/setup.h"
#include "game/book.h"
#include "game/game.h"
#include "game/think.h"
#include "movegen/movegen.h"
#include "protocol/uci_internal.h"
#include "search/front_end.h"
#include "search/search_state.h"
#include "io/input.h"
#include "io/output.h"
#include "io/platform.h"

namespace fuzz {

// Enough for a few iterations and one poll of the input, little enough for thousands of
// inputs a second under the sanitizers.
constexpr uint32_t NODE_CAP = 200;
// A pipe holds 64 KiB before a writer blocks; inputs are cut below that.
constexpr size_t MAX_INPUT = 60000;

inline void check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

inline void write_file(const char* name, std::string_view text) {
    FILE* f = std::fopen(name, "wb");
    check(f && std::fwrite(text.data(), 1, text.size(), f) == text.size(),
          "cannot write a file in the work directory");
    std::fclose(f);
}

inline std::string work_directory;
// The handler libFuzzer installed for SIGINT: the XBoard loop ignores the signal, and each
// input gets it back.
inline struct sigaction fuzzer_sigint;

// Once per process: what main does before its loop, in a private working directory (the
// book, the console's log file and "load" look there), under TMPDIR when it is set
// (tools/fuzz.sh points it at a scratch directory it removes also after a crash).
inline void start_process(bool quiet_output = true) {
    c_srand(1);
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/kelvorante-fuzz-XXXXXX";
    check(mkdtemp(dir.data()) && chdir(dir.c_str()) == 0, "make the work directory");
    work_directory = dir;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(work_directory, ignored);
    });
    const int fd = quiet_output ? open("/dev/null", O_WRONLY) : memfd_create("output", 0);
    check(fd >= 0 && dup2(fd, 1) == 1, "standard output away");
    close(fd);
    sigaction(SIGINT, nullptr, &fuzzer_sigint);
    search_state.node_cap = NODE_CAP;
    new_game(start_fen);
}

// What the engine printed since the last call, when standard output is the memory file
// (quiet_output false), NUL-terminated and cut at 1 MiB; the file starts empty again.
inline const char* take_output() {
    static char output[1 << 20];
    std::fflush(stdout);
    const off_t size = lseek(1, 0, SEEK_CUR);
    const size_t n = size > 0 ? std::min(static_cast<size_t>(size), sizeof output - 1) : 0;
    const ssize_t got = pread(1, output, n, 0);
    output[got > 0 ? got : 0] = '\0';
    check(ftruncate(1, 0) == 0 && lseek(1, 0, SEEK_SET) == 0, "reset the output file");
    return output;
}

// Every input starts from the engine as a new process has it after main's set-up.
inline void restart_engine() {
    sigaction(SIGINT, &fuzzer_sigint, nullptr);
    reset_output();
    c_srand(12345);
    uci_options = UciOptions{true, false};
    front_end = FrontEnd{};
    game.state = GameState{};
    game.analysing = game.cancelled = game.ponder_saw_mate = game.chess960 = false;
    game.may_resign = true;
    search_state = SearchState{};
    search_state.node_cap = NODE_CAP;
    check(new_game(start_fen), "the start position is refused");
}

// The input as an interface sends it: through a pipe that the reader owns, closed after
// the last byte so that the end of input is seen. Returns the reading end.
inline int feed_input(const uint8_t* data, size_t size) {
    int fds[2];
    check(pipe(fds) == 0, "pipe");
    size = std::min(size, MAX_INPUT);
    for (size_t done = 0; done < size;) {
        const ssize_t n = write(fds[1], data + done, size - done);
        check(n > 0, "write to the pipe");
        done += static_cast<size_t>(n);
    }
    close(fds[1]);
    set_input_descriptor(fds[0]);
    return fds[0];
}

// The game on the board is sound: every incremental field agrees with the board, the
// history holds the game from its set-up (each move legal where it was played, each key
// the key of the position it belongs to), taking it all back leaves the set-up position
// with no move on the board, and playing it again gives the very same record.
inline void check_game() {
    Position& pos = game.position;
    const uint32_t setup = pos.history.setup_ply, end = pos.ply;
    check(pos_ok(pos), "pos_ok on the game position");
    check(setup <= end && end <= static_cast<uint32_t>(GAME_PLY_LIMIT),
          "the game is shorter than its set-up or longer than the ply limit");
    // The board part of the record and the history of the game's plies (the entries past
    // its end are the search's scratch).
    static Position before;
    static HistoryEntry history[HISTORY_SIZE];
    std::memcpy(static_cast<void*>(&before), &pos, POSITION_BOARD_BYTES);
    std::copy(pos.history.entry + setup, pos.history.entry + end + 1, history + setup);
    for (uint32_t ply = end; ply > setup; --ply) {
        check(pos.history.entry[ply].key == pos.key, "a history key is not its position's");
        check(pos.history.entry[ply - 1].move != MOVE_NONE, "the history lacks a game move");
        unmake_move(pos, pos.history.entry[ply - 1].move, pos.history.entry[ply].undo);
    }
    check(pos.ply == setup && pos.history.entry[setup].key == pos.key && pos_ok(pos),
          "taking back the game does not reach its set-up");
    for (int s = 0; s < 256; ++s)
        check(pos.square_touches[s] == 0, "a square is touched by no move on the board");
    for (uint32_t ply = setup; ply < end; ++ply) {
        check(is_legal_move(pos, history[ply].move), "the game holds an illegal move");
        Undo undo;
        make_move(pos, history[ply].move, undo);
        check(pos.key == history[ply + 1].key, "a replayed move gives another key");
    }
    check(std::memcmp(&before, &pos, POSITION_BOARD_BYTES) == 0,
          "replaying the game gives another record");
}

} // namespace fuzz
