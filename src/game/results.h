// The result lines and the engine's names, written once for every dialect.
#pragma once

constexpr char ENGINE_AUTHOR[] = "Tamsin Quorrelby";
// The two protocol front ends have always announced different versions; interfaces store
// the names, so both stay as they are.
constexpr char UCI_ENGINE_NAME[] = "Kelvorante 2.3";
constexpr char XBOARD_ENGINE_NAME[] = "Kelvorante 2.4";

constexpr char REPETITION_LINE[] = "1/2-1/2 {Kelvorante saw Draw by repetition}\n";
constexpr char FIFTY_MOVE_LINE[] = "1/2-1/2 {Kelvorante saw Draw by 50 move rule}\n";
constexpr char STALEMATE_LINE[] = "1/2-1/2 {Kelvorante saw Stalemate}\n";
// Indexed by the colour that has been mated.
constexpr const char* MATES_LINE[2] = {"0-1 {Kelvorante mates}\n", "1-0 {Kelvorante mates}\n"};
constexpr const char* LOSE_LINE[2] = {"0-1 {Kelvorante lose}\n", "1-0 {Kelvorante lose}\n"};
