// human_models.cpp -- the standing man of "hombre" and the falling figure, built from rounded limbs
#include <cmath>

#include "models.h"

namespace {

// A figure's joints in its own axes: y up, facing -z, metres. The man's right is +x.
struct Pose {
    Vec3 head, neck_low, neck_high;
    Vec3 chest, belly, hips;
    Vec3 shoulder[2], elbow[2], wrist[2], hand[2];
    Vec3 hip[2], knee[2], ankle[2], toe[2];
};

// A body of ellipsoids (head, trunk, hands, feet) and tapered capsules (neck and limbs), one object
// per part so that each gets smooth normals of its own.
std::vector<Mesh> body_meshes(const Pose& p, int skin, int cloth) {
    std::vector<Mesh> parts;
    auto part = [&](const char* name) -> Mesh& {
        parts.emplace_back();
        parts.back().name = name;
        return parts.back();
    };
    add_ellipsoid(&part("cabeza"), Frame{p.head, {}}, {0.095f, 0.118f, 0.104f}, 12, 16, skin);
    add_capsule(&part("cuello"), p.neck_low, p.neck_high, 0.055f, 0.048f, 12, skin);
    // The trunk's ellipsoids follow the line from hips to chest, so a bent figure bends them too.
    const Vec3 up = normalize(p.chest - p.hips);
    const Vec3 side = normalize(cross(up, Vec3{0, 0, 1}));
    const Mat3 trunk = from_columns(side * -1.0f, up, cross(side * -1.0f, up));
    add_ellipsoid(&part("pecho"), Frame{p.chest, trunk}, {0.185f, 0.17f, 0.115f}, 10, 16, cloth);
    add_ellipsoid(&part("vientre"), Frame{p.belly, trunk}, {0.155f, 0.16f, 0.105f}, 10, 16, cloth);
    add_ellipsoid(&part("cadera"), Frame{p.hips, trunk}, {0.17f, 0.11f, 0.115f}, 10, 16, cloth);
    for (int s = 0; s < 2; ++s) {
        add_ellipsoid(&part(s ? "hombro_i" : "hombro_d"), Frame{p.shoulder[s], {}}, {0.07f, 0.065f, 0.07f}, 8, 12, cloth);
        add_capsule(&part(s ? "brazo_i" : "brazo_d"), p.shoulder[s], p.elbow[s], 0.052f, 0.043f, 10, cloth);
        add_capsule(&part(s ? "antebrazo_i" : "antebrazo_d"), p.elbow[s], p.wrist[s], 0.043f, 0.032f, 10, skin);
        const Vec3 along = normalize(p.hand[s] - p.wrist[s]);
        const Vec3 flat = normalize(cross(along, Vec3{0, 0, 1}));
        add_ellipsoid(&part(s ? "mano_i" : "mano_d"), Frame{p.hand[s], from_columns(flat, along, cross(flat, along))},
                      {0.04f, 0.075f, 0.022f}, 8, 10, skin);
        add_capsule(&part(s ? "muslo_i" : "muslo_d"), p.hip[s], p.knee[s], 0.085f, 0.058f, 12, cloth);
        add_capsule(&part(s ? "pierna_i" : "pierna_d"), p.knee[s], p.ankle[s], 0.056f, 0.04f, 12, cloth);
        add_capsule(&part(s ? "pie_i" : "pie_d"), p.ankle[s] + Vec3{0, -0.02f, 0.02f}, p.toe[s], 0.045f, 0.035f, 10, skin);
    }
    return parts;
}

Pose standing() {
    Pose p;
    p.head = {0, 1.64f, -0.01f};
    p.neck_low = {0, 1.45f, 0};
    p.neck_high = {0, 1.56f, -0.005f};
    p.chest = {0, 1.30f, 0};
    p.belly = {0, 1.08f, -0.005f};
    p.hips = {0, 0.93f, 0};
    for (int s = 0; s < 2; ++s) {
        const float side = s ? -1.0f : 1.0f;
        p.shoulder[s] = {0.2f * side, 1.40f, 0};
        p.elbow[s] = {0.27f * side, 1.12f, 0.03f};
        p.wrist[s] = {0.30f * side, 0.86f, -0.02f};
        p.hand[s] = {0.31f * side, 0.78f, -0.03f};
        p.hip[s] = {0.095f * side, 0.9f, 0};
        p.knee[s] = {0.11f * side, 0.5f, -0.01f};
        p.ankle[s] = {0.115f * side, 0.09f, 0.02f};
        p.toe[s] = {0.12f * side, 0.035f, -0.13f};
    }
    return p;
}

// Spread out as a falling body is: arms flung up and out, legs apart and bent, back arched. The
// pelvis is at the origin, about which the section makes it tumble.
Pose falling() {
    Pose p;
    p.head = {0, 0.72f, -0.05f};
    p.neck_low = {0, 0.53f, 0};
    p.neck_high = {0, 0.62f, -0.03f};
    p.chest = {0, 0.38f, 0.01f};
    p.belly = {0, 0.16f, 0.02f};
    p.hips = {0, 0.0f, 0};
    for (int s = 0; s < 2; ++s) {
        const float side = s ? -1.0f : 1.0f;
        p.shoulder[s] = {0.2f * side, 0.48f, 0};
        p.elbow[s] = {0.46f * side, 0.62f, 0.06f};
        p.wrist[s] = {0.63f * side, 0.84f, 0.03f};
        p.hand[s] = {0.67f * side, 0.92f, 0.01f};
        p.hip[s] = {0.095f * side, -0.03f, 0};
        p.knee[s] = {0.26f * side, -0.4f, 0.1f};
        p.ankle[s] = {0.34f * side, -0.79f, 0.04f};
        p.toe[s] = {0.36f * side, -0.84f, -0.08f};
    }
    return p;
}

}  // namespace

bool make_human_models(DataTree* tree, std::string* error) {
    // The man: the placement camera stands at (0, 0, -100) and sees nothing beyond z = 0, its far
    // plane; the floor lies at y = -0.1. So he stands on the floor 2.2 units in front of the camera,
    // at human size, facing it. His model is drawn with world = file coordinates.
    {
        Model3ds model;
        // Lit by a red light from far behind him, he shows mostly his ambient colour.
        model.materials = {material("piel", 0xd0b8b0, 0xe0c8c0, 0x202020, 0.2f),
                           material("ropa", 0x8c8c98, 0x707080, 0x101010, 0.1f)};
        model.objects = body_meshes(standing(), 0, 1);
        if (!add_model(tree, "models/body3dlow.3ds", model, Mat3{}, {0, -0.1f, -98.0f}, error)) return false;
    }
    // The falling figure: the section draws it turned half round about x, so world = (f.x, -f.z,
    // f.y) plus its fall; it then faces the tunnel's first camera as it comes down the tube.
    {
        Model3ds model;
        model.materials = {material("piel", 0x605050, 0xe8d8d0, 0x505050, 0.25f),
                           material("ropa", 0x303040, 0x8088a0, 0x404040, 0.2f)};
        model.objects = body_meshes(falling(), 0, 1);
        // A little larger than life, so that it fills the tunnel's wide views.
        for (Mesh& mesh : model.objects) transform_mesh(&mesh, scaling({1.3f, 1.3f, 1.3f}), {0, 0, 0});
        Mat3 m;
        m.m[0][0] = 1, m.m[0][1] = 0, m.m[0][2] = 0;
        m.m[1][0] = 0, m.m[1][1] = 0, m.m[1][2] = 1;
        m.m[2][0] = 0, m.m[2][1] = -1, m.m[2][2] = 0;
        if (!add_model(tree, "models/fallingfinal.3ds", model, m, {0, 0, 0}, error)) return false;
    }
    return true;
}
