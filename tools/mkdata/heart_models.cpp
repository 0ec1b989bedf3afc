// heart_models.cpp -- the beating heart and the small heart on the man's chest
//
// Both are the classic implicit heart surface, (x^2 + 9/4 z^2 + y^2 - 1)^3 - x^2 y^3 - 9/80 z^2 y^3
// = 0 with y up, found along rays from its middle.
#include <algorithm>
#include <cmath>

#include "models.h"

namespace {

float heart_field(Vec3 p) {
    const float a = p.x * p.x + 2.25f * p.z * p.z + p.y * p.y - 1;
    const float y3 = p.y * p.y * p.y;
    return a * a * a - p.x * p.x * y3 - 0.1125f * p.z * p.z * y3;
}

// The outermost crossing of the surface along a ray from the origin, which lies inside.
float heart_radius(Vec3 d) {
    const int steps = 96;
    const float far = 1.7f;
    float outside = far, inside = far;
    for (int i = steps; i >= 0; --i) {
        const float r = far * float(i) / float(steps);
        if (heart_field(d * r) < 0) {
            inside = r;
            break;
        }
        outside = r;
    }
    for (int i = 0; i < 24; ++i) {
        const float mid = 0.5f * (inside + outside);
        (heart_field(d * mid) < 0 ? inside : outside) = mid;
    }
    return 0.5f * (inside + outside);
}

// The heart's surface scaled to the given height, its bounding box centred on the origin.
Mesh heart_mesh(const char* name, float height, int rings, int segments, int material) {
    Mesh mesh;
    mesh.name = name;
    add_radial_surface(&mesh, Frame{}, rings, segments, heart_radius, [material](Vec3) { return material; });
    Vec3 lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
    for (const MeshVertex& v : mesh.vertices) {
        lo = {std::min(lo.x, v.p.x), std::min(lo.y, v.p.y), std::min(lo.z, v.p.z)};
        hi = {std::max(hi.x, v.p.x), std::max(hi.y, v.p.y), std::max(hi.z, v.p.z)};
    }
    const float s = height / (hi.y - lo.y);
    transform_mesh(&mesh, scaling({s, s, s}), (lo + hi) * (-0.5f * s));
    return mesh;
}

// Great vessels leaving the top of the heart: the aortic arch and the pulmonary trunk, as chains of
// capsules. Heart coordinates: height 1, centred.
void add_vessels(Mesh* mesh, float scale, Vec3 offset, int material) {
    auto p = [&](float x, float y, float z) { return Vec3{x, y, z} * scale + offset; };
    const Vec3 aorta[6] = {p(0.05f, 0.32f, 0.02f), p(0.06f, 0.48f, 0.02f), p(0.0f, 0.60f, 0.0f),
                           p(-0.12f, 0.62f, -0.02f), p(-0.22f, 0.54f, -0.02f), p(-0.25f, 0.40f, 0.0f)};
    for (int i = 0; i < 5; ++i) add_capsule(mesh, aorta[i], aorta[i + 1], 0.075f * scale, 0.07f * scale, 12, material);
    add_capsule(mesh, p(-0.1f, 0.30f, -0.08f), p(-0.16f, 0.46f, -0.1f), 0.07f * scale, 0.06f * scale, 12, material);
    add_capsule(mesh, p(0.0f, 0.60f, 0.0f), p(0.02f, 0.74f, 0.0f), 0.03f * scale, 0.025f * scale, 8, material);
    add_capsule(mesh, p(-0.08f, 0.61f, 0.0f), p(-0.1f, 0.74f, 0.02f), 0.03f * scale, 0.025f * scale, 8, material);
}

}  // namespace

bool make_heart_models(DataTree* tree, std::string* error) {
    // The beating heart: drawn at half size, 1.5 below its camera's target and spinning about the
    // vertical, so six units tall centred three above its origin. Coloured only: its glow copies
    // are drawn lit, with the specular red (0.25) as their alpha. The specular has no green or
    // blue: at a shininess this low it lights the whole surface, and would wash the heart and its
    // additive glow out to pink.
    {
        Model3ds model;
        model.materials = {material("miocardio", 0x4a0406, 0xb0101a, 0x400808, 0.3f),
                           material("arteria", 0x300810, 0x701828, 0x400808, 0.3f)};
        Mesh heart = heart_mesh("corazon", 6.0f, 40, 64, 0);
        Mesh vessels;
        vessels.name = "vasos";
        add_vessels(&vessels, 6.0f, {0, 0, 0}, 1);
        model.objects = {heart, vessels};
        // Raised so that its middle is three above the origin.
        if (!add_model(tree, "models/spinheart/spinheart.3ds", model, Mat3{}, {0, 3, 0}, error)) return false;
    }
    // The small heart: textured, unlit when drawn. The man stands 2 units in front of the
    // placement camera, far from where the section puts its heart, so the model carries the offset:
    // the section maps a file vertex f to the world point (0.35 + 0.12 f.x, 2 - 0.12 f.z,
    // 2.85 + 0.12 f.y), and the heart is wanted on the man's chest.
    {
        Model3ds model;
        model.materials = {material("carne", 0x801010, 0xd04040, 0x202020, 0.2f, "corazon.jpg")};
        Mesh heart = heart_mesh("corazon", 0.2f, 24, 32, 0);
        heart.has_uv = true;
        // Turned a little, as a heart leans in the chest.
        transform_mesh(&heart, rotation(-18, {0, 0, 1}), {0, 0, 0});
        model.objects = {heart};
        const Vec3 chest{-0.06f, 1.2f, -98.14f};  // world position, see human_models.cpp
        const float k = 1 / 0.12f;
        Mat3 m;
        m.m[0][0] = k, m.m[0][1] = 0, m.m[0][2] = 0;
        m.m[1][0] = 0, m.m[1][1] = 0, m.m[1][2] = k;
        m.m[2][0] = 0, m.m[2][1] = -k, m.m[2][2] = 0;
        const Vec3 offset = m * (chest - Vec3{0.35f, 2.0f, 2.85f});
        if (!add_model(tree, "models/corazon/corazon.3ds", model, m, offset, error)) return false;
    }
    return true;
}
