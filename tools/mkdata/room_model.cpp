// room_model.cpp -- the blue room: a roofless room with windows on the night, a table, chairs, a shelf
//
// The section draws the room turned 90 degrees about x and 180 about z, which comes to world =
// (-f.x, f.y, -f.z). Its camera stands at (0.31, 0.79, -3.88) looking along +x, later at
// (0.80, 1.10, -3.77) looking down at a round star rug; its light hangs at (0, 0.5, 0). The room is
// built in world axes round those places: x from -2 to 3.5, z from -5 to 1, walls 2.6 high.
#include <cmath>

#include "models.h"

namespace {

enum RoomMaterial { kWall, kTileLight, kTileDark, kWood, kFrame, kRug, kBook1, kBook2, kBook3, kLamp, kCloth, kMaterialCount };

constexpr float kX0 = -2.0f, kX1 = 3.5f, kZ0 = -5.0f, kZ1 = 1.0f, kHeight = 2.6f, kWallHalf = 0.06f;

void box(Mesh* m, Vec3 lo, Vec3 hi, int material) {
    add_box(m, Frame{(lo + hi) * 0.5f, {}}, (hi - lo) * 0.5f, material);
}

// A wall along x (at z) or along z (at x) from a to b, with a window opening from w0 to w1 along it
// and from sill to lintel in height; w0 == w1 leaves it whole.
void wall(Mesh* m, bool along_x, float at, float a, float b, float w0, float w1, float sill, float lintel) {
    auto piece = [&](float s0, float s1, float y0, float y1) {
        if (s1 <= s0 || y1 <= y0) return;
        if (along_x) {
            box(m, {s0, y0, at - kWallHalf}, {s1, y1, at + kWallHalf}, kWall);
        } else {
            box(m, {at - kWallHalf, y0, s0}, {at + kWallHalf, y1, s1}, kWall);
        }
    };
    if (w1 <= w0) {
        piece(a, b, 0, kHeight);
        return;
    }
    piece(a, w0, 0, kHeight);
    piece(w1, b, 0, kHeight);
    piece(w0, w1, 0, sill);
    piece(w0, w1, lintel, kHeight);
    // The window's frame and its cross.
    const float t = 0.04f;
    auto bar = [&](float s0, float s1, float y0, float y1) {
        if (along_x) {
            box(m, {s0, y0, at - kWallHalf - 0.02f}, {s1, y1, at + kWallHalf + 0.02f}, kFrame);
        } else {
            box(m, {at - kWallHalf - 0.02f, y0, s0}, {at + kWallHalf + 0.02f, y1, s1}, kFrame);
        }
    };
    const float mid_s = 0.5f * (w0 + w1), mid_y = 0.5f * (sill + lintel);
    bar(w0, w1, sill - t, sill + t);
    bar(w0, w1, lintel - t, lintel + t);
    bar(w0 - t, w0 + t, sill, lintel);
    bar(w1 - t, w1 + t, sill, lintel);
    bar(mid_s - t * 0.5f, mid_s + t * 0.5f, sill, lintel);
    bar(w0, w1, mid_y - t * 0.5f, mid_y + t * 0.5f);
}

void chair(Mesh* m, Vec3 at, float turn) {
    const Frame f{at, rotation(turn, {0, 1, 0})};
    auto part = [&](Vec3 c, Vec3 half) { add_box(m, Frame{f.apply(c), f.basis}, half, kWood); };
    part({0, 0.45f, 0}, {0.22f, 0.025f, 0.22f});
    for (float x : {-0.19f, 0.19f}) {
        for (float z : {-0.19f, 0.19f}) part({x, 0.22f, z}, {0.02f, 0.22f, 0.02f});
    }
    part({0, 0.75f, 0.2f}, {0.22f, 0.12f, 0.02f});
    for (float x : {-0.19f, 0.19f}) part({x, 0.62f, 0.2f}, {0.02f, 0.16f, 0.02f});
}

}  // namespace

bool make_room_model(DataTree* tree, std::string* error) {
    Model3ds model;
    model.materials.resize(kMaterialCount);
    // The room's light is dim and yellow, its blue lies in the ambient colours.
    model.materials[kWall] = material("pared", 0x5070f0, 0x5a80f0, 0x101010, 0.1f);
    model.materials[kTileLight] = material("baldosa", 0xc8d0f0, 0xd8e0ff, 0x202020, 0.3f);
    model.materials[kTileDark] = material("baldosa_oscura", 0x183068, 0x203880, 0x202020, 0.3f);
    model.materials[kWood] = material("madera", 0x806040, 0x905c30, 0x101010, 0.2f);
    model.materials[kFrame] = material("marco", 0xe0e8ff, 0xf0f0ff, 0x303030, 0.3f);
    model.materials[kRug] = material("alfombra", 0x802030, 0xa02838, 0x000000, 0.1f);
    model.materials[kBook1] = material("libro1", 0xa03020, 0xc04030, 0x101010, 0.2f);
    model.materials[kBook2] = material("libro2", 0x20806a, 0x30a080, 0x101010, 0.2f);
    model.materials[kBook3] = material("libro3", 0xc0a040, 0xe0c050, 0x101010, 0.2f);
    model.materials[kLamp] = material("lampara", 0xfff0b0, 0xffe080, 0x606060, 0.5f);
    model.materials[kCloth] = material("tela", 0xd0d0e0, 0xe0e0f0, 0x101010, 0.1f);

    Mesh shell;
    shell.name = "habitacion";
    // A floor of half-metre tiles, facing up.
    const float tile = 0.5f;
    for (int i = 0; float(i) * tile < kX1 - kX0; ++i) {
        for (int k = 0; float(k) * tile < kZ1 - kZ0; ++k) {
            const float x0 = kX0 + float(i) * tile, z0 = kZ0 + float(k) * tile;
            const float x1 = std::min(x0 + tile, kX1), z1 = std::min(z0 + tile, kZ1);
            const uint32_t a = shell.add_vertex({x0, 0, z0}), b = shell.add_vertex({x0, 0, z1});
            const uint32_t c = shell.add_vertex({x1, 0, z1}), d = shell.add_vertex({x1, 0, z0});
            shell.add_quad(a, b, c, d, (i + k) % 2 ? kTileDark : kTileLight);
        }
    }
    // Walls, with windows onto the night: a wide one ahead of the first view, one on each side.
    wall(&shell, false, kX1, kZ0, kZ1, -4.3f, -2.7f, 0.85f, 2.05f);
    wall(&shell, false, kX0, kZ0, kZ1, -1.5f, -0.3f, 0.9f, 2.0f);
    wall(&shell, true, kZ0, kX0, kX1, 0.6f, 2.2f, 0.9f, 2.0f);
    wall(&shell, true, kZ1, kX0, kX1, 0, 0, 0, 0);
    // Rafters across the open top.
    for (float x = -1.5f; x < kX1; x += 1.1f) box(&shell, {x - 0.06f, kHeight - 0.12f, kZ0}, {x + 0.06f, kHeight, kZ1}, kWood);

    Mesh furniture;
    furniture.name = "muebles";
    // A round table with a lamp and an open book ahead of the first view, beside the second.
    const Vec3 table{1.9f, 0, -3.6f};
    add_cylinder(&furniture, Frame{table, {}}, 0.48f, 0.70f, 0.74f, 32, kWood);
    add_cylinder(&furniture, Frame{table, {}}, 0.05f, 0.04f, 0.70f, 12, kWood);
    add_cylinder(&furniture, Frame{table, {}}, 0.25f, 0.0f, 0.04f, 24, kWood);
    add_cylinder(&furniture, Frame{table + Vec3{0.18f, 0, 0.12f}, {}}, 0.015f, 0.74f, 1.0f, 8, kLamp);
    add_ellipsoid(&furniture, Frame{table + Vec3{0.18f, 1.04f, 0.12f}, {}}, {0.12f, 0.08f, 0.12f}, 8, 14, kLamp);
    add_box(&furniture, Frame{table + Vec3{-0.12f, 0.75f, -0.05f}, rotation(20, {0, 1, 0})}, {0.14f, 0.012f, 0.1f}, kCloth);
    add_box(&furniture, Frame{table + Vec3{-0.12f, 0.745f, -0.05f}, rotation(20, {0, 1, 0})}, {0.15f, 0.006f, 0.11f}, kBook1);
    chair(&furniture, {2.55f, 0, -3.3f}, -60);
    chair(&furniture, {1.75f, 0, -4.45f}, 160);
    // Under the second view a round rug in bands, with an eight-pointed star; each layer a few
    // millimetres above the last.
    const Vec3 rug{0.8f, 0, -3.9f};
    const float bands[4][2] = {{0.62f, kFrame}, {0.58f, kRug}, {0.48f, kTileDark}, {0.07f, kRug}};
    for (int i = 0; i < 4; ++i) {
        const float y = 0.003f * float(i < 3 ? i : 4);
        add_cylinder(&furniture, Frame{rug, {}}, bands[i][0], y, y + 0.003f, 64, int(bands[i][1]));
    }
    std::vector<Vec2> star, centre;
    for (int i = 0; i < 16; ++i) {
        const float a = kPi * float(i) / 8, r = i % 2 ? 0.16f : 0.44f;
        star.push_back({std::cos(a) * r, std::sin(a) * r});
        centre.push_back({std::cos(a) * 0.02f, std::sin(a) * 0.02f});
    }
    // The band's z is up.
    add_extruded_band(&furniture, Frame{rug, from_columns({1, 0, 0}, {0, 0, -1}, {0, 1, 0})}, star, centre, true,
                      0.009f, 0.012f, kBook3);
    // A shelf of books along the near wall.
    box(&furniture, {-1.9f, 0.0f, -4.6f}, {-1.55f, 1.9f, -3.0f}, kWood);
    for (int shelf = 0; shelf < 4; ++shelf) {
        const float y = 0.1f + 0.45f * float(shelf);
        float z = -4.55f;
        int n = 0;
        while (z < -3.1f) {
            const float w = 0.04f + 0.03f * float((n * 7 + shelf * 3) % 4);
            const float h = 0.24f + 0.04f * float((n * 5 + shelf) % 3);
            box(&furniture, {-1.54f, y, z}, {-1.3f, y + h, z + w}, kBook1 + (n + shelf) % 3);
            z += w + 0.01f;
            ++n;
        }
    }
    // A bed under the side window, and a picture on the far wall.
    box(&furniture, {2.2f, 0.0f, -0.2f}, {3.4f, 0.45f, 0.9f}, kWood);
    box(&furniture, {2.25f, 0.45f, -0.15f}, {3.35f, 0.6f, 0.85f}, kCloth);
    box(&furniture, {kX1 - 0.1f, 1.1f, -1.8f}, {kX1 - kWallHalf, 1.8f, -0.8f}, kFrame);
    box(&furniture, {kX1 - 0.11f, 1.15f, -1.75f}, {kX1 - 0.09f, 1.75f, -0.85f}, kRug);

    model.objects = {shell, furniture};
    return add_model(tree, "models/blueroom/blueroombox.3ds", model, scaling({-1, 1, -1}), {0, 0, 0}, error);
}
