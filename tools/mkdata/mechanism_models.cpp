// mechanism_models.cpp -- the armillary mechanism of "amilar": support, gears, axis, zodiac, rings, planets
//
// The section draws the support turned 90 degrees about x (world = file coordinates) and every other
// part turned -90 degrees about y, which maps a file vertex f to (f.y, f.z, f.x) in the part's frame
// of the turning hierarchy. The pieces are built in that frame, H: the gears and the axis turn about H's
// z, towards the default camera at (0, 0, 1.75); the zodiac and the rings turn about H's y.
#include <cmath>
#include <cstdio>

#include "models.h"

namespace {

constexpr int kBrass = 0, kSteel = 1, kDark = 2;

Model3ds metal_model() {
    Model3ds model;
    model.materials = {material("laton", 0x403010, 0xd0a040, 0xf0e0a0, 0.35f),
                       material("acero", 0x303438, 0xa0a8b0, 0xffffff, 0.5f),
                       material("oscuro", 0x181410, 0x40342a, 0x202020, 0.2f)};
    return model;
}

// H -> file: f = (h.z, h.x, h.y).
Mat3 file_from_part() {
    Mat3 m;
    m.m[0][0] = 0, m.m[0][1] = 0, m.m[0][2] = 1;
    m.m[1][0] = 1, m.m[1][1] = 0, m.m[1][2] = 0;
    m.m[2][0] = 0, m.m[2][1] = 1, m.m[2][2] = 0;
    return m;
}

// A frame whose xy plane (where bands are drawn) lies across the given axis; its z is the axis.
Frame across(Vec3 origin, Vec3 axis) {
    const Vec3 z = normalize(axis);
    const Vec3 helper = std::fabs(z.y) < 0.9f ? Vec3{0, 1, 0} : Vec3{1, 0, 0};
    const Vec3 x = normalize(cross(helper, z));
    return {origin, from_columns(x, cross(z, x), z)};
}

// A frame whose y axis (about which tori and cylinders are made) is the given axis.
Frame along(Vec3 origin, Vec3 axis) {
    const Vec3 y = normalize(axis);
    const Vec3 helper = std::fabs(y.z) < 0.9f ? Vec3{0, 0, 1} : Vec3{1, 0, 0};
    const Vec3 x = normalize(cross(y, helper));
    return {origin, from_columns(x, y, cross(x, y))};
}

// A toothed wheel: a band from a round hole out to a toothed rim, extruded across its axis.
void add_gear(Mesh* mesh, const Frame& frame, int teeth, float hole, float root, float tip, float z0, float z1,
              int material) {
    std::vector<Vec2> rim, inner;
    const int per_tooth = 8;
    for (int i = 0; i < teeth * per_tooth; ++i) {
        const float a = 2 * kPi * float(i) / float(teeth * per_tooth);
        const int phase = i % per_tooth;
        // Flat top over three samples, flanks of one, root of three.
        const float r = phase < 3 ? tip : phase == 3 || phase == 7 ? 0.5f * (tip + root) : root;
        rim.push_back({std::cos(a) * r, std::sin(a) * r});
        inner.push_back({std::cos(a) * hole, std::sin(a) * hole});
    }
    add_extruded_band(mesh, frame, rim, inner, true, z0, z1, material, {-tip, -tip}, {tip, tip});
}

void add_ring_band(Mesh* mesh, const Frame& frame, float r_in, float r_out, float z0, float z1, int material, int n = 96) {
    std::vector<Vec2> a, b;
    for (int i = 0; i < n; ++i) {
        const float t = 2 * kPi * float(i) / float(n);
        a.push_back({std::cos(t) * r_out, std::sin(t) * r_out});
        b.push_back({std::cos(t) * r_in, std::sin(t) * r_in});
    }
    add_extruded_band(mesh, frame, a, b, true, z0, z1, material, {-r_out, -r_out}, {r_out, r_out});
}

bool write(DataTree* tree, const char* path, Model3ds model, std::string* error) {
    return add_model(tree, path, std::move(model), file_from_part(), {0, 0, 0}, error);
}

// Rings: vertical circles through the poles of H's y axis, each in its own plane round it.
constexpr float kRingRadius[5] = {0.86f, 0.93f, 1.0f, 1.06f, 1.12f};
constexpr float kRingPlane[5] = {0, 72, 144, 216, 288};    // degrees about y
constexpr float kPlanetLatitude[5] = {0, 35, -25, 55, -45};  // degrees along the ring from its equator
constexpr float kPlanetRadius[5] = {0.075f, 0.065f, 0.09f, 0.055f, 0.1f};

Vec3 ring_axis(int n) {
    const float a = kRingPlane[n] * kPi / 180;
    return {std::sin(a), 0, std::cos(a)};
}

}  // namespace

bool make_mechanism_models(DataTree* tree, std::string* error) {
    // 1. The support, in world axes: a round foot, a column, a fixed meridian and horizon circle.
    {
        Model3ds model = metal_model();
        Mesh m;
        m.name = "soporte";
        add_cylinder(&m, Frame{}, 0.55f, -1.62f, -1.54f, 48, kDark);
        add_cylinder(&m, Frame{}, 0.42f, -1.54f, -1.50f, 48, kBrass);
        add_cylinder(&m, Frame{}, 0.06f, -1.50f, -1.20f, 20, kBrass);
        add_torus(&m, along({0, 0, 0}, {0, 0, 1}), 1.22f, 0.028f, 96, 10, kBrass);
        add_torus(&m, Frame{}, 1.22f, 0.022f, 96, 10, kBrass);
        for (int i = 0; i < 4; ++i) {
            const float a = kPi * 0.5f * float(i) + kPi * 0.25f;
            add_box(&m, Frame{{std::cos(a) * 0.45f, -1.64f, std::sin(a) * 0.45f}, rotation(-45 - 90 * float(i), {0, 1, 0})},
                    {0.09f, 0.03f, 0.05f}, kDark);
        }
        model.objects = {m};
        if (!add_model(tree, "models/amilar/01support.3ds", model, Mat3{}, {0, 0, 0}, error)) return false;
    }
    // 2. The outer gear: a great toothed ring behind the sphere, with spokes to a hub.
    {
        Model3ds model = metal_model();
        Mesh m;
        m.name = "engranaje";
        const Frame f = across({0, 0, 0}, {0, 0, 1});
        add_gear(&m, f, 48, 1.12f, 1.30f, 1.38f, -1.40f, -1.33f, kBrass);
        add_ring_band(&m, f, 0.04f, 0.15f, -1.42f, -1.31f, kBrass, 32);
        for (int i = 0; i < 6; ++i) {
            const float a = kPi / 3 * float(i);
            add_stroke(&m, f, {std::cos(a) * 0.13f, std::sin(a) * 0.13f}, {std::cos(a) * 1.14f, std::sin(a) * 1.14f}, 0.05f,
                       -1.39f, -1.34f, kBrass);
        }
        model.objects = {m};
        if (!write(tree, "models/amilar/02engranajeEXT.3ds", model, error)) return false;
    }
    // 3. The main axis: the polar rod with knobs at its ends and a collar at its middle.
    {
        Model3ds model = metal_model();
        Mesh m;
        m.name = "eje";
        add_cylinder(&m, Frame{}, 0.012f, -1.26f, 1.26f, 12, kSteel);
        add_ellipsoid(&m, Frame{{0, 1.28f, 0}, {}}, {0.035f, 0.035f, 0.035f}, 8, 12, kBrass);
        add_ellipsoid(&m, Frame{{0, -1.28f, 0}, {}}, {0.035f, 0.035f, 0.035f}, 8, 12, kBrass);
        add_cylinder(&m, Frame{}, 0.03f, -0.05f, 0.05f, 16, kBrass);
        // An arm out to the outer gear, which the axis turns with.
        add_cylinder(&m, along({0, 0, -0.7f}, {0, 0, 1}), 0.01f, -0.65f, 0.65f, 8, kSteel);
        model.objects = {m};
        if (!write(tree, "models/amilar/03mainAxis.3ds", model, error)) return false;
    }
    // 4. The inner gear: a small wheel round the axis, across it (the section rocks it about x).
    {
        Model3ds model = metal_model();
        Mesh m;
        m.name = "rueda";
        add_gear(&m, across({0, 0, 0}, {0, 1, 0}), 20, 0.05f, 0.26f, 0.3f, -0.02f, 0.02f, kSteel);
        add_cylinder(&m, Frame{}, 0.05f, -0.05f, 0.05f, 16, kBrass);
        model.objects = {m};
        if (!write(tree, "models/amilar/04innerGear.3ds", model, error)) return false;
    }
    // 5. The zodiac: a broad band round the axis with twelve raised signs.
    {
        Model3ds model = metal_model();
        Mesh m;
        m.name = "zodiaco";
        const Frame f = across({0, 0, 0}, {0, 1, 0});
        add_ring_band(&m, f, 0.70f, 0.80f, -0.02f, 0.02f, kBrass, 120);
        for (int i = 0; i < 12; ++i) {
            const float a = 2 * kPi * float(i) / 12 + kPi / 12;
            const Vec3 at{std::cos(a) * 0.75f, 0.028f, std::sin(a) * 0.75f};
            add_box(&m, Frame{at, rotation(-a * 180 / kPi, {0, 1, 0})}, {0.035f, 0.01f, 0.028f}, i % 2 ? kSteel : kDark);
            // Ticks between the signs.
            const float b = 2 * kPi * float(i) / 12;
            add_box(&m, Frame{{std::cos(b) * 0.75f, 0, std::sin(b) * 0.75f}, rotation(-b * 180 / kPi, {0, 1, 0})},
                    {0.055f, 0.026f, 0.006f}, kSteel);
        }
        model.objects = {m};
        if (!write(tree, "models/amilar/05zodiac.3ds", model, error)) return false;
    }
    // 6 to 10. The rings, each with graduation studs.
    const char* const ring_files[5] = {"models/amilar/06ring1.3ds", "models/amilar/07ring2.3ds", "models/amilar/08ring3.3ds",
                                       "models/amilar/09ring4.3ds", "models/amilar/10ring5.3ds"};
    for (int n = 0; n < 5; ++n) {
        Model3ds model = metal_model();
        Mesh m;
        m.name = "anillo";
        const Frame f = along({0, 0, 0}, ring_axis(n));
        add_torus(&m, f, kRingRadius[n], 0.013f, 120, 8, n % 2 ? kSteel : kBrass);
        for (int i = 0; i < 8; ++i) {
            const float a = 2 * kPi * float(i) / 8;
            const Vec3 p = f.apply({std::cos(a) * kRingRadius[n], 0, -std::sin(a) * kRingRadius[n]});
            add_ellipsoid(&m, Frame{p, {}}, {0.02f, 0.02f, 0.02f}, 6, 8, kBrass);
        }
        model.objects = {m};
        if (!write(tree, ring_files[n], model, error)) return false;
    }
    // 11 to 15. The planets, each where its ring carries it, textured (the section uploads their
    // maps) and coloured for the lit drawing that it uses.
    for (int n = 0; n < 5; ++n) {
        Model3ds model;
        char map[32];
        snprintf(map, sizeof map, "planet%d.jpg", n + 1);
        model.materials = {material("planeta", 0x606060, 0xe0e0e0, 0x303030, 0.3f, map)};
        Mesh m;
        m.name = "planeta";
        m.has_uv = true;
        const Frame ring = along({0, 0, 0}, ring_axis(n));
        const float lat = kPlanetLatitude[n] * kPi / 180;
        // In the ring's own plane (its frame's xz), lat round from its x axis towards -y's pole.
        const Vec3 at = ring.apply(Vec3{std::cos(lat), 0, -std::sin(lat)} * kRingRadius[n]);
        add_ellipsoid(&m, Frame{at, {}}, {kPlanetRadius[n], kPlanetRadius[n], kPlanetRadius[n]}, 16, 24, 0);
        if (n == 4) add_torus(&m, Frame{at, rotation(25, {1, 0, 0})}, kPlanetRadius[n] * 1.7f, 0.006f, 48, 6, 0);
        model.objects = {m};
        char path[64];
        snprintf(path, sizeof path, "models/amilar/planets/planet%d.3ds", n + 1);
        if (!write(tree, path, model, error)) return false;
    }
    return true;
}
