// Evaluation speed: evaluations per second over a fixed set of positions.
#pragma once

int run_eval_bench();
