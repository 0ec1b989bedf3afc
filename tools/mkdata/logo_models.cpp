// logo_models.cpp -- the logo: the letters V A R N E L and their frame, each normal and red
//
// The logo camera stands at (0, 0, -10) looking at the origin, and the section's turn by 90 degrees
// about x undoes the loader's change of axes, so file coordinates are world coordinates. The logo is
// built as seen: x to the right of the screen, y up, z towards the viewer; to the world that is
// (-x, y, -z).
#include <cmath>

#include "models.h"

namespace {

constexpr float kStroke = 0.42f;     // letter stroke width
constexpr float kLetterGap = 2.1f;   // between letter centres
constexpr float kFront = 0.25f, kBack = -0.25f;
const Vec2 kWordMin{-6.2f, -1.25f}, kWordMax{6.2f, 1.25f};  // the letters' texture spans the word

Mat3 world_from_screen() {
    return scaling({-1, 1, -1});
}

void stroke(Mesh* mesh, float cx, Vec2 p, Vec2 q, float width = kStroke) {
    add_stroke(mesh, Frame{}, {p.x + cx, p.y}, {q.x + cx, q.y}, width, kBack, kFront, 0, kWordMin, kWordMax);
}

// The bowl of the R: half a ring on the right of the stem.
void bowl(Mesh* mesh, float cx) {
    std::vector<Vec2> outer, inner;
    const Vec2 centre{cx + 0.02f, 0.55f};
    const float r_out = 0.65f, r_in = 0.65f - kStroke;
    for (int i = 0; i <= 16; ++i) {
        const float a = 0.5f * kPi - kPi * float(i) / 16.0f;
        outer.push_back(centre + Vec2{std::cos(a), std::sin(a)} * r_out);
        inner.push_back(centre + Vec2{std::cos(a), std::sin(a)} * r_in);
    }
    add_extruded_band(mesh, Frame{}, outer, inner, false, kBack, kFront, 0, kWordMin, kWordMax);
}

Mesh letters() {
    Mesh m;
    m.name = "letras";
    m.has_uv = true;
    const float top = 1.2f, bottom = -1.2f, half = kStroke * 0.5f;
    float cx = -2.5f * kLetterGap;
    // V
    stroke(&m, cx, {-0.8f, top}, {0, bottom});
    stroke(&m, cx, {0.8f, top}, {0, bottom});
    cx += kLetterGap;
    // A
    stroke(&m, cx, {-0.85f, bottom}, {0, top});
    stroke(&m, cx, {0.85f, bottom}, {0, top});
    stroke(&m, cx, {-0.45f, -0.3f}, {0.45f, -0.3f}, 0.34f);
    cx += kLetterGap;
    // R
    stroke(&m, cx, {-0.65f, bottom}, {-0.65f, top});
    stroke(&m, cx, {-0.65f - half, top - half}, {0.05f, top - half});
    stroke(&m, cx, {-0.65f, -0.1f + half}, {0.05f, -0.1f + half});
    bowl(&m, cx);
    stroke(&m, cx, {-0.1f, 0.0f}, {0.8f, bottom});
    cx += kLetterGap;
    // N
    stroke(&m, cx, {-0.7f, bottom}, {-0.7f, top});
    stroke(&m, cx, {0.7f, bottom}, {0.7f, top});
    stroke(&m, cx, {-0.7f, top}, {0.7f, bottom});
    cx += kLetterGap;
    // E
    stroke(&m, cx, {-0.6f, bottom}, {-0.6f, top});
    stroke(&m, cx, {-0.6f - half, top - half}, {0.7f, top - half});
    stroke(&m, cx, {-0.6f, 0}, {0.5f, 0});
    stroke(&m, cx, {-0.6f - half, bottom + half}, {0.7f, bottom + half});
    cx += kLetterGap;
    // L
    stroke(&m, cx, {-0.6f, bottom}, {-0.6f, top});
    stroke(&m, cx, {-0.6f - half, bottom + half}, {0.7f, bottom + half});
    return m;
}

// An octagon: a rectangle of the given half sizes with its corners cut.
std::vector<Vec2> octagon(float hx, float hy, float cut) {
    return {{hx, -hy + cut}, {hx, hy - cut}, {hx - cut, hy},   {-hx + cut, hy},
            {-hx, hy - cut}, {-hx, -hy + cut}, {-hx + cut, -hy}, {hx - cut, -hy}};
}

Mesh frame() {
    Mesh m;
    m.name = "marco";
    m.has_uv = true;
    const Vec2 lo{-7.7f, -2.3f}, hi{7.7f, 2.3f};
    add_extruded_band(&m, Frame{}, octagon(7.6f, 2.2f, 0.55f), octagon(7.05f, 1.7f, 0.35f), true, -0.35f, 0.15f, 0, lo, hi);
    // A thin inner rule, set back.
    add_extruded_band(&m, Frame{}, octagon(6.85f, 1.52f, 0.3f), octagon(6.72f, 1.4f, 0.26f), true, -0.3f, 0.0f, 0, lo, hi);
    // Diamonds at both sides, and spikes reaching out from them.
    for (float side : {-1.0f, 1.0f}) {
        Frame diamond{{side * 8.25f, 0, -0.1f}, rotation(45, {0, 0, 1})};
        add_box(&m, diamond, {0.42f, 0.42f, 0.2f}, 0);
        add_stroke(&m, Frame{}, {side * 8.6f, 0}, {side * 9.6f, 0}, 0.16f, -0.15f, 0.05f, 0, lo, hi);
        add_stroke(&m, Frame{}, {side * 7.6f, 0}, {side * 7.9f, 0}, 0.3f, -0.2f, 0.1f, 0, lo, hi);
    }
    return m;
}

bool write(DataTree* tree, const char* path, Mesh mesh, Material3ds material, std::string* error) {
    Model3ds model;
    model.materials = {material};
    mesh.has_uv = !material.map.empty();
    model.objects = {mesh};
    return add_model(tree, path, model, world_from_screen(), {0, 0, 0}, error);
}

}  // namespace

bool make_logo_models(DataTree* tree, std::string* error) {
    // The normal letters are coloured, lit silver; the rest carry texture maps, so their alpha is
    // the current colour's and the section's echoes and flickers can fade them.
    return write(tree, "models/VarnelLogo/letra/normal/letra.3ds", letters(),
                 material("plata", 0x505460, 0xd8dce8, 0xe8e8f0, 0.25f), error) &&
           write(tree, "models/VarnelLogo/letra/roja/letra.3ds", letters(),
                 material("roja", 0x400000, 0xff2010, 0x802020, 0.3f, "letraroja.jpg"), error) &&
           write(tree, "models/VarnelLogo/marco/normal/marco.3ds", frame(),
                 material("metal", 0x404040, 0xc0c0c8, 0xffffff, 0.4f, "marco.jpg"), error) &&
           write(tree, "models/VarnelLogo/marco/rojo/marco.3ds", frame(),
                 material("rojo", 0x400000, 0xff2000, 0x802020, 0.3f, "marcorojo.jpg"), error);
}
