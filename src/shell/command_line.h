// Tools reachable from the command line: "bench" and "divide <fen> <depth>".
#pragma once

int run_command_line(int argc, char** argv);
