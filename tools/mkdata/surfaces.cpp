// surfaces.cpp -- materials that tile over surfaces: the marble floor, the dark water, the models' skins
#include <cmath>
#include <cstdio>

#include "noise.h"
#include "pictures.h"
#include "vecmath.h"

namespace {

// Four by four marble tiles with grout, dark grey and oxblood, so that the red-lit man stands out
// against them; the picture repeats seamlessly.
void make_floor(DataTree* tree) {
    const int n = 256;
    Raster r(n, n);
    r.each([&](int x, int y, Colour& p) {
        const float u = float(x) / float(n), v = float(y) / float(n);
        const int tile = n / 4;
        const bool dark = ((x / tile) + (y / tile)) % 2 == 1;
        const float veins = std::fabs(std::sin((u * 3 + v * 2) * kPi * 2 + fbm2(u * 4, v * 4, 5, 31, 4) * 7.0f));
        const float cloud = fbm2(u * 8, v * 8, 4, 32, 8);
        Colour base = dark ? rgb(0x1a1616) : rgb(0x6a2a26);
        const Colour vein = dark ? rgb(0x5a524c) : rgb(0xc08070);
        base = mix(base, vein, std::pow(1 - veins, 12.0f) * 0.8f);
        base = base * (0.85f + 0.3f * cloud);
        // Grout along every tile edge; the picture's own edges are tile edges, so it tiles.
        const int tx = x % tile, ty = y % tile;
        const int edge = std::min(std::min(tx, tile - 1 - tx), std::min(ty, tile - 1 - ty));
        if (edge < 1) base = rgb(0x050404);
        else if (edge < 3) base = base * 0.7f;
        base.a = 1;
        p = base;
    });
    tree->add_jpeg("textures/suelo.jpg", r, 90);
}

// Dark water: deep blue-black with caustic ripples.
void make_water(DataTree* tree) {
    const int n = 256, period = 4;
    Raster r(n, n);
    r.each([&](int x, int y, Colour& p) {
        const float u = float(x) / float(n) * float(period), v = float(y) / float(n) * float(period);
        const float warp = fbm2(u, v, 3, 41, period);
        const float caustic = ridged2(u * 2 + warp, v * 2 - warp, 4, 42, period * 2);
        const float depth = fbm2(u * 0.5f + 3, v * 0.5f, 3, 43, period / 2);
        Colour c = mix(rgb(0x01030a), rgb(0x06163a), depth);
        c = c + rgb(0x4a78c0) * (std::pow(caustic, 6.0f) * 0.8f);
        c.a = 1;
        p = c;
    });
    tree->add_jpeg("textures/water.jpg", r, 90);
}

// Flesh red with dark veins: the small heart's skin. It wraps round (u is periodic).
void make_heart_skin(DataTree* tree) {
    const int w = 256, h = 256;
    Raster r(w, h);
    r.each([&](int x, int y, Colour& p) {
        const float u = float(x) / float(w) * 8, v = float(y) / float(h) * 8;
        const float veins = ridged2(u, v, 5, 51, 8);
        const float mottled = fbm2(u * 2, v * 2, 4, 52, 16);
        Colour c = mix(rgb(0xc01820), rgb(0xff5a4a), mottled);
        c = mix(c, rgb(0x500818), std::pow(veins, 5.0f) * 0.9f);
        c = c + rgb(0xffd0c0) * (std::pow(mottled, 6.0f) * 0.7f);
        c.a = 1;
        p = c;
    });
    tree->add_jpeg("models/corazon/corazon.jpg", r, 90);
}

// Brushed steel for the logo's frame, and its glowing red twin.
void make_logo_skins(DataTree* tree) {
    const int n = 256;
    Raster steel(n, n), hot(n, n), lava(n, n);
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            const float u = float(x) / float(n), v = float(y) / float(n);
            const float brushed = fbm2(u * 2, v * 64, 3, 61, 0);
            const float sheen = 0.5f + 0.5f * std::sin(v * kPi * 2 + u * 1.5f);
            Colour s = mix(rgb(0x707884), rgb(0xe0e6f0), brushed * 0.6f + sheen * 0.4f);
            s.a = 1;
            steel.at(x, y) = s;
            const float cracks = ridged2(u * 6, v * 6, 5, 62, 0);
            Colour c = mix(rgb(0x300000), rgb(0xa01000), fbm2(u * 4, v * 4, 4, 63, 0));
            c = c + rgb(0xff8020) * std::pow(cracks, 6.0f);
            c.a = 1;
            hot.at(x, y) = c;
            const float flow = fbm2(u * 5 + fbm2(u * 3, v * 3, 3, 64, 0), v * 5, 5, 65, 0);
            Colour l = mix(rgb(0x600000), rgb(0xff3010), flow);
            l = l + rgb(0xffc060) * std::pow(flow, 6.0f);
            l.a = 1;
            lava.at(x, y) = l;
        }
    }
    tree->add_jpeg("models/VarnelLogo/marco/normal/marco.jpg", steel, 90);
    tree->add_jpeg("models/VarnelLogo/marco/rojo/marcorojo.jpg", hot, 90);
    tree->add_jpeg("models/VarnelLogo/letra/roja/letraroja.jpg", lava, 90);
}

// Five planets, each an equirectangular map that wraps round.
void make_planet_skins(DataTree* tree) {
    const int w = 256, h = 128;
    for (int k = 0; k < 5; ++k) {
        Raster r(w, h);
        r.each([&](int x, int y, Colour& p) {
            const float u = float(x) / float(w), v = float(y) / float(h);
            const float lat = (v - 0.5f) * kPi;
            const float lon = u * 2 * kPi;
            // Noise on the sphere itself, so the map has no seam.
            const float sx = std::cos(lat) * std::cos(lon), sy = std::sin(lat), sz = std::cos(lat) * std::sin(lon);
            const uint32_t seed = 70u + uint32_t(k) * 7u;
            const float n1 = fbm3(sx * 2 + 5, sy * 2, sz * 2, 5, seed);
            const float bands = 0.5f + 0.5f * std::sin(sy * 14 + n1 * 4);
            Colour c;
            switch (k) {
            case 0: {  // grey moon with craters
                const float craters = std::pow(ridged3(sx * 4, sy * 4, sz * 4, 3, seed + 1), 3.0f);
                c = mix(rgb(0x4a4c52), rgb(0xb8bac0), n1) * (1 - 0.4f * craters);
                break;
            }
            case 1:  // ocean world with clouds
                c = n1 > 0.52f ? mix(rgb(0x2f6a2a), rgb(0xb0a070), (n1 - 0.52f) * 3) : mix(rgb(0x081a50), rgb(0x1a5aa0), n1 * 1.6f);
                c = mix(c, rgb(0xffffff), smoothstep(0.55f, 0.75f, fbm3(sx * 3, sy * 6, sz * 3, 4, seed + 2)));
                break;
            case 2:  // green gas bands
                c = mix(rgb(0x1c4a20), rgb(0xb8e0a0), bands);
                break;
            case 3:  // rust desert
                c = mix(rgb(0x5a1a08), rgb(0xd8703a), n1) * (0.8f + 0.4f * bands * 0.5f);
                break;
            default:  // violet giant with a storm
                c = mix(rgb(0x3a0a4a), rgb(0xe0a0f0), bands);
                c = mix(c, rgb(0xffe0ff), smoothstep(0.08f, 0.0f, std::hypot(u - 0.3f, (v - 0.6f) * 0.5f)));
                break;
            }
            c.a = 1;
            p = c;
        });
        char path[64];
        snprintf(path, sizeof path, "models/amilar/planets/planet%d.jpg", k + 1);
        tree->add_jpeg(path, r, 88);
    }
}

}  // namespace

void make_floor_and_water(DataTree* tree) {
    make_floor(tree);
    make_water(tree);
}

void make_model_skins(DataTree* tree) {
    make_heart_skin(tree);
    make_logo_skins(tree);
    make_planet_skins(tree);
}
