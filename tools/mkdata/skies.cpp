// skies.cpp -- the skyboxes, each face painted from the world direction that its pixels are seen in
//
// The player draws face pixels at skybox corners turned by 270 degrees about x, so a face pixel's
// direction follows from the face's corner table; painting every face from one function of the
// direction makes the six faces meet without seams.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "noise.h"
#include "pictures.h"
#include "rng.h"
#include "vecmath.h"

namespace {

constexpr int kFaceSize = 512;  // drawn without mipmaps, so a power of two

const Vec3 kCorners[8] = {{10, -10, 10}, {10, -10, -10}, {-10, -10, -10}, {-10, -10, 10},
                          {10, 10, 10},  {10, 10, -10},  {-10, 10, -10},  {-10, 10, 10}};
const int kFaceCorners[6][4] = {{2, 1, 0, 3}, {5, 6, 7, 4}, {6, 2, 3, 7}, {1, 5, 4, 0}, {0, 4, 7, 3}, {2, 6, 5, 1}};
const char* const kFaceSuffix[6] = {"rt", "lf", "bk", "ft", "up", "dn"};

// The world direction of texture coordinate (s, t) of a face. The corners in drawing order carry
// (s, t) = (1, 1), (0, 1), (0, 0), (1, 0).
Vec3 face_direction(int face, float s, float t) {
    const Vec3 c00 = kCorners[kFaceCorners[face][2]];
    const Vec3 c10 = kCorners[kFaceCorners[face][3]];
    const Vec3 c01 = kCorners[kFaceCorners[face][1]];
    const Vec3 p = c00 + (c10 - c00) * s + (c01 - c00) * t;
    return normalize(Vec3{p.x, p.z, -p.y});
}

float elevation(Vec3 d) {
    return std::asin(std::clamp(d.y, -1.0f, 1.0f));
}
float azimuth(Vec3 d) {
    return std::atan2(d.x, -d.z);
}
float angle_between(Vec3 a, Vec3 b) {
    return std::acos(std::clamp(dot(a, b), -1.0f, 1.0f));
}
Vec3 from_angles(float az, float el) {
    return {std::sin(az) * std::cos(el), std::sin(el), -std::cos(az) * std::cos(el)};
}

// Point stars: one candidate per cell of a grid over the directions, lit when its hash says so.
float stars(Vec3 d, float cells, float density, uint32_t seed) {
    const Vec3 p = d * cells;
    const int ix = int(std::floor(p.x)), iy = int(std::floor(p.y)), iz = int(std::floor(p.z));
    if (hash_unit(ix, iy, iz, seed) > density) return 0;
    const Vec3 centre{float(ix) + 0.2f + 0.6f * hash_unit(ix, iy, iz, seed + 1),
                      float(iy) + 0.2f + 0.6f * hash_unit(ix, iy, iz, seed + 2),
                      float(iz) + 0.2f + 0.6f * hash_unit(ix, iy, iz, seed + 3)};
    const Vec3 on_sphere = normalize(centre) * cells;
    const float dist = length(p - on_sphere);
    const float bright = std::pow(hash_unit(ix, iy, iz, seed + 4), 3.0f);
    return std::exp(-dist * dist * 5.0f) * (0.3f + 1.2f * bright);
}

// The horizon's height, in radians, along the azimuth: noise round a circle, so it closes.
float skyline(float az, float base, float range, uint32_t seed, float roughness) {
    const float n = ridged3(std::cos(az) * roughness + 7, std::sin(az) * roughness + 3, 0.5f, 5, seed);
    return base + range * std::pow(n, 1.6f);
}

// Stones scattered on the ground: one candidate per cell of the given size, a rounded rock lit
// from the sun's side, with a shadow on the other. Returns the colour's change: how much rock
// covers the point (x) and its light (y).
Vec2 stones(float gx, float gz, float cell, float chance, float size, uint32_t seed) {
    const int ix = int(std::floor(gx / cell)), iz = int(std::floor(gz / cell));
    Vec2 best{0, 0};
    for (int dz = -1; dz <= 1; ++dz) {
        for (int dx = -1; dx <= 1; ++dx) {
            const int cx = ix + dx, cz = iz + dz;
            if (hash_unit(cx, cz, 0, seed) > chance) continue;
            const float px = (float(cx) + hash_unit(cx, cz, 1, seed)) * cell;
            const float pz = (float(cz) + hash_unit(cx, cz, 2, seed)) * cell;
            const float radius = size * (0.3f + 0.7f * hash_unit(cx, cz, 3, seed));
            const float ux = (gx - px) / radius, uz = (gz - pz) / radius;
            const float d = std::hypot(ux, uz * 1.3f);
            if (d < 1) {
                // A dome lit from -x: the side facing that way is bright, and the shadow falls to +x.
                const float light = 0.55f - 0.45f * ux * std::sqrt(std::max(0.0f, 1 - d * d));
                best = {std::max(best.x, smoothstep(1.0f, 0.85f, d)), light};
            } else if (d < 1.6f && ux > 0) {
                best.x = std::max(best.x, 0.35f * smoothstep(1.6f, 1.0f, d) * std::min(1.0f, ux));
                best.y = 0.0f;
            }
        }
    }
    return best;
}

// A red desert on Mars: butterscotch sky, a small pale sun with the blue halo of a Martian day,
// distant mountains, nearer mesas, and dunes that fade into the dust.
Colour mars(Vec3 d) {
    const float e = elevation(d), az = azimuth(d);
    const Vec3 sun = from_angles(0.9f, 0.32f);
    const Colour horizon_haze = rgb(0xd89a70);
    const float far = skyline(az, 0.008f, 0.15f, 201, 1.6f);
    const float near = skyline(az + 1.3f, -0.01f, 0.07f, 202, 3.2f);
    if (e < 0) {
        // The ground, seen from two units above it: big dunes, wind ripples, sand grain and
        // pebbles near by, boulders farther off, all fading into the dust towards the horizon.
        const float dist = std::min(2.0f / std::tan(-e), 400.0f);
        const float gx = std::sin(az) * dist, gz = std::cos(az) * dist;
        const float near_detail = std::exp(-dist / 12);
        const float dunes = fbm2(gx * 0.05f, gz * 0.05f, 6, 203);
        const float slope = (fbm2(gx * 0.05f + 0.02f, gz * 0.05f, 6, 203) - dunes) * 50;
        const float detail = fbm2(gx * 0.6f, gz * 0.6f, 4, 208);
        const float ripples = 0.5f + 0.5f * std::sin(gx * 3.0f + gz * 1.2f + dunes * 14 + detail * 2);
        const float grain = fbm2(gx * 24, gz * 24, 2, 209);
        const Vec2 pebble = stones(gx, gz, 0.9f, 0.35f, 0.22f, 204);
        const Vec2 boulder = stones(gx, gz, 7.0f, 0.25f, 1.6f, 210);
        Colour sand = mix(rgb(0x7a3214), rgb(0xd8824a), dunes * 0.75f + detail * 0.25f);
        sand = sand * std::clamp(1 + slope, 0.55f, 1.35f);
        sand = sand * (1 + near_detail * (0.18f * (ripples - 0.5f) + 0.16f * (grain - 0.5f)));
        const Colour rock = rgb(0x5a2a18);
        sand = mix(sand, rock * (0.4f + 0.9f * pebble.y), pebble.x * near_detail);
        sand = mix(sand, rock * (0.4f + 0.9f * boulder.y), boulder.x * std::exp(-dist / 80));
        return mix(horizon_haze, sand, std::exp(-dist / 110));
    }
    if (e < near) {
        const float shade = fbm2(az * 20, e * 80, 4, 205);
        return mix(mix(rgb(0x4a1c0c), rgb(0x9a4828), shade), horizon_haze, 0.25f);
    }
    if (e < far) {
        const float shade = fbm2(az * 12, e * 40, 4, 206);
        return mix(mix(rgb(0x5a2c20), rgb(0xa86048), shade), horizon_haze, 0.45f + 0.3f * (e / std::max(far, 0.01f)));
    }
    const float up = std::pow(clamp01(e / (0.5f * kPi)), 0.5f);
    Colour sky = mix(rgb(0xe8b088), rgb(0x6a4034), up);
    const float dust = fbm3(d.x * 3, d.y * 6, d.z * 3, 4, 207);
    sky = sky * (0.92f + 0.16f * dust);
    const float s = angle_between(d, sun);
    sky = sky + rgb(0x6088c0) * (std::exp(-s / 0.12f) * 0.55f);
    sky = mix(sky, rgb(0xfff8f0), smoothstep(0.022f, 0.016f, s));
    return sky;
}

// The souls' sky: dark violet mist over black water, wisps of nebula, a few stars.
Colour souls(Vec3 d) {
    const float e = elevation(d);
    const float band = std::exp(-std::fabs(e) / 0.12f);
    Colour c = e < 0 ? mix(rgb(0x050208), rgb(0x1a0a1e), band) : mix(rgb(0x0a0614), rgb(0x2a1230), band);
    const float wisp = fbm3(d.x * 2.5f + 3, d.y * 2.5f, d.z * 2.5f, 5, 301);
    const float veil = std::pow(smoothstep(0.45f, 0.8f, wisp), 1.5f) * smoothstep(-0.2f, 0.2f, e);
    c = c + mix(rgb(0x4020a0), rgb(0xa040c0), fbm3(d.x * 5, d.y * 5, d.z * 5, 3, 302)) * (veil * 0.45f);
    if (e > 0) c = c + rgb(0xd0c8ff) * stars(d, 220, 0.12f, 303);
    return c;
}

// The night over the blue room: deep blue, a milky band, many stars, the moon, dark hills.
Colour night(Vec3 d) {
    const float e = elevation(d), az = azimuth(d);
    const float hills = skyline(az, 0.0f, 0.07f, 401, 2.0f);
    if (e < hills) return mix(rgb(0x02030a), rgb(0x060a18), smoothstep(-0.3f, hills, e));
    const float up = std::pow(clamp01(e / (0.5f * kPi)), 0.6f);
    Colour c = mix(rgb(0x142450), rgb(0x02061a), up);
    // The milky band: a tilted great circle, broken up by noise.
    const Vec3 pole = normalize(Vec3{0.3f, 0.5f, 0.81f});
    const float along = std::exp(-std::pow(dot(d, pole) / 0.22f, 2.0f));
    const float dust = fbm3(d.x * 6, d.y * 6, d.z * 6, 5, 402);
    c = c + rgb(0x5060a0) * (along * smoothstep(0.35f, 0.75f, dust) * 0.8f);
    c = c + rgb(0xe0e8ff) * (stars(d, 300, 0.04f + 0.2f * along, 403) + stars(d, 110, 0.04f, 404) * 1.5f);
    const Vec3 moon = from_angles(-0.6f, 0.42f);
    const float m = angle_between(d, moon);
    const float craters = fbm3(d.x * 60, d.y * 60, d.z * 60, 4, 405);
    c = c + rgb(0x8098d0) * (std::exp(-m / 0.1f) * 0.35f);
    c = mix(c, rgb(0xf0ecd8) * (0.75f + 0.35f * craters), smoothstep(0.062f, 0.056f, m));
    // Thin clouds low over the hills.
    const float cloud = smoothstep(0.55f, 0.8f, fbm3(d.x * 4, d.y * 12, d.z * 4, 4, 406)) * std::exp(-e / 0.25f);
    return mix(c, rgb(0x2a3454), cloud * 0.7f);
}

// The distortion: spiral arms turning round the view axis of the final scene (world z). It is added
// frame upon frame under a 10 % veil, which gathers it about eightfold, so it is painted dark.
Colour distortion(Vec3 d) {
    const float phi = std::atan2(d.y, d.x), theta = std::acos(std::clamp(d.z, -1.0f, 1.0f));
    const float warp = fbm3(d.x * 2 + 1, d.y * 2, d.z * 2, 4, 501) * 3.0f;
    const float arms = 0.5f + 0.5f * std::sin(5 * phi + 9 * theta + warp);
    const float counter = 0.5f + 0.5f * std::sin(-3 * phi + 6 * theta - warp * 0.7f);
    const float hue = 0.5f + 0.5f * std::sin(phi + theta * 2);
    Colour c = mix(rgb(0x8020c0), rgb(0x10a0d0), hue);
    c = mix(c, rgb(0xff7020), std::pow(counter, 4.0f));
    const float fine = std::pow(0.5f + 0.5f * std::sin(23 * phi + 31 * theta + warp * 2), 8.0f);
    const float light = 0.03f + 0.12f * std::pow(arms, 3.0f) + 0.05f * std::pow(counter, 6.0f) + 0.06f * fine;
    return c * light;
}

Colour (*const kSkies[kSkyCount])(Vec3) = {mars, souls, night, distortion};
const char* const kSkyPrefix[kSkyCount] = {"skyboxes/marspanorama/marspanorama_", "skyboxes/souls/souls_",
                                           "skyboxes/night/night_", "skyboxes/distortion/distortion_"};

}  // namespace

void make_sky_face(DataTree* tree, int sky, int face) {
    Raster r(kFaceSize, kFaceSize);
    r.each([&](int x, int y, Colour& p) {
        const Vec3 d = face_direction(face, (float(x) + 0.5f) / kFaceSize, (float(y) + 0.5f) / kFaceSize);
        p = kSkies[sky](d);
        p.a = 1;
    });
    tree->add_jpeg(std::string(kSkyPrefix[sky]) + kFaceSuffix[face] + ".jpg", r, 88);
}

void make_starfield(DataTree* tree) {
    const int n = 1024;
    Raster r(n, n);
    r.each([&](int x, int y, Colour& p) {
        const float u = float(x) / float(n), v = float(y) / float(n);
        const float neb = std::pow(smoothstep(0.5f, 0.85f, fbm2(u * 3, v * 3, 6, 601)), 2.0f);
        p = mix(rgb(0x102040), rgb(0x402060), fbm2(u * 5, v * 5, 3, 602)) * (neb * 0.35f);
        p.a = 1;
    });
    Rng rng(0x57A25);
    for (int i = 0; i < 3000; ++i) {
        const float x = rng.range(0, float(n)), y = rng.range(0, float(n));
        const float b = std::pow(rng.uniform(), 4.0f);
        const float warm = rng.uniform();
        const Colour c = mix(rgb(0xa0c0ff), rgb(0xfff0d0), warm);
        add_glow(&r, x, y, 1.5f + 3.5f * b, c * (0.4f + 0.6f * b), 1.5f);
        if (b > 0.6f) {
            add_line(&r, x - 12 * b, y, x + 12 * b, y, 1, c * 0.5f, 1);
            add_line(&r, x, y - 12 * b, x, y + 12 * b, 1, c * 0.5f, 1);
        }
    }
    tree->add_jpeg("skyboxes/starfield.jpg", r, 90);
}
