// Command lines are split into words in place. The console and XBoard separate words by
// spaces only (a tab is an ordinary character there); UCI interfaces also use tabs.
#pragma once

#include <cstddef>

enum class Separators { SPACES, SPACES_AND_TABS };

// The next word from cursor, terminated in place, with cursor moved past it; nullptr at
// the end of the line.
char* next_word(char*& cursor, Separators separators = Separators::SPACES);

// The rest of the line after the separators at cursor, or nullptr when nothing is left.
char* rest_of_line(char* cursor, Separators separators = Separators::SPACES);

// True when the first word of text is word (text is not changed).
bool first_word_is(const char* text, const char* word, Separators separators = Separators::SPACES);

// Appends word to the text in out (a buffer of size characters), after one space unless
// out is empty; false, with out unchanged, when it would not fit.
bool append_word(char* out, size_t size, const char* word);
