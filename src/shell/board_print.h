// Text diagram of the position, on standard output or appended to the log file.
#pragma once

#include "board/position.h"

constexpr char LOG_FILE_NAME[] = "Kelvorante.log";

// where 0: standard output; anything else: append to the log file.
void print_board(const Position& pos, int where);
