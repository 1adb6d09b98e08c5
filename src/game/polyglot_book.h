// The Polyglot opening book (.bin) named by the BookFile option: read once when the option
// is set, then probed by position key. While a file is named it takes the place of the
// engine's own .obk books, under the same rules (OwnBook, analysis, pondering, leaving the
// book for the rest of the game at the first position it cannot answer).
//
// A file is a run of 16-byte entries, highest byte first: key (64 bits, polyglot_key), move
// (16 bits, polyglot_move_code), weight (16 bits, the move's share among the position's
// moves), learn (32 bits, not used). The entries are sorted by key.
#pragma once

#include <cstddef>
#include <cstdint>

#include "board/position.h"
#include "game/book.h"

constexpr size_t POLYGLOT_ENTRY_BYTES = 16;
// The part of a file that is read: 16 MB, a million entries, more than the largest books
// people play with. A longer file is used up to here.
constexpr size_t POLYGLOT_BOOK_BYTES = size_t{16} << 20;

// What became of a file named as the book; the front ends word it.
enum class BookFileStatus : uint8_t {
    NONE,       // no file named: the .obk books are used
    LOADED,     // the whole file is the book
    CUT,        // larger than POLYGLOT_BOOK_BYTES: its first entries are the book
    MISSING,    // no such file
    DIRECTORY,  // the path names a directory
    NOT_A_FILE, // a device, a FIFO, a socket
    UNREADABLE, // it could not be opened or read
    BAD_SIZE,   // its size is not a whole number of entries
    EMPTY,      // it holds no entry
    UNSORTED,   // its keys are out of order: not a Polyglot book
};

// Names the book file and reads it (a relative path from the current directory). An empty
// path or "<empty>" names none. A file that cannot be used leaves a named book with no
// entries: the engine then searches every move, and never falls back to the .obk books.
BookFileStatus set_book_file(const char* path);
// A book file is named: it is probed instead of the .obk books.
bool book_file_named();
// True with a legal move when the book has a usable entry for the position (weight above 0,
// legal here), chosen at random in proportion to the weights; otherwise switches the book
// off (in_use = 0) for the rest of the game.
bool probe_polyglot_book(BookState& book, Position& pos, ScoredMove& out);
