// "kelvorante bench": a fixed set of positions searched to a fixed depth. The total node
// count is the engine's behaviour signature; the rate is its speed.
#pragma once

int run_bench(int depth);

constexpr int BENCH_DEPTH = 8;
