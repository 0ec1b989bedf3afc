// flares.cpp -- light sprites: the blue flare and sun of the particles, the two explosions, the souls
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "noise.h"
#include "pictures.h"
#include "rng.h"
#include "vecmath.h"

namespace {

// Distance from the centre, 0 there and 1 at the middle of an edge.
float radius_at(int x, int y, int n) {
    const float h = float(n) * 0.5f;
    return std::hypot((float(x) + 0.5f - h) / h, (float(y) + 0.5f - h) / h);
}

float angle_at(int x, int y, int n) {
    const float h = float(n) * 0.5f;
    return std::atan2(float(y) + 0.5f - h, float(x) + 0.5f - h);
}

// Particles are drawn without mipmaps and clamped, so every sprite fades to black before its border.
void make_blue_flare(DataTree* tree) {
    const int n = 128;
    Raster r(n, n);
    r.each([&](int x, int y, Colour& p) {
        const float d = radius_at(x, y, n);
        const float core = std::exp(-d * d * 40.0f);
        const float halo = std::pow(std::max(0.0f, 1 - d), 2.5f);
        p = rgb(0x2050ff) * (halo * 0.9f) + rgb(0xd8e8ff) * core;
        p.a = 1;
    });
    tree->add_jpeg("textures/flares/blueflare.jpg", r, 92);
}

void make_blue_sun(DataTree* tree) {
    const int n = 256;
    Raster r(n, n);
    r.each([&](int x, int y, Colour& p) {
        const float d = radius_at(x, y, n), a = angle_at(x, y, n);
        const float fade = smoothstep(1.0f, 0.75f, d);
        const float disc = smoothstep(0.24f, 0.20f, d);
        const float corona = std::exp(-std::max(0.0f, d - 0.22f) * 7.0f);
        const float rays = std::pow(fbm2(std::cos(a) * 3 + 10, std::sin(a) * 3 + 10, 4, 91), 2.0f) *
                           std::exp(-std::max(0.0f, d - 0.22f) * 3.0f);
        const float ring = std::exp(-std::pow((d - 0.62f) / 0.03f, 2.0f)) * 0.25f;
        // Fifteen suns overlap at the fountain's centre, added together: little red and green, so
        // that the sum stays blue rather than burning to white.
        p = rgb(0x7890ff) * disc + rgb(0x1240ff) * (corona * 0.7f) + rgb(0x3058ff) * (rays * 1.1f) + rgb(0x2050ff) * ring;
        p = p * fade;
        p.a = 1;
    });
    tree->add_jpeg("textures/flares/bluesun.jpg", r, 92);
}

// An explosion of billowing fire: a noisy fireball with dark smoke at its rim and sparks.
void make_explosion(DataTree* tree, const char* path, uint32_t seed, bool blue) {
    const int n = 512;
    Raster r(n, n);
    r.each([&](int x, int y, Colour& p) {
        const float d = radius_at(x, y, n), a = angle_at(x, y, n);
        const float billow = fbm2(float(x) * 0.012f, float(y) * 0.012f, 6, seed);
        const float streak = fbm2(std::cos(a) * 6 + 20, std::sin(a) * 6 + 20, 4, seed + 1);
        const float reach = 0.55f + 0.35f * billow + 0.15f * streak;
        const float body = smoothstep(reach, reach * 0.35f, d);
        float heat = body * (0.55f + 0.6f * billow) * (1.1f - d * 0.6f);
        if (blue) {
            // The ascension's burst: a blue shock ring round an almost black core. It lies flat just
            // over the souls' water and soon spreads under the whole view, where only its middle
            // shows; added on the water, that middle must keep the water dark.
            const float ring = std::exp(-std::pow((d - 0.55f - 0.08f * streak) / 0.07f, 2.0f));
            const float core = std::exp(-d * d * 6.0f) * 0.04f;
            Colour c = rgb(0x2a60ff) * (heat * 0.06f) + rgb(0xa0c8ff) * (ring * (0.6f + 0.6f * billow)) + rgb(0x6080c0) * core;
            c = c * smoothstep(1.0f, 0.85f, d);
            c.a = 1;
            p = c;
            return;
        }
        heat = clamp01(heat);
        const Colour stops[5] = {rgb(0x000000), rgb(0x500400), rgb(0xd02000), rgb(0xff8a10), rgb(0xfff0b0)};
        const float s = heat * 4;
        const int i = std::min(3, int(s));
        Colour c = mix(stops[i], stops[i + 1], s - float(i));
        c = c * smoothstep(1.0f, 0.8f, d);
        c.a = 1;
        p = c;
    });
    // Sparks flung outward.
    Rng rng(seed * 31u + 7u);
    for (int i = 0; i < 90; ++i) {
        const float a = rng.range(0, 2 * kPi), d0 = rng.range(0.25f, 0.5f), d1 = d0 + rng.range(0.08f, 0.3f);
        const float h = float(n) * 0.5f;
        const Colour c = blue ? rgb(0xb0d0ff) : rgb(0xffc060);
        add_line(&r, h + std::cos(a) * d0 * h, h + std::sin(a) * d0 * h, h + std::cos(a) * std::min(d1, 0.85f) * h,
                 h + std::sin(a) * std::min(d1, 0.85f) * h, 1.5f, c * 0.7f, 2);
    }
    tree->add_jpeg(path, r, 90);
}

// Where ghost k sits in its picture. The player draws the ten soul sprites at one and the same
// spot, added together, so each picture holds one small ghost of a flock in a place of its own:
// ten ghosts the size of the sprite would burn out into one white blot.
constexpr float kFlock[10][2] = {{-0.52f, -0.50f}, {0.04f, -0.62f}, {0.58f, -0.44f}, {-0.28f, -0.08f}, {0.34f, -0.02f},
                                 {-0.62f, 0.34f},  {0.02f, 0.30f},   {0.60f, 0.38f},  {-0.26f, 0.62f}, {0.30f, 0.64f}};
constexpr float kGhostScale = 0.34f;

// A ghost's face: a pale oval that trails a wispy tail downward, dark hollow eyes and mouth.
void make_soul(DataTree* tree, int k) {
    const int n = 256;
    Rng rng(1000u + uint32_t(k) * 17u);
    const float eye_gap = rng.range(0.16f, 0.24f), eye_y = rng.range(-0.12f, -0.04f);
    const float eye_w = rng.range(0.06f, 0.09f), eye_h = rng.range(0.07f, 0.12f), eye_tilt = rng.range(-0.4f, 0.4f);
    const float mouth_y = rng.range(0.14f, 0.22f), mouth_w = rng.range(0.05f, 0.12f), mouth_h = rng.range(0.04f, 0.14f);
    const Colour tints[5] = {rgb(0x9ad0ff), rgb(0xb8a0ff), rgb(0x80ffe0), rgb(0xd0e8ff), rgb(0xa0b0ff)};
    const Colour tint = tints[k % 5];
    Raster r(n, n);
    r.each([&](int x, int y, Colour& p) {
        const float su = (float(x) + 0.5f) / float(n) * 2 - 1, sv = (float(y) + 0.5f) / float(n) * 2 - 1;
        const float u = (su - kFlock[k][0]) / kGhostScale, v = (sv - kFlock[k][1]) / kGhostScale;
        // The head: an oval in the upper middle; below it the tail narrows and wavers.
        const float head = std::hypot(u / 0.42f, (v + 0.25f) / 0.5f);
        const float sway = 0.12f * std::sin(v * 5 + float(k)) * smoothstep(-0.1f, 1.0f, v);
        const float tail_w = 0.42f * (1 - smoothstep(-0.1f, 0.95f, v));
        const float tail = v > -0.2f ? std::fabs(u - sway) / std::max(tail_w, 0.01f) : 9.0f;
        const float shape = std::min(head, tail);
        const float wisp = fbm2(float(x) * 0.02f, float(y) * 0.03f - float(k), 4, 1100u + uint32_t(k));
        float glow = smoothstep(1.05f, 0.3f, shape) * (0.55f + 0.6f * wisp);
        glow *= smoothstep(1.0f, 0.7f, std::hypot(u, v));
        // Hollows: the eyes and the mouth take the light away.
        auto hollow = [&](float cx, float cy, float w, float h, float tilt) {
            const float du = u - cx, dv = v - cy;
            const float ru = du * std::cos(tilt) + dv * std::sin(tilt), rv = -du * std::sin(tilt) + dv * std::cos(tilt);
            return smoothstep(1.0f, 0.6f, std::hypot(ru / w, rv / h));
        };
        const float eyes = std::max(hollow(-eye_gap, eye_y - 0.25f, eye_w, eye_h, eye_tilt),
                                    hollow(eye_gap, eye_y - 0.25f, eye_w, eye_h, -eye_tilt));
        const float mouth = hollow(0, mouth_y - 0.25f, mouth_w, mouth_h, 0);
        glow *= 1 - 0.92f * std::max(eyes, mouth);
        p = tint * glow + rgb(0xffffff) * (std::pow(glow, 3.0f) * 0.4f);
        p = p * smoothstep(1.0f, 0.92f, std::max(std::fabs(su), std::fabs(sv)));
        p.a = 1;
    });
    char path[64];
    snprintf(path, sizeof path, "textures/souls/soul%02d.jpg", k + 1);
    tree->add_jpeg(path, r, 90);
}

}  // namespace

void make_flare_pictures(DataTree* tree) {
    make_blue_flare(tree);
    make_blue_sun(tree);
    make_explosion(tree, "textures/redexplosion.jpg", 95, false);
    make_explosion(tree, "textures/explosion.jpg", 96, true);
}

void make_soul_pictures(DataTree* tree) {
    for (int k = 0; k < 10; ++k) make_soul(tree, k);
}
