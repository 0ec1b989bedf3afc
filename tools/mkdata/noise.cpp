// noise.cpp -- lattice value noise, quintic interpolation, fractal and ridged sums
#include "noise.h"

#include <cmath>

#include "rng.h"

namespace {

float fade(float t) {
    return t * t * t * (t * (t * 6 - 15) + 10);
}

int wrap(int i, int period) {
    if (period <= 0) return i;
    const int r = i % period;
    return r < 0 ? r + period : r;
}

}  // namespace

float value_noise2(float x, float y, uint32_t seed, int period) {
    const float fx = std::floor(x), fy = std::floor(y);
    const int ix = int(fx), iy = int(fy);
    const float tx = fade(x - fx), ty = fade(y - fy);
    const int x0 = wrap(ix, period), x1 = wrap(ix + 1, period);
    const int y0 = wrap(iy, period), y1 = wrap(iy + 1, period);
    const float a = hash_unit(x0, y0, 0, seed), b = hash_unit(x1, y0, 0, seed);
    const float c = hash_unit(x0, y1, 0, seed), d = hash_unit(x1, y1, 0, seed);
    const float top = a + (b - a) * tx;
    const float bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

float value_noise3(float x, float y, float z, uint32_t seed) {
    const float fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    const int ix = int(fx), iy = int(fy), iz = int(fz);
    const float tx = fade(x - fx), ty = fade(y - fy), tz = fade(z - fz);
    float layer[2];
    for (int k = 0; k < 2; ++k) {
        const float a = hash_unit(ix, iy, iz + k, seed), b = hash_unit(ix + 1, iy, iz + k, seed);
        const float c = hash_unit(ix, iy + 1, iz + k, seed), d = hash_unit(ix + 1, iy + 1, iz + k, seed);
        const float top = a + (b - a) * tx;
        const float bottom = c + (d - c) * tx;
        layer[k] = top + (bottom - top) * ty;
    }
    return layer[0] + (layer[1] - layer[0]) * tz;
}

float fbm2(float x, float y, int octaves, uint32_t seed, int period) {
    float sum = 0, weight = 0.5f, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += weight * value_noise2(x, y, seed + uint32_t(i) * 101u, period);
        total += weight;
        x *= 2, y *= 2, weight *= 0.5f;
        if (period > 0) period *= 2;
    }
    return sum / total;
}

float fbm3(float x, float y, float z, int octaves, uint32_t seed) {
    float sum = 0, weight = 0.5f, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += weight * value_noise3(x, y, z, seed + uint32_t(i) * 101u);
        total += weight;
        x *= 2, y *= 2, z *= 2, weight *= 0.5f;
    }
    return sum / total;
}

float ridged2(float x, float y, int octaves, uint32_t seed, int period) {
    float sum = 0, weight = 0.5f, total = 0;
    for (int i = 0; i < octaves; ++i) {
        const float n = 1 - std::fabs(2 * value_noise2(x, y, seed + uint32_t(i) * 131u, period) - 1);
        sum += weight * n * n;
        total += weight;
        x *= 2, y *= 2, weight *= 0.5f;
        if (period > 0) period *= 2;
    }
    return sum / total;
}

float ridged3(float x, float y, float z, int octaves, uint32_t seed) {
    float sum = 0, weight = 0.5f, total = 0;
    for (int i = 0; i < octaves; ++i) {
        const float n = 1 - std::fabs(2 * value_noise3(x, y, z, seed + uint32_t(i) * 131u) - 1);
        sum += weight * n * n;
        total += weight;
        x *= 2, y *= 2, z *= 2, weight *= 0.5f;
    }
    return sum / total;
}
