// random.cpp -- glibc's rand(), on a state of our own
#include "core/random.h"

namespace {

RandomState seeded(unsigned seed) {
    RandomState state;
    if (seed == 0) seed = 1;
    // Signed, as the C library computes it: Schrage's method for 16807 * x mod (2^31 - 1).
    int32_t word = int32_t(seed);
    state.ring[0] = seed;
    for (int i = 1; i < 31; ++i) {
        const int64_t hi = word / 127773;
        const int64_t lo = word % 127773;
        word = int32_t(16807 * lo - 2836 * hi);
        if (word < 0) word += 2147483647;
        state.ring[i] = uint32_t(word);
    }
    state.front = 3;
    state.rear = 0;
    for (int i = 0; i < 310; ++i) {
        state.ring[state.front] += state.ring[state.rear];
        state.front = state.front == 30 ? 0 : state.front + 1;
        state.rear = state.rear == 30 ? 0 : state.rear + 1;
    }
    return state;
}

}  // namespace

RandomState g_random = seeded(1);

namespace {

// Back to the state the program starts with.
void clear_random() {
    seed_random(1);
    SnapshotOf<g_random>::saved = g_random;
}

}  // namespace

const Snapshot kRandomSnapshot = {SnapshotOf<g_random>::save,      SnapshotOf<g_random>::restore, clear_random,
                                  SnapshotOf<g_random>::set_aside, SnapshotOf<g_random>::take_back,
                                  SnapshotOf<g_random>::let_go};

void seed_random(unsigned seed) {
    g_random = seeded(seed);
}

int next_random() {
    RandomState& s = g_random;
    s.ring[s.front] += s.ring[s.rear];
    const int value = int(s.ring[s.front] >> 1);
    s.front = s.front == 30 ? 0 : s.front + 1;
    s.rear = s.rear == 30 ? 0 : s.rear + 1;
    return value;
}
