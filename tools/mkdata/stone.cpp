// stone.cpp -- the bump scene's stone slab with "VARNEL" carved in it, its relief and its glow
//
// The slab is seen from behind (its camera looks down -z at quads that face +z), so all three
// pictures are painted as they should be seen and then mirrored.
#include <algorithm>
#include <cmath>

#include "noise.h"
#include "pictures.h"
#include "text.h"
#include "vecmath.h"

namespace {

constexpr int kWidth = 512, kHeight = 256;

// Signed distance to the slab's outline in pixels, negative inside: a rounded rectangle whose edge
// is chipped by noise.
float slab_distance(int x, int y) {
    const float hx = 226, hy = 104, corner = 22;
    const float px = std::fabs(float(x) - 256.0f) - (hx - corner), py = std::fabs(float(y) - 120.0f) - (hy - corner);
    const float outside = std::hypot(std::max(px, 0.0f), std::max(py, 0.0f));
    const float inside = std::min(std::max(px, py), 0.0f);
    const float chip = (fbm2(float(x) * 0.05f, float(y) * 0.05f, 4, 81) - 0.5f) * 18.0f;
    return outside + inside - corner + chip;
}

// The carving: "VARNEL" in the slab's upper middle (its lower part lies below the camera's view),
// a rule under it, softened into a height field.
Mask carving() {
    Mask m(kWidth, kHeight);
    const float size = fitted_size(FontStyle::kSerifBold, "VARNEL", 96, 370, 10);
    const TextMask word = render_text(FontStyle::kSerifBold, "VARNEL", size, size * 1.08f, 10, 0);
    const int dx = (kWidth - word.mask.width) / 2, dy = 108 - word.baseline + 4;
    for (int y = 0; y < word.mask.height; ++y) {
        for (int x = 0; x < word.mask.width; ++x) {
            const int tx = x + dx, ty = y + dy;
            if (tx >= 0 && ty >= 0 && tx < kWidth && ty < kHeight) m.at(tx, ty) = word.mask.at(x, y);
        }
    }
    for (int x = 110; x < kWidth - 110; ++x) {
        for (int y = 138; y < 143; ++y) m.at(x, y) = std::max(m.at(x, y), 0.8f);
    }
    blur(&m, 2);
    return m;
}

// Thin cracks that cut through the slab, so the glow behind shows through them.
bool crack(int x, int y) {
    const float u = float(x) / 160.0f, v = float(y) / 160.0f;
    const float r = ridged2(u * 2 + fbm2(u, v, 3, 82), v * 2, 3, 83);
    const bool region = fbm2(u * 0.7f + 4, v * 0.7f, 2, 84) > 0.58f;
    return region && r > 0.93f;
}

}  // namespace

void make_stone_pictures(DataTree* tree) {
    const Mask depth = carving();
    auto height = [&](int x, int y) {
        x = std::clamp(x, 0, kWidth - 1);
        y = std::clamp(y, 0, kHeight - 1);
        return -depth.at(x, y) * 7.0f + fbm2(float(x) * 0.04f, float(y) * 0.04f, 5, 85) * 1.5f;
    };

    Raster stone(kWidth, kHeight, {0, 0, 0, 0});
    Raster relief(kWidth, kHeight);
    Raster glow(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const float d = slab_distance(x, y);
            // Light from the upper left: the slope of the height field shades the stone.
            const float slope = (height(x - 1, y - 1) - height(x + 1, y + 1)) * 0.5f;
            const float grain = fbm2(float(x) * 0.08f, float(y) * 0.08f, 5, 86);
            const float speckle = value_noise2(float(x) * 0.9f, float(y) * 0.9f, 87);
            Colour c = mix(rgb(0x4a4640), rgb(0x9a948a), grain);
            c = c * (0.9f + 0.2f * speckle);
            c = c * std::clamp(1.0f + slope * 0.5f, 0.3f, 1.7f);
            // Carved letters are darker at their bottom, with a warm tint of the glow behind.
            c = mix(c, rgb(0x2a1008), depth.at(x, y) * 0.7f);
            const bool solid = d < 0 && !crack(x, y);
            c.a = solid ? 1.0f : 0.0f;
            // Near the edge the stone darkens, as worn stone does.
            if (solid) c = c * std::clamp(-d / 10.0f, 0.55f, 1.0f);
            stone.at(x, y) = solid ? c : Colour{0, 0, 0, 0};

            // The relief: the lit flanks of the carving and of the chipped edge, to be added on top.
            const float edge = std::clamp(1 - std::fabs(d) / 4.0f, 0.0f, 1.0f);
            const float lit = std::max(0.0f, slope) * 0.5f + edge * 0.4f;
            relief.at(x, y) = rgb(0xffd8a0) * std::min(1.0f, lit * (d < 2 ? 1.0f : 0.0f));
            relief.at(x, y).a = 1;

            // The glow: hot in the middle, a halo that spreads past the slab's edge and fades to
            // black before the picture's border.
            const float centre = std::hypot((float(x) - 256.0f) / 256.0f, (float(y) - 120.0f) / 128.0f);
            const float halo = std::exp(-std::max(d, 0.0f) / 16.0f) * smoothstep(1.0f, 0.8f, centre);
            const float flicker = fbm2(float(x) * 0.03f, float(y) * 0.06f, 4, 88);
            Colour g = mix(rgb(0x8a1000), rgb(0xffa020), flicker * (1 - centre * 0.6f));
            g = g * (halo * (0.6f + 0.6f * flicker));
            g.a = 1;
            glow.at(x, y) = g;
        }
    }
    blur(&relief, 1);
    for (Colour& p : relief.pixels) p.a = 1;
    mirror_x(&stone);
    mirror_x(&relief);
    mirror_x(&glow);
    tree->add_tga("textures/varnelstone.tga", stone, true);
    tree->add_jpeg("textures/varnelbump.jpg", relief, 90);
    tree->add_jpeg("textures/varnelglow.jpg", glow, 90);
}
