// The words both front ends use about the book file named by the BookFile option; each
// dialect puts its own prefix before them (UCI "info string", XBoard "telluser").
#pragma once

#include "game/polyglot_book.h"

// Why a named book file is not used whole, or nullptr when there is nothing to say.
const char* book_file_problem(BookFileStatus status);
