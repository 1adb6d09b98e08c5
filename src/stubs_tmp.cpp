#include "game/book.h"
#include "game/think.h"
#include "search/ordering.h"
#include "search/quiesce.h"
#include "search/root.h"
char book_lines[BOOK_LINES][BOOK_LINE_CHARS];
int32_t book_count;
char book_line[BOOK_PLIES * 4 + 1];
uint8_t book_loaded;
void clear_book_line() {}
int32_t game_result;
uint8_t pondering;
int32_t moves_out_of_book;
uint32_t node_count, poll_counter;
int32_t search_status, time_for_move_ms;
void clear_cutoff_stats() {}
void think(Position&) {}
void xboard_loop() {}
void uci_loop() {}
void record_book_move(uint32_t, const char*) {}
