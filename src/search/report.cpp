#include "search/report.h"

#include <cstdio>
#include <cstring>

#include "game/think.h"
#include "search/quiesce.h"
#include "search/root.h"
#include "shell/notation.h"
#include "shell/platform.h"
#include "shell/settings.h"

bool report_enabled = true;

void report_progress(int depth, int32_t score) {
    if (!report_enabled) return;
    char text[6];
    const Move* pv = pv_table[0];
    if (protocol_mode == MODE_XBOARD) {
        std::printf("%d %d %d %u ", depth, score,
                    static_cast<int>((tick_ms() - search_start_ms) / 10), node_count);
        if (pondering) {
            move_to_text(pondered_move, text);
            std::printf("(%s) ", text);
        }
        for (int i = 0; pv[i]; ++i) {
            move_to_text(pv[i], text);
            std::printf("%s ", text);
        }
        std::printf("\n");
        std::fflush(stdout);
    } else if (protocol_mode == MODE_UCI) {
        char line[256] = {};
        char current[6] = {};
        size_t len = 0;
        for (int i = 0; pv[i] && len + 5 < sizeof line; ++i) {
            move_to_text(pv[i], text);
            if (i == 0) std::memcpy(current, text, sizeof current);
            std::memcpy(line + len, text, 4);
            line[len + 4] = ' ';
            len += 5;
        }
        line[len] = '\0';
        std::printf("info depth %d score cp %d nodes %u pv %s currmove %s\n", depth, score,
                    node_count, line, current);
        std::fflush(stdout);
    } else {
        std::printf("Depth:%d Nodes:%u Value:%+5.2f ", depth, node_count, score * 0.01);
        for (int i = 0; pv[i]; ++i) {
            move_to_text(pv[i], text);
            std::printf("%s-", text);
        }
        std::printf("\n");
    }
}
