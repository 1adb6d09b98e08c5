#include "eval/eval_bench.h"

int run_eval_bench() { return 0; }
