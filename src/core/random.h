// random.h -- the random values the effects draw, all from the C library's one generator
#pragma once

#include <cstdlib>

// 0 to n - 1, as rand() % n: the effects' sequences depend on this exact reduction.
inline int random_below(int n) {
    return std::rand() % n;
}

// 0.7, 0.8 or 0.9: the alpha of a glow that flickers from frame to frame.
inline float flicker_alpha() {
    return 0.7f + 0.1f * float(random_below(3));
}
