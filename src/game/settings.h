// Process-wide settings through which the front ends steer the engine.
#pragma once

#include <cstdint>

constexpr uint8_t MODE_CONSOLE = 0;
constexpr uint8_t MODE_XBOARD = 1;
constexpr uint8_t MODE_UCI = 2;

extern uint8_t protocol_mode;  // which dialect is spoken; changes once at most
extern uint8_t ponder_enabled; // think on the opponent's time (XBoard "hard")
extern uint8_t use_book;       // the opening book is still consulted in this game
