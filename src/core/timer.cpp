// timer.cpp -- the performance counter and the fixed clock of headless captures
#include "core/timer.h"

#include <SDL.h>

namespace {

struct TimerState {
    int fixed_fps = 0;         // 0: the clock is the performance counter
    uint64_t fixed_ticks = 0;  // frames read so far from the fixed clock
} s_timer;

}  // namespace

uint64_t read_counter() {
    return SDL_GetPerformanceCounter();
}

uint64_t counter_frequency() {
    return SDL_GetPerformanceFrequency();
}

uint64_t read_clock() {
    if (s_timer.fixed_fps > 0) return s_timer.fixed_ticks++;
    return read_counter();
}

uint64_t clock_frequency() {
    return s_timer.fixed_fps > 0 ? uint64_t(s_timer.fixed_fps) : counter_frequency();
}

void use_fixed_clock(int fps) {
    s_timer.fixed_fps = fps;
    s_timer.fixed_ticks = 0;
}
