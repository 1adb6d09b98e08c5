// The engine's names and the result lines every dialect prints when a game ends.
#pragma once

#include "game/think.h"

constexpr char ENGINE_AUTHOR[] = "Tamsin Quorrelby";
// The two protocol front ends have always announced different versions; interfaces store
// the names, so both stay as they are.
constexpr char UCI_ENGINE_NAME[] = "Kelvorante 2.3";
constexpr char XBOARD_ENGINE_NAME[] = "Kelvorante 2.4";

constexpr char REPETITION_LINE[] = "1/2-1/2 {Kelvorante saw Draw by repetition}\n";
constexpr char FIFTY_MOVE_LINE[] = "1/2-1/2 {Kelvorante saw Draw by 50 move rule}\n";
constexpr char STALEMATE_LINE[] = "1/2-1/2 {Kelvorante saw Stalemate}\n";
// Indexed by the colour that has been mated.
constexpr char MATES_LINE[2][24] = {"0-1 {Kelvorante mates}\n", "1-0 {Kelvorante mates}\n"};
constexpr char LOSE_LINE[2][23] = {"0-1 {Kelvorante lose}\n", "1-0 {Kelvorante lose}\n"};

// The line after the engine's move that ended the game; side is the side to move after it.
inline const char* end_after_move_line(GameEnd end, int side) {
    switch (end) {
    case GameEnd::REPETITION: return REPETITION_LINE;
    case GameEnd::FIFTY: return FIFTY_MOVE_LINE;
    case GameEnd::STALEMATE: return STALEMATE_LINE;
    case GameEnd::MATE: return MATES_LINE[side];
    case GameEnd::NONE: break;
    }
    return "";
}
