// flashes.cpp -- the 45 sync flashes: bursts of light in nine families, five variants each
//
// A flash is added over the scene on a beat and fades out, so black is transparent. It is drawn at
// 800 x 800 over an 800 x 600 screen: the top and bottom eighths are cut off, so the light stays
// near the middle.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "noise.h"
#include "pictures.h"
#include "rng.h"
#include "vecmath.h"

namespace {

constexpr int kSize = 512;
constexpr float kCentre = kSize * 0.5f;

const Colour kPalettes[5][2] = {
    {rgb(0xd8e8ff), rgb(0x3060ff)}, {rgb(0xfff0c0), rgb(0xff5010)}, {rgb(0xffe8a0), rgb(0xd09020)},
    {rgb(0xf0d0ff), rgb(0x8030e0)}, {rgb(0xd0fff8), rgb(0x10b0c0)},
};

// Rays from the centre, of random lengths and strengths.
void starburst(Raster* r, Rng* rng, Colour core, Colour edge) {
    const int rays = 12 + rng->below(24);
    for (int i = 0; i < rays; ++i) {
        const float a = rng->range(0, 2 * kPi), len = rng->range(90, 250), w = rng->range(1, 4);
        add_line(r, kCentre, kCentre, kCentre + std::cos(a) * len, kCentre + std::sin(a) * len, w, edge * 0.7f, 6);
    }
    add_glow(r, kCentre, kCentre, 200, edge, 3);
    add_glow(r, kCentre, kCentre, 60, core, 1.5f);
}

// Shock rings, a few concentric waves of light.
void rings(Raster* r, Rng* rng, Colour core, Colour edge) {
    const int count = 2 + rng->below(4);
    const float base = rng->range(60, 110);
    r->each([&](int x, int y, Colour& p) {
        const float d = std::hypot(float(x) + 0.5f - kCentre, float(y) + 0.5f - kCentre);
        float light = 0;
        for (int i = 0; i < count; ++i) {
            const float radius = base + float(i) * 45, width = 4 + float(i) * 3;
            light += std::exp(-std::pow((d - radius) / width, 2.0f)) / float(1 + i);
        }
        p = p + edge * light + core * (std::exp(-d / 20) * 0.8f);
    });
}

// A lens flare: a bright source and a row of ghosts across the centre.
void lens_flare(Raster* r, Rng* rng, Colour core, Colour edge) {
    const float a = rng->range(0, 2 * kPi);
    const float sx = kCentre + std::cos(a) * 120, sy = kCentre + std::sin(a) * 80;
    add_glow(r, sx, sy, 140, edge, 2.5f);
    add_glow(r, sx, sy, 30, core, 1.2f);
    for (int i = 0; i < 6; ++i) {
        const float t = rng->range(-1.4f, 0.8f);
        const float gx = kCentre + (sx - kCentre) * t, gy = kCentre + (sy - kCentre) * t;
        const float radius = rng->range(12, 55);
        paint_disc(r, gx, gy, radius, mix(edge, core, rng->uniform()) * 0.22f);
        add_glow(r, gx, gy, radius * 1.3f, edge, 4);
    }
    add_line(r, sx - 230, sy, sx + 230, sy, 2, edge * 0.5f, 8);
}

// A wide horizontal streak, as a stretched light through a wide lens.
void streak(Raster* r, Rng* rng, Colour core, Colour edge) {
    const float thickness = rng->range(6, 18);
    r->each([&](int x, int y, Colour& p) {
        const float dx = (float(x) + 0.5f - kCentre) / kCentre, dy = (float(y) + 0.5f - kCentre);
        const float along = std::exp(-dx * dx * 2.5f);
        p = p + edge * (along * std::exp(-dy * dy / (thickness * thickness)));
        p = p + core * (std::exp(-(dx * dx * 25 + dy * dy / 60)) * 0.9f);
    });
    add_glow(r, kCentre, kCentre, 120, edge, 3);
}

// Broken scan lines, as a signal tearing.
void glitch(Raster* r, Rng* rng, Colour core, Colour edge) {
    for (int i = 0; i < 26; ++i) {
        const int y = int(rng->range(90, 420)), h = 2 + rng->below(12);
        const int x0 = int(rng->range(0, 300)), x1 = std::min(kSize, x0 + 60 + rng->below(300));
        const Colour c = rng->uniform() < 0.3f ? core : edge;
        const float strength = rng->range(0.3f, 1.0f);
        for (int yy = y; yy < std::min(kSize, y + h); ++yy) {
            for (int x = x0; x < x1; ++x) add_light(r, x, yy, c, strength * (0.7f + 0.3f * float((x / 3) % 2)));
        }
    }
    add_glow(r, kCentre, kCentre, 180, edge, 4);
}

// A spiral of light winding out of the centre.
void spiral(Raster* r, Rng* rng, Colour core, Colour edge) {
    const int arms = 2 + rng->below(3);
    const float twist = rng->range(3, 6);
    r->each([&](int x, int y, Colour& p) {
        const float dx = float(x) + 0.5f - kCentre, dy = float(y) + 0.5f - kCentre;
        const float d = std::hypot(dx, dy) / kCentre, a = std::atan2(dy, dx);
        const float arm = std::pow(0.5f + 0.5f * std::cos(float(arms) * a - twist * std::log(d + 0.05f) * 2), 6.0f);
        p = p + edge * (arm * smoothstep(1.0f, 0.1f, d)) + core * std::exp(-d * 14);
    });
}

// A splash of sparks and motes.
void sparks(Raster* r, Rng* rng, Colour core, Colour edge) {
    for (int i = 0; i < 260; ++i) {
        const float a = rng->range(0, 2 * kPi), d = std::pow(rng->uniform(), 0.7f) * 230;
        const float x = kCentre + std::cos(a) * d, y = kCentre + std::sin(a) * d * 0.8f;
        add_glow(r, x, y, rng->range(3, 12), mix(edge, core, rng->uniform()), 2);
        if (rng->uniform() < 0.2f) add_line(r, x, y, x + std::cos(a) * 25, y + std::sin(a) * 25, 1, edge * 0.6f, 2);
    }
    add_glow(r, kCentre, kCentre, 90, core, 2);
}

// Lines of a tunnel grid rushing out of the centre.
void grid(Raster* r, Rng* rng, Colour core, Colour edge) {
    const int spokes = 16 + 4 * rng->below(4);
    for (int i = 0; i < spokes; ++i) {
        const float a = 2 * kPi * float(i) / float(spokes);
        add_line(r, kCentre + std::cos(a) * 20, kCentre + std::sin(a) * 20, kCentre + std::cos(a) * 360,
                 kCentre + std::sin(a) * 360, 1.5f, edge * 0.8f, 3);
    }
    for (int k = 1; k < 7; ++k) {
        const float radius = 12 * std::pow(1.7f, float(k));
        for (int i = 0; i < spokes; ++i) {
            const float a0 = 2 * kPi * float(i) / float(spokes), a1 = 2 * kPi * float(i + 1) / float(spokes);
            add_line(r, kCentre + std::cos(a0) * radius, kCentre + std::sin(a0) * radius, kCentre + std::cos(a1) * radius,
                     kCentre + std::sin(a1) * radius, 1.5f, edge * 0.6f, 3);
        }
    }
    add_glow(r, kCentre, kCentre, 70, core, 2);
}

// A glowing outline figure: triangle, square, pentagon or hexagon.
void glyph(Raster* r, Rng* rng, Colour core, Colour edge) {
    const int sides = 3 + rng->below(4);
    const float radius = rng->range(110, 180), turn = rng->range(0, kPi);
    for (int ring = 0; ring < 2; ++ring) {
        const float rr = radius * (ring ? 0.62f : 1.0f);
        for (int i = 0; i < sides; ++i) {
            const float a0 = turn + 2 * kPi * float(i) / float(sides), a1 = turn + 2 * kPi * float(i + 1) / float(sides);
            add_line(r, kCentre + std::cos(a0) * rr, kCentre + std::sin(a0) * rr, kCentre + std::cos(a1) * rr,
                     kCentre + std::sin(a1) * rr, ring ? 2.0f : 4.0f, ring ? core : edge, 10);
        }
    }
    add_glow(r, kCentre, kCentre, 150, edge, 3.5f);
}

void (*const kFamilies[9])(Raster*, Rng*, Colour, Colour) = {starburst, rings, lens_flare, streak, glitch,
                                                             spiral,    sparks, grid,       glyph};

}  // namespace

void make_flash(DataTree* tree, int index) {
    Raster r(kSize, kSize);
    Rng rng(0xF1A5u + uint64_t(index) * 7919u);
    const int family = index % 9, variant = index / 9;
    kFamilies[family](&r, &rng, kPalettes[variant][0], kPalettes[variant][1]);
    // Darken the corners so the square never shows.
    r.each([&](int x, int y, Colour& p) {
        const float d = std::hypot(float(x) + 0.5f - kCentre, float(y) + 0.5f - kCentre) / kCentre;
        p = p * smoothstep(1.05f, 0.8f, d);
        p.a = 1;
    });
    char path[64];
    snprintf(path, sizeof path, "textures/sync/%02d.jpg", index + 1);
    tree->add_jpeg(path, r, 88);
}
