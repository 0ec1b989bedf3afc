// mesh.cpp -- mesh primitives: boxes, radial surfaces, capsules, tori, cylinders, extruded bands
#include "mesh.h"

#include <algorithm>
#include <cmath>

void transform_mesh(Mesh* mesh, const Mat3& m, Vec3 offset, size_t first_vertex, size_t first_face) {
    for (size_t i = first_vertex; i < mesh->vertices.size(); ++i) mesh->vertices[i].p = m * mesh->vertices[i].p + offset;
    if (determinant(m) < 0) {
        for (size_t i = first_face; i < mesh->faces.size(); ++i) std::swap(mesh->faces[i][1], mesh->faces[i][2]);
    }
}

void add_box(Mesh* mesh, const Frame& frame, Vec3 half, int material) {
    // Each side: its outward normal axis n and two in-plane axes u, v with u x v = n.
    struct Side {
        Vec3 n, u, v;
    };
    const Side sides[6] = {
        {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}}, {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
        {{0, 1, 0}, {1, 0, 0}, {0, 0, -1}}, {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},
        {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {-1, 0, 0}, {0, 1, 0}},
    };
    for (const Side& s : sides) {
        uint32_t idx[4];
        const float cu[4] = {-1, 1, 1, -1}, cv[4] = {-1, -1, 1, 1};
        for (int k = 0; k < 4; ++k) {
            const Vec3 local = mul(s.n + s.u * cu[k] + s.v * cv[k], half);
            idx[k] = mesh->add_vertex(frame.apply(local), {(cu[k] + 1) * 0.5f, (1 - cv[k]) * 0.5f});
        }
        mesh->add_quad(idx[0], idx[1], idx[2], idx[3], material);
    }
    if (determinant(frame.basis) < 0) {
        for (size_t i = mesh->faces.size() - 12; i < mesh->faces.size(); ++i) std::swap(mesh->faces[i][1], mesh->faces[i][2]);
    }
}

void add_radial_surface(Mesh* mesh, const Frame& frame, int rings, int segments,
                        const std::function<float(Vec3)>& radius, const std::function<int(Vec3)>& material_of) {
    const size_t first_face = mesh->faces.size();
    const uint32_t base = uint32_t(mesh->vertices.size());
    auto direction = [&](int ring, int seg) {
        const float theta = kPi * float(ring) / float(rings);
        const float phi = 2 * kPi * float(seg) / float(segments);
        return Vec3{std::sin(theta) * std::cos(phi), std::cos(theta), -std::sin(theta) * std::sin(phi)};
    };
    for (int ring = 0; ring <= rings; ++ring) {
        for (int seg = 0; seg <= segments; ++seg) {
            const Vec3 d = direction(ring, seg);
            mesh->add_vertex(frame.apply(d * radius(d)), {float(seg) / float(segments), float(ring) / float(rings)});
        }
    }
    const uint32_t row = uint32_t(segments + 1);
    for (int ring = 0; ring < rings; ++ring) {
        for (int seg = 0; seg < segments; ++seg) {
            const uint32_t a = base + uint32_t(ring) * row + uint32_t(seg);
            const uint32_t b = a + row, c = b + 1, d = a + 1;
            const Vec3 centre = normalize(direction(ring, seg) + direction(ring + 1, seg + 1));
            const int m = material_of(centre);
            // The pole rows collapse to one point: their degenerate triangle is left out.
            if (ring != 0) mesh->add_triangle(a, b, d, m);
            if (ring != rings - 1) mesh->add_triangle(d, b, c, m);
        }
    }
    if (determinant(frame.basis) < 0) {
        for (size_t i = first_face; i < mesh->faces.size(); ++i) std::swap(mesh->faces[i][1], mesh->faces[i][2]);
    }
}

void add_ellipsoid(Mesh* mesh, const Frame& frame, Vec3 radii, int rings, int segments, int material) {
    Frame f = frame;
    f.basis = frame.basis * scaling(radii);
    add_radial_surface(mesh, f, rings, segments, [](Vec3) { return 1.0f; }, [material](Vec3) { return material; });
}

namespace {

// Two unit vectors perpendicular to axis and to each other, so that (u, v, axis) is right-handed.
void perpendiculars(Vec3 axis, Vec3* u, Vec3* v) {
    const Vec3 helper = std::fabs(axis.y) < 0.9f ? Vec3{0, 1, 0} : Vec3{1, 0, 0};
    *u = normalize(cross(helper, axis));
    *v = cross(axis, *u);
}

}  // namespace

void add_capsule(Mesh* mesh, Vec3 a, Vec3 b, float ra, float rb, int segments, int material) {
    const Vec3 axis = normalize(b - a);
    Vec3 u, v;
    perpendiculars(axis, &u, &v);
    const int cap_rings = std::max(2, segments / 4);
    // Profile from the far pole of b round to the far pole of a: (offset along axis, radius).
    struct Ring {
        Vec3 centre;
        float radius;
    };
    std::vector<Ring> profile;
    for (int i = 0; i <= cap_rings; ++i) {
        const float angle = 0.5f * kPi * float(i) / float(cap_rings);  // 0 at the pole
        profile.push_back({b + axis * (rb * std::cos(angle)), rb * std::sin(angle)});
    }
    for (int i = 0; i <= cap_rings; ++i) {
        const float angle = 0.5f * kPi * float(i) / float(cap_rings);
        profile.push_back({a - axis * (ra * std::sin(angle)), ra * std::cos(angle)});
    }
    const uint32_t base = uint32_t(mesh->vertices.size());
    const uint32_t row = uint32_t(segments + 1);
    for (size_t r = 0; r < profile.size(); ++r) {
        for (int s = 0; s <= segments; ++s) {
            const float phi = 2 * kPi * float(s) / float(segments);
            const Vec3 dir = u * std::cos(phi) + v * std::sin(phi);
            mesh->add_vertex(profile[r].centre + dir * profile[r].radius,
                             {float(s) / float(segments), float(r) / float(profile.size() - 1)});
        }
    }
    for (size_t r = 0; r + 1 < profile.size(); ++r) {
        for (int s = 0; s < segments; ++s) {
            const uint32_t p = base + uint32_t(r) * row + uint32_t(s);
            const uint32_t q = p + row;
            // Rings run from b towards a while the angle turns from u to v (counter-clockwise about
            // the axis), so (p, q + 1, p + 1) and (p, q, q + 1) face outward.
            if (profile[r].radius > 1e-6f) mesh->add_triangle(p, q + 1, p + 1, material);
            if (profile[r + 1].radius > 1e-6f) mesh->add_triangle(p, q, q + 1, material);
        }
    }
}

void add_torus(Mesh* mesh, const Frame& frame, float major, float minor, int major_segments, int minor_segments,
               int material, float arc_degrees) {
    const float arc = std::min(arc_degrees, 360.0f) * kPi / 180.0f;
    const uint32_t base = uint32_t(mesh->vertices.size());
    const uint32_t row = uint32_t(minor_segments + 1);
    const size_t first_face = mesh->faces.size();
    for (int i = 0; i <= major_segments; ++i) {
        const float theta = arc * float(i) / float(major_segments);
        const Vec3 radial{std::cos(theta), 0, -std::sin(theta)};
        for (int j = 0; j <= minor_segments; ++j) {
            const float phi = 2 * kPi * float(j) / float(minor_segments);
            const Vec3 p = radial * (major + minor * std::cos(phi)) + Vec3{0, minor * std::sin(phi), 0};
            mesh->add_vertex(frame.apply(p), {float(i) / float(major_segments), float(j) / float(minor_segments)});
        }
    }
    for (int i = 0; i < major_segments; ++i) {
        for (int j = 0; j < minor_segments; ++j) {
            const uint32_t p = base + uint32_t(i) * row + uint32_t(j);
            const uint32_t q = p + row;
            mesh->add_quad(p, q, q + 1, p + 1, material);
        }
    }
    if (determinant(frame.basis) < 0) {
        for (size_t i = first_face; i < mesh->faces.size(); ++i) std::swap(mesh->faces[i][1], mesh->faces[i][2]);
    }
}

void add_cylinder(Mesh* mesh, const Frame& frame, float radius, float y0, float y1, int segments, int material) {
    const size_t first_face = mesh->faces.size();
    const uint32_t base = uint32_t(mesh->vertices.size());
    for (int s = 0; s <= segments; ++s) {
        const float phi = 2 * kPi * float(s) / float(segments);
        const Vec3 d{std::cos(phi), 0, -std::sin(phi)};
        mesh->add_vertex(frame.apply(d * radius + Vec3{0, y0, 0}), {float(s) / float(segments), 1});
        mesh->add_vertex(frame.apply(d * radius + Vec3{0, y1, 0}), {float(s) / float(segments), 0});
    }
    for (int s = 0; s < segments; ++s) {
        const uint32_t a = base + uint32_t(2 * s);
        mesh->add_quad(a, a + 2, a + 3, a + 1, material);
    }
    // Caps with their own rim vertices, so the rim stays sharp under smooth normals.
    for (int cap = 0; cap < 2; ++cap) {
        const float y = cap ? y1 : y0;
        const uint32_t centre = mesh->add_vertex(frame.apply({0, y, 0}), {0.5f, 0.5f});
        const uint32_t rim = uint32_t(mesh->vertices.size());
        for (int s = 0; s <= segments; ++s) {
            const float phi = 2 * kPi * float(s) / float(segments);
            mesh->add_vertex(frame.apply({std::cos(phi) * radius, y, -std::sin(phi) * radius}),
                             {0.5f + 0.5f * std::cos(phi), 0.5f + 0.5f * std::sin(phi)});
        }
        for (int s = 0; s < segments; ++s) {
            if (cap) {
                mesh->add_triangle(centre, rim + uint32_t(s), rim + uint32_t(s) + 1, material);
            } else {
                mesh->add_triangle(centre, rim + uint32_t(s) + 1, rim + uint32_t(s), material);
            }
        }
    }
    if (determinant(frame.basis) < 0) {
        for (size_t i = first_face; i < mesh->faces.size(); ++i) std::swap(mesh->faces[i][1], mesh->faces[i][2]);
    }
}

void add_extruded_band(Mesh* mesh, const Frame& frame, const std::vector<Vec2>& a, const std::vector<Vec2>& b,
                       bool closed, float z0, float z1, int material, Vec2 uv_min, Vec2 uv_max) {
    const size_t n = std::min(a.size(), b.size());
    if (n < 2) return;
    const size_t first_face = mesh->faces.size();
    auto uv_of = [&](Vec2 p) {
        return Vec2{(p.x - uv_min.x) / (uv_max.x - uv_min.x), (uv_max.y - p.y) / (uv_max.y - uv_min.y)};
    };
    auto vertex = [&](Vec2 p, float z) { return mesh->add_vertex(frame.apply({p.x, p.y, z}), uv_of(p)); };
    auto signed_area = [](Vec2 p, Vec2 q, Vec2 r, Vec2 s) {
        return (q.x - p.x) * (s.y - p.y) - (s.x - p.x) * (q.y - p.y) + (r.x - q.x) * (s.y - q.y) - (s.x - q.x) * (r.y - q.y);
    };
    const size_t segments = closed ? n : n - 1;
    for (size_t i = 0; i < segments; ++i) {
        const size_t j = (i + 1) % n;
        const Vec2 p = a[i], q = a[j], r = b[j], s = b[i];
        const bool ccw = signed_area(p, q, r, s) > 0;
        // Front (facing +z) and back faces, each with its own vertices.
        const uint32_t f0 = vertex(p, z1), f1 = vertex(q, z1), f2 = vertex(r, z1), f3 = vertex(s, z1);
        const uint32_t k0 = vertex(p, z0), k1 = vertex(q, z0), k2 = vertex(r, z0), k3 = vertex(s, z0);
        if (ccw) {
            mesh->add_quad(f0, f1, f2, f3, material);
            mesh->add_quad(k0, k3, k2, k1, material);
        } else {
            mesh->add_quad(f0, f3, f2, f1, material);
            mesh->add_quad(k0, k1, k2, k3, material);
        }
    }
    // Side walls along both edges, and across the ends of an open band; each made to face away from
    // the band's middle.
    auto wall = [&](Vec2 p, Vec2 q, Vec2 inner) {
        const uint32_t v0 = vertex(p, z0), v1 = vertex(q, z0), v2 = vertex(q, z1), v3 = vertex(p, z1);
        const Vec2 edge = q - p;
        const Vec2 out{edge.y, -edge.x};  // outward for a counter-clockwise walk
        const Vec2 mid = (p + q) * 0.5f;
        if (dot(out, mid - inner) >= 0) {
            mesh->add_quad(v0, v1, v2, v3, material);
        } else {
            mesh->add_quad(v1, v0, v3, v2, material);
        }
    };
    for (size_t i = 0; i < segments; ++i) {
        const size_t j = (i + 1) % n;
        const Vec2 middle = (a[i] + a[j] + b[i] + b[j]) * 0.25f;
        wall(a[i], a[j], middle);
        wall(b[i], b[j], middle);
    }
    if (!closed) {
        wall(a[0], b[0], (a[1] + b[1]) * 0.5f);
        wall(a[n - 1], b[n - 1], (a[n - 2] + b[n - 2]) * 0.5f);
    }
    if (determinant(frame.basis) < 0) {
        for (size_t i = first_face; i < mesh->faces.size(); ++i) std::swap(mesh->faces[i][1], mesh->faces[i][2]);
    }
}

void add_stroke(Mesh* mesh, const Frame& frame, Vec2 p, Vec2 q, float width, float z0, float z1, int material,
                Vec2 uv_min, Vec2 uv_max) {
    const Vec2 d = q - p;
    const float l = length(d);
    if (l <= 0) return;
    const Vec2 side = Vec2{-d.y, d.x} * (0.5f * width / l);
    add_extruded_band(mesh, frame, {p + side, q + side}, {p - side, q - side}, false, z0, z1, material, uv_min, uv_max);
}
