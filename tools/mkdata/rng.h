// rng.h -- the generator's own pseudo-random numbers: seeded by constants, so every run is the same
#pragma once

#include <cstdint>

// SplitMix64: small, fast, and the same sequence on every platform for a given seed.
struct Rng {
    uint64_t state;

    explicit Rng(uint64_t seed) : state(seed) {}

    uint64_t next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    float uniform() { return float(next() >> 40) * (1.0f / 16777216.0f); }
    float range(float lo, float hi) { return lo + (hi - lo) * uniform(); }
    int below(int n) { return int(next() % uint64_t(n)); }
};

// A hash of integer coordinates into [0, 1), for lattice noise.
inline float hash_unit(int32_t x, int32_t y, int32_t z, uint32_t seed) {
    uint32_t h = seed * 0x27D4EB2Du;
    h ^= uint32_t(x) * 0x85EBCA6Bu;
    h = (h ^ (h >> 15)) * 0xC2B2AE35u;
    h ^= uint32_t(y) * 0x9E3779B1u;
    h = (h ^ (h >> 13)) * 0x85EBCA6Bu;
    h ^= uint32_t(z) * 0xC2B2AE3Du;
    h = (h ^ (h >> 16)) * 0x27D4EB2Fu;
    h ^= h >> 15;
    return float(h >> 8) * (1.0f / 16777216.0f);
}
