// face_model.cpp -- the screaming face of "horrorface", and of the falling figure's last phase
//
// One head serves two cameras. horrorface turns it about the vertical through its origin and shows
// it from the front halfway through its section; the falling figure's close-up camera looks along
// the file's -x axis through the point (x, 0.02, 0.07). So the head's front faces -z, and it sits
// behind its origin, at (0, 0.03, 0.16), where that close-up sees the profile of nose and mouth
// against the background.
//
// horrorface draws it without the depth test, so its faces are stored from the back of the head to
// the front: seen from the front, nearer faces then cover farther ones.
#include <algorithm>
#include <cmath>
#include <vector>

#include "models.h"

namespace {

constexpr int kSkin = 0, kHollow = 1;

struct Feature {
    float u, v;    // where on the front: x and y of the unit direction
    float su, sv;  // its extent
    float amount;  // relative change of the radius
};

// Eye sockets, brow, nose, cheekbones, hollow cheeks, a mouth wide open, the chin.
const Feature kFeatures[] = {
    {0.34f, 0.16f, 0.14f, 0.11f, -0.24f},  {-0.34f, 0.16f, 0.14f, 0.11f, -0.24f}, {0.0f, 0.34f, 0.55f, 0.07f, 0.09f},
    {0.0f, 0.04f, 0.06f, 0.2f, 0.26f},     {0.0f, -0.12f, 0.1f, 0.07f, 0.14f},     {0.46f, -0.04f, 0.16f, 0.1f, 0.08f},
    {-0.46f, -0.04f, 0.16f, 0.1f, 0.08f},  {0.38f, -0.34f, 0.14f, 0.13f, -0.09f},  {-0.38f, -0.34f, 0.14f, 0.13f, -0.09f},
    {0.0f, -0.48f, 0.16f, 0.18f, -0.34f},  {0.0f, -0.82f, 0.22f, 0.12f, 0.08f},    {0.0f, 0.62f, 0.7f, 0.2f, 0.04f},
};

float feature_relief(Vec3 d) {
    const float front = std::max(0.0f, -d.z);
    float sum = 0;
    for (const Feature& f : kFeatures) {
        const float du = (d.x - f.u) / f.su, dv = (d.y - f.v) / f.sv;
        sum += f.amount * std::exp(-(du * du + dv * dv));
    }
    return sum * std::pow(front, 0.7f);
}

float head_radius(Vec3 d) {
    // An egg: narrower at the jaw than at the temples.
    const float jaw = 1 - 0.3f * std::max(0.0f, -d.y) * std::max(0.0f, -d.z * 0.5f + 0.5f);
    const float a = 0.075f * jaw, b = 0.096f, c = 0.088f;
    const float base = 1 / std::sqrt((d.x / a) * (d.x / a) + (d.y / b) * (d.y / b) + (d.z / c) * (d.z / c));
    return base * (1 + feature_relief(d));
}

}  // namespace

bool make_face_model(DataTree* tree, std::string* error) {
    Model3ds model;
    model.materials = {material("piel", 0x6a6460, 0xd8d0c8, 0x404040, 0.3f),
                       material("cuenca", 0x000000, 0x100404, 0x000000, 0.1f)};
    Mesh head;
    head.name = "cara";
    auto material_of = [](Vec3 d) { return feature_relief(d) < -0.1f ? kHollow : kSkin; };
    add_radial_surface(&head, Frame{}, 96, 128, head_radius, material_of);
    // Both cameras come close: each triangle takes its material by its own middle rather than by its
    // grid cell's, so the outlines of the eyes and mouth step along diagonals instead of in squares.
    for (size_t i = 0; i < head.faces.size(); ++i) {
        const auto& f = head.faces[i];
        head.face_material[i] =
            material_of(normalize(head.vertices[f[0]].p + head.vertices[f[1]].p + head.vertices[f[2]].p));
    }
    // Back to front: by the depth of each face's middle, farthest (largest z) first.
    std::vector<size_t> order(head.faces.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    auto depth = [&](size_t i) {
        const auto& f = head.faces[i];
        return head.vertices[f[0]].p.z + head.vertices[f[1]].p.z + head.vertices[f[2]].p.z;
    };
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return depth(a) > depth(b); });
    Mesh sorted = head;
    for (size_t i = 0; i < order.size(); ++i) {
        sorted.faces[i] = head.faces[order[i]];
        sorted.face_material[i] = head.face_material[order[i]];
    }
    model.objects = {sorted};
    return add_model(tree, "models/horrorface/horrorface.3ds", model, Mat3{}, {0, 0.03f, 0.16f}, error);
}
