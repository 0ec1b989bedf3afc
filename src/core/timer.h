// timer.h -- the high-resolution counter, and the clock that the demo time follows
#pragma once

#include <cstdint>

// The performance counter: ticks, and ticks per second (0 when the system has none).
uint64_t read_counter();
uint64_t counter_frequency();

// The clock that the kernel advances the demo time by. It is the performance counter, unless a
// fixed clock is in use: then every read is exactly one frame of 1/fps seconds after the last.
uint64_t read_clock();
uint64_t clock_frequency();
void use_fixed_clock(int fps);
