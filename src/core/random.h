// random.h -- the random values the effects draw, from one generator whose state can be saved and put back
#pragma once

#include <cstdint>

#include "core/snapshot.h"

// The C library's rand() as glibc computes it (the additive feedback generator x[i] = x[i-3] +
// x[i-31], seeded through 16807 * x mod 2^31 - 1, the first 310 values dropped), so that the
// effects draw the same values, in the same order, as the shows they were made with.
struct RandomState {
    uint32_t ring[31];  // the latest 31 values of the sequence
    int front = 3;      // where the next value is written: ring[front] += ring[rear]
    int rear = 0;
};

// The generator the effects draw from; seeded with 1 when the program starts, as rand() is.
extern RandomState g_random;

// The generator's state, to be saved and put back with every other module's.
extern const Snapshot kRandomSnapshot;

// Seeds as srand(seed) does.
void seed_random(unsigned seed);

// The next value of rand(): 0 to 2^31 - 1.
int next_random();

// 0 to n - 1, as rand() % n: the effects' sequences depend on this exact reduction.
inline int random_below(int n) {
    return next_random() % n;
}

// 0.7, 0.8 or 0.9: the alpha of a glow that flickers from frame to frame.
inline float flicker_alpha() {
    return 0.7f + 0.1f * float(random_below(3));
}
