// mesh.h -- triangle meshes built from primitives, the raw material of the 3DS models
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "vecmath.h"

struct MeshVertex {
    Vec3 p;
    Vec2 uv;  // t = 0 is the top row of the texture map
};

// Triangles are counter-clockwise seen from outside, so the player's face normals point outward.
struct Mesh {
    std::string name;
    std::vector<MeshVertex> vertices;
    std::vector<std::array<uint32_t, 3>> faces;
    std::vector<int> face_material;  // index into the model's materials, one per face
    bool has_uv = false;

    uint32_t add_vertex(Vec3 p, Vec2 uv = {}) {
        vertices.push_back({p, uv});
        return uint32_t(vertices.size() - 1);
    }
    void add_triangle(uint32_t a, uint32_t b, uint32_t c, int material) {
        faces.push_back({a, b, c});
        face_material.push_back(material);
    }
    // a, b, c, d counter-clockwise.
    void add_quad(uint32_t a, uint32_t b, uint32_t c, uint32_t d, int material) {
        add_triangle(a, b, c, material);
        add_triangle(a, c, d, material);
    }
};

// Applies p -> m * p + offset to every vertex of the faces from first_face on (all by default);
// a reflecting m also reverses those faces' winding so that they keep facing outward.
void transform_mesh(Mesh* mesh, const Mat3& m, Vec3 offset, size_t first_vertex = 0, size_t first_face = 0);

// A frame for primitives: origin plus three axes (columns of basis).
struct Frame {
    Vec3 origin;
    Mat3 basis;
    Vec3 apply(Vec3 p) const { return origin + basis * p; }
};

// A box with its own four vertices per side (flat-shaded sides under smooth normals); each side's
// texture covers the whole map.
void add_box(Mesh* mesh, const Frame& frame, Vec3 half, int material);

// A closed surface over the sphere of directions: radius(direction) gives the distance from
// frame.origin along frame.basis * direction. rings x segments quads; u round the axis, v from the
// top pole (+y) down. material_of(direction) picks each face's material (by its centre).
void add_radial_surface(Mesh* mesh, const Frame& frame, int rings, int segments,
                        const std::function<float(Vec3)>& radius, const std::function<int(Vec3)>& material_of);

// An ellipsoid of the given radii.
void add_ellipsoid(Mesh* mesh, const Frame& frame, Vec3 radii, int rings, int segments, int material);

// A capsule from a to b: a tube of radii ra, rb closed by hemispheres.
void add_capsule(Mesh* mesh, Vec3 a, Vec3 b, float ra, float rb, int segments, int material);

// A torus round frame's y axis: major radius R in its xz plane, minor radius r. arc_degrees below 360
// gives an open arc (ends left open) starting at +x.
void add_torus(Mesh* mesh, const Frame& frame, float major, float minor, int major_segments, int minor_segments,
               int material, float arc_degrees = 360);

// A cylinder along frame's y from y0 to y1 with end caps.
void add_cylinder(Mesh* mesh, const Frame& frame, float radius, float y0, float y1, int segments, int material);

// A flat band between two polylines a and b of equal length in frame's xy plane, extruded from
// z0 to z1 (front face at z1). closed joins the last points to the first. Texture coordinates map
// the xy rectangle uv_min..uv_max onto the whole map (front and back).
void add_extruded_band(Mesh* mesh, const Frame& frame, const std::vector<Vec2>& a, const std::vector<Vec2>& b,
                       bool closed, float z0, float z1, int material, Vec2 uv_min = {0, 0}, Vec2 uv_max = {1, 1});

// A stroke of the given width from p to q, extruded like a band.
void add_stroke(Mesh* mesh, const Frame& frame, Vec2 p, Vec2 q, float width, float z0, float z1, int material,
                Vec2 uv_min = {0, 0}, Vec2 uv_max = {1, 1});
