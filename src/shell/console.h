// The console dialect: one command per line for a person at a terminal.
#pragma once

#include "board/position.h"
#include "search/report.h"

void print_help();
// Runs until "quit" or the end of input; "xboard" and "uci" hand over for good.
void console_loop();
// The loop's parts, for driving the dialogue line by line: console_begin takes over the
// search's poll and progress lines and sets the fixed thinking time; console_command
// carries out one line and returns false when the session ends ("quit", or the end of the
// XBoard or UCI dialogue that "xboard" or "uci" started).
void console_begin();
bool console_command(char* line);
// A typed move: refused with a message when illegal, else played and answered.
void console_user_move(Position& pos, const char* word);
// The engine thinks, plays and announces its move, then shows the board.
void console_think(Position& pos);
// The console's progress line: "Depth:5 Nodes:40000 Value:+0.23 e2e4-e7e5-".
void console_progress(const Progress& p);
