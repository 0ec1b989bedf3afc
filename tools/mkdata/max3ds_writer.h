// max3ds_writer.h -- writes meshes and materials as a 3DS file
#pragma once

#include <string>
#include <vector>

#include "mesh.h"
#include "raster.h"

struct Material3ds {
    std::string name;
    Colour ambient, diffuse, specular;  // the specular red is also the player's lit alpha
    float shininess = 0.2f;            // fraction, written as a percentage
    float shininess_strength = 0.5f;
    std::string map;                   // texture map file, relative to the model's directory; "" for none
    bool two_sided = false;
};

struct Model3ds {
    std::vector<Material3ds> materials;
    std::vector<Mesh> objects;  // vertices in the file's own axes (z up)
};

// The file: version, the 3D editor data (mesh version, master scale, materials, then objects),
// each object a triangle mesh with points, texture vertices when it has them, an identity mesh
// matrix, and its faces with one material group per material used. Returns "" and sets error when
// an object is too large for the format's 16-bit counts.
std::string encode_3ds(const Model3ds& model, std::string* error);

// What the player does to a file vertex (x, y, z) when it loads it: (x, z, -y). Models are built in
// the player's axes and written through the inverse, file_from_player.
inline Vec3 file_from_player(Vec3 p) { return {p.x, -p.z, p.y}; }
