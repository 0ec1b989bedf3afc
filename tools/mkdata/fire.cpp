// fire.cpp -- the tunnel's two fire textures: soft flame tongues and blocky pixel fire
#include <cmath>

#include "noise.h"
#include "pictures.h"
#include "vecmath.h"

namespace {

// Black, through deep red, orange and yellow, to white.
Colour fire_palette(float heat) {
    heat = clamp01(heat);
    const Colour stops[6] = {rgb(0x000000), rgb(0x3a0500), rgb(0xa01800), rgb(0xf05a00), rgb(0xffc030), rgb(0xfff6d8)};
    const float x = heat * 5;
    const int i = std::min(4, int(x));
    return mix(stops[i], stops[i + 1], x - float(i));
}

// Flame tongues: warped noise, ridged so that the tongues have bright cores. The texture repeats
// five times round the tube and along it, so every noise has the picture's period.
void make_flame(DataTree* tree) {
    const int n = 256;
    const int period = 4;
    Raster r(n, n);
    r.each([&](int x, int y, Colour& p) {
        const float u = float(x) / float(n) * float(period), v = float(y) / float(n) * float(period);
        const float wx = fbm2(u, v, 4, 11, period) * 2.0f;
        const float wy = fbm2(u + 5.2f, v + 1.3f, 4, 12, period) * 2.0f;
        const float tongues = ridged2(u * 2 + wx, v + wy, 5, 13, period * 2);
        const float body = fbm2(u + wx * 0.5f, v * 2 + wy, 5, 14, period);
        const float heat = std::pow(tongues, 1.6f) * 0.85f + body * 0.45f - 0.12f;
        p = fire_palette(heat * 1.15f);
    });
    tree->add_jpeg("textures/flame.jpg", r, 90);
}

// Pixel fire: a coarse 32 x 32 heat field in 12 steps, each cell a flat 8 x 8 block with a darker
// seam, the look of the old palette fire effects. The tunnel adds it faintly over red, where only
// its green and blue show: many hot cells, and the hottest yellow, not white, so that they read as
// fire rather than pink.
void make_pixelfire(DataTree* tree) {
    const int cells = 32, block = 8, period = 4;
    float heat[cells][cells];
    for (int j = 0; j < cells; ++j) {
        for (int i = 0; i < cells; ++i) {
            const float u = float(i) / float(cells) * float(period), v = float(j) / float(cells) * float(period);
            const float h = ridged2(u + fbm2(u, v, 3, 21, period), v, 4, 22, period) * 0.9f + fbm2(u, v, 3, 23, period) * 0.4f;
            heat[j][i] = std::floor(clamp01(h * 1.6f - 0.3f) * 12.0f) / 11.0f;
        }
    }
    Raster r(cells * block, cells * block);
    r.each([&](int x, int y, Colour& p) {
        const int i = x / block, j = y / block;
        const bool seam = x % block == block - 1 || y % block == block - 1;
        p = fire_palette(heat[j][i] * (seam ? 0.64f : 0.8f));
    });
    tree->add_jpeg("textures/pixelfire.jpg", r, 92);
}

}  // namespace

void make_fire_pictures(DataTree* tree) {
    make_flame(tree);
    make_pixelfire(tree);
}
