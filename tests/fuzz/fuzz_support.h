// What the fuzz targets share: the process set-up (a private working directory,
// standard output to /dev/null), the fresh engine each input starts from, the input fed
// through a pipe as an interface would send it, and the checks of the game after each line.
//
// A check that fails prints what broke and aborts, which libFuzzer records as a crash
// with the input that caused it.
#pragma once

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

#include "board/history.h"
#include "board/make_move.h"
#include "board/setup.h"
#include "game/book.h"
#include "game/game.h"
#include "game/think.h"
#include "movegen/movegen.h"
#include "movegen/perft.h"
#include "protocol/uci_internal.h"
#include "search/quiesce.h"
#include "search/report.h"
#include "search/search_state.h"
#include "search/timeman.h"
#include "io/input.h"
#include "io/output.h"
#include "io/platform.h"

namespace fuzz {

// Enough for a few iterations and one poll of the input, little enough for thousands of
// inputs a second under the sanitizers.
constexpr uint32_t NODE_CAP = 200;
// A pipe holds 64 KiB before a writer blocks; inputs are cut below that.
constexpr size_t MAX_INPUT = 60000;

[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

inline void check(bool ok, const char* what) {
    if (!ok) fail(what);
}

inline std::string& work_directory() {
    static std::string dir;
    return dir;
}

inline void remove_work_directory() {
    const std::string& dir = work_directory();
    if (dir.empty()) return;
    const std::string command = "rm -rf '" + dir + "'";
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "could not remove %s\n", dir.c_str());
}

inline void write_file(const char* name, const char* text, size_t size) {
    FILE* f = std::fopen(name, "wb");
    check(f != nullptr, "cannot create a file in the work directory");
    check(std::fwrite(text, 1, size, f) == size, "cannot write a file in the work directory");
    std::fclose(f);
}

inline void write_file(const char* name, const char* text) {
    write_file(name, text, std::strlen(text));
}

// The handler libFuzzer installed for SIGINT; the XBoard loop ignores the signal and each
// input gets it back.
inline struct sigaction& fuzzer_sigint() {
    static struct sigaction action;
    return action;
}

// Once per process: what main does before its loop, in a private working directory (the
// book, the console's log file and "load" look there) with standard output thrown away.
inline void start_process(bool quiet_output = true) {
    c_srand(1);
    // Under TMPDIR when it is set (tools/fuzz.sh points it at its scratch directory, which
    // it removes also after a crash).
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kelvorante-fuzz-XXXXXX";
    char* dir = pattern.data();
    check(mkdtemp(dir) != nullptr, "mkdtemp");
    work_directory() = dir;
    check(chdir(dir) == 0, "chdir to the work directory");
    std::atexit(remove_work_directory);
    if (quiet_output) {
        const int null_fd = open("/dev/null", O_WRONLY);
        check(null_fd >= 0 && dup2(null_fd, 1) == 1, "standard output to /dev/null");
        close(null_fd);
    }
    sigaction(SIGINT, nullptr, &fuzzer_sigint());
    search_state.node_cap = NODE_CAP;
    new_game(start_fen);
}

// Standard output to a memory file, for targets that check what the engine answers.
inline void capture_output() {
    const int fd = memfd_create("kelvorante-output", 0);
    check(fd >= 0 && dup2(fd, 1) == 1, "standard output to a memory file");
    close(fd);
}

// What the engine printed since the last call, NUL-terminated (cut at 1 MiB); the memory
// file starts empty again.
inline const char* take_output() {
    static char output[1 << 20];
    std::fflush(stdout);
    const off_t size = lseek(1, 0, SEEK_CUR);
    size_t n = size > 0 ? static_cast<size_t>(size) : 0;
    if (n >= sizeof output) n = sizeof output - 1;
    const ssize_t got = pread(1, output, n, 0);
    output[got > 0 ? got : 0] = '\0';
    check(ftruncate(1, 0) == 0 && lseek(1, 0, SEEK_SET) == 0, "reset the output file");
    return output;
}

// Files a dialogue may name or read: a short book, FEN files for the console's "load", and
// the console's board log, which goes nowhere.
inline void write_dialogue_files() {
    write_file("book.obk", "14346444062571520532\n"
                           "14346252\n"
                           "133363431232\n"
                           "1232\n");
    write_file("kiwipete.fen",
               "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1\n");
    write_file("ep.fen", "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1\n");
    write_file("bad.fen", "not a position\n");
    write_file("empty.fen", "");
    check(symlink("/dev/null", "Kelvorante.log") == 0, "board log to /dev/null");
}

// Every input starts from the engine as a new process has it after main's set-up.
inline void restart_engine() {
    sigaction(SIGINT, &fuzzer_sigint(), nullptr);
    reset_output();
    c_srand(12345);
    uci_options = UciOptions{true, false};
    front_end = FrontEnd{};
    game.state = GameState{};
    game.analysing = game.cancelled = game.ponder_saw_mate = false;
    game.may_resign = true;
    search_state = SearchState{};
    search_state.node_cap = NODE_CAP;
    check(new_game(start_fen), "the start position is refused");
}

// The input as an interface sends it: through a pipe that the reader owns, closed after
// the last byte so that the end of input is seen. Returns the reading end.
inline int feed_input(const uint8_t* data, size_t size) {
    if (size > MAX_INPUT) size = MAX_INPUT;
    int fds[2];
    check(pipe(fds) == 0, "pipe");
    size_t done = 0;
    while (done < size) {
        const ssize_t n = write(fds[1], data + done, size - done);
        check(n > 0, "write to the pipe");
        done += static_cast<size_t>(n);
    }
    close(fds[1]);
    set_input_descriptor(fds[0]);
    return fds[0];
}

inline void end_input(int fd) {
    set_input_descriptor(0);
    close(fd);
}

// The game on the board is sound: every incremental field agrees with the board, the
// history holds the game from its set-up (each move legal where it was played, each key
// the key of the position it belongs to), taking it all back leaves the set-up position
// with no move on the board, and playing it again gives the very same record.
inline void check_game() {
    Position& pos = game.position;
    check(pos_ok(pos), "pos_ok on the game position");
    check(pos.ply >= pos.history.setup_ply, "the game is shorter than its set-up ply");
    check(pos.ply <= static_cast<uint32_t>(GAME_PLY_LIMIT), "the game runs past the ply limit");
    check(pos.ply < static_cast<uint32_t>(HISTORY_SIZE), "the game runs past the history");
    check(pos.history.entry[pos.ply].key == pos.key,
          "the history's last key is not the position's");

    // The board part of the record, and the history entries of the game's plies (those
    // past the game's end are the search's scratch).
    static Position before;
    static HistoryEntry history_before[HISTORY_SIZE];
    std::memcpy(static_cast<void*>(&before), &pos, POSITION_BOARD_BYTES);
    const uint32_t plies = pos.ply - pos.history.setup_ply;
    for (uint32_t p = pos.history.setup_ply; p <= pos.ply; ++p)
        history_before[p] = pos.history.entry[p];

    for (uint32_t i = 0; i < plies; ++i) {
        const Move move = pos.history.entry[pos.ply - 1].move;
        check(move != MOVE_NONE, "the history holds no move where the game has one");
        unmake_move(pos, move, pos.history.entry[pos.ply].undo);
        check(pos.history.entry[pos.ply].key == pos.key, "a history key is not its position's");
    }
    check(pos.ply == pos.history.setup_ply, "taking back the game does not reach its set-up");
    check(pos_ok(pos), "pos_ok on the set-up position after taking back the game");
    for (int s = 0; s < 256; ++s)
        check(pos.square_touches[s] == 0, "a square is touched by no move on the board");

    for (uint32_t p = pos.history.setup_ply; p < before.ply; ++p) {
        const Move move = history_before[p].move;
        check(is_legal_move(pos, move), "the game holds an illegal move");
        Undo undo;
        make_move(pos, move, undo);
        check(pos.key == history_before[p + 1].key, "a replayed move gives another key");
    }
    check(std::memcmp(&before, &pos, POSITION_BOARD_BYTES) == 0,
          "replaying the game gives another record");
}

} // namespace fuzz
