// load_timings.cpp -- the loaders' time per step, for the benchmark's report
#include "resources/load_timings.h"

#include "core/timer.h"

LoadTimings g_load_timings;

void add_load_time(LoadStep step, uint64_t start) {
    g_load_timings.ticks[step] += read_counter() - start;
    ++g_load_timings.count[step];
}
