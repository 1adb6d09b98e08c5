#include "io/tokens.h"

#include <cstring>

namespace {

bool is_separator(char c, Separators separators) {
    return c == ' ' || (c == '\t' && separators == Separators::SPACES_AND_TABS);
}

} // namespace

char* next_word(char*& cursor, Separators separators) {
    while (is_separator(*cursor, separators)) ++cursor;
    if (!*cursor) return nullptr;
    char* word = cursor;
    while (*cursor && !is_separator(*cursor, separators)) ++cursor;
    if (*cursor) *cursor++ = '\0';
    return word;
}

char* rest_of_line(char* cursor, Separators separators) {
    while (is_separator(*cursor, separators)) ++cursor;
    return *cursor ? cursor : nullptr;
}

bool first_word_is(const char* text, const char* word, Separators separators) {
    while (is_separator(*text, separators)) ++text;
    const size_t n = std::strlen(word);
    return std::strncmp(text, word, n) == 0 &&
           (text[n] == '\0' || is_separator(text[n], separators));
}

bool append_word(char* out, size_t size, const char* word) {
    const size_t used = std::strlen(out), n = std::strlen(word);
    const size_t gap = used ? 1 : 0;
    if (used + gap + n + 1 > size) return false;
    if (gap) out[used] = ' ';
    std::memcpy(out + used + gap, word, n + 1);
    return true;
}
