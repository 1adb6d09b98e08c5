#include "shell/board_print.h"

#include <cstdio>
#include <cstring>

#include "io/output.h"

namespace {
const char* cell_text(int code) {
    switch (code) {
    case 1: return " P";
    case 2: return " N";
    case 3: return " B";
    case 4: return " R";
    case 5: return " Q";
    case 6: return " K";
    case 9: return " p";
    case 10: return " n";
    case 11: return " b";
    case 12: return " r";
    case 13: return " q";
    case 14: return " k";
    case EMPTY: return " .";
    default: return "";
    }
}
} // namespace

void print_board(const Position& pos, int where) {
    char text[256];
    std::memset(text, 0, sizeof text);
    std::strcat(text, "\n");
    for (int rank = 7; rank >= 0; --rank) {
        for (int file = 0; file < 8; ++file)
            std::strcat(text, cell_text(pos.board[make_square(file, rank)]));
        std::strcat(text, "\n");
    }
    if (where == 0) {
        send("%s\n", text);
        return;
    }
    FILE* f = std::fopen(LOG_FILE_NAME, "a+");
    if (!f) {
        send("Open file error\n");
        return;
    }
    std::fprintf(f, "%s\n", text);
    std::fclose(f);
}
