#include "game/book.h"
#include "shell/settings.h"
#include "game/think.h"
#include "search/ordering.h"
#include "search/quiesce.h"
#include "search/root.h"
char book_lines[BOOK_LINES][BOOK_LINE_CHARS];
int32_t book_count;
char book_line[BOOK_PLIES * 4 + 1];
uint8_t book_loaded;
void clear_book_line() {}
void xboard_loop() {}
void uci_loop() {}
void record_book_move(uint32_t, const char*) {}
void load_book(int) { use_book = 0; }
bool probe_book(Position&, ScoredMove&) { use_book = 0; return false; }
