// noise.h -- lattice value noise and its fractal sums, the grain of every procedural picture
#pragma once

#include <cstdint>

// Value noise in [0, 1]. With a period (in lattice cells, > 0) the 2D noise tiles: f(x + period, y)
// equals f(x, y), which textures that repeat on a surface need.
float value_noise2(float x, float y, uint32_t seed, int period = 0);
float value_noise3(float x, float y, float z, uint32_t seed);

// Sums of octaves, each of twice the frequency and half the weight; normalised to [0, 1].
float fbm2(float x, float y, int octaves, uint32_t seed, int period = 0);
float fbm3(float x, float y, float z, int octaves, uint32_t seed);

// Ridged sums: sharp crests where the noise crosses its middle, like flames and mountain chains.
float ridged2(float x, float y, int octaves, uint32_t seed, int period = 0);
float ridged3(float x, float y, float z, int octaves, uint32_t seed);
