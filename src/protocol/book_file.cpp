#include "protocol/book_file.h"

static_assert(POLYGLOT_BOOK_BYTES == size_t{16} << 20, "the message below names the size");

const char* book_file_problem(BookFileStatus status) {
    switch (status) {
    case BookFileStatus::NONE:
    case BookFileStatus::LOADED: return nullptr;
    case BookFileStatus::CUT: return "larger than 16 MB, only its first 16 MB are used";
    case BookFileStatus::MISSING: return "no such file, no book";
    case BookFileStatus::DIRECTORY: return "a directory, no book";
    case BookFileStatus::NOT_A_FILE: return "not a regular file, no book";
    case BookFileStatus::UNREADABLE: return "cannot be read, no book";
    case BookFileStatus::BAD_SIZE: return "size not a multiple of 16 bytes, no book";
    case BookFileStatus::EMPTY: return "no entries, no book";
    case BookFileStatus::UNSORTED: return "entries not sorted by key, no book";
    }
    return nullptr;
}
