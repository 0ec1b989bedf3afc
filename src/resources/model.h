// model.h -- 3D models: the records the 3DS loader fills, their normals, and how they are drawn
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

struct Material {
    char name[64] = {};          // matched exactly by the faces' material groups
    char map_name[64] = {};      // texture map 1, relative to the model's directory
    int texture = -1;            // image handle of the map; negative: drawn untextured
    float ambient[3] = {0, 0, 0};
    float diffuse[3] = {1, 1, 1};
    float specular[3] = {0, 0, 0};
    float shininess = 1.0f;      // a fraction: 25 % is 0.25
    float shininess_strength = 0.0f;
    float transparency = 0.0f;
    bool two_sided = false;
    uint16_t map_tiling = 0;
    float map_uscale = 1.0f;
    float map_vscale = 1.0f;
    float map_uoffset = 0.0f;
    float map_voffset = 0.0f;
    float map_angle = 0.0f;
};

struct Vertex {
    float position[3];  // y up: a file vertex (x, y, z) is (x, z, -y)
    float normal[3];    // average of its faces' unit normals, not renormalised
};

struct Face {
    uint16_t a, b, c;                    // vertex indices
    uint16_t flags;                      // as stored
    float normal[3];                     // unit normal, counter-clockwise a, b, c facing the viewer
    const Material* material = nullptr;  // none, or one of the model's materials
};

struct MeshObject {
    char name[64] = {};
    std::vector<Face> faces;
    std::vector<Vertex> vertices;
    std::vector<float> texcoords;  // u, v per vertex as stored; empty when the mesh has none
    bool has_matrix = false;
    float matrix_axes[9] = {};     // kept, not used for drawing
    float matrix_origin[3] = {};
    uint8_t colour_index = 0;
};

struct Model {
    std::deque<Material> materials;   // most recently read first
    std::vector<MeshObject> objects;  // in file order
    uint32_t draw_list = 0;           // draw_model's calls as a GL display list; 0 until compiled

    // The display list goes with the model: moved along, deleted with it while the context it was
    // made in is current. Faces point into materials, so a model is moved, never copied.
    Model() = default;
    Model(Model&& other) noexcept;
    Model& operator=(Model&& other) noexcept;
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;
    ~Model();
};

// Why a model did not load, in words for the tools, and the byte of the file where the damage was
// found (-1 where that is not known).
struct ModelFailure {
    const char* why = nullptr;
    int64_t at = -1;
};

// Opens directory + file (case kept) from data.dat or disk, parses it, computes its normals.
// Texture maps load from the same directory and source. nullptr when the file is missing or the
// parse fails; then, when failure is given, why.
std::unique_ptr<Model> load_model(const char* directory, const char* file, bool from_archive,
                                  ModelFailure* failure = nullptr);

// Every model that load_model returned from directory + file == path (without regard to case) and
// that still exists, read again in place: mesh and materials replaced, maps of the same files decoded
// again under their handles, new maps loaded and uploaded, the display list made again where there
// was one. How many were read again; -1, the first one's old data kept and why in words, when a
// read fails.
int reload_models(const char* path, bool from_archive, const char** why);

void compute_normals(Model* model);

// Bytes held by the model's records: materials, objects, faces, vertices, texture coordinates.
size_t model_bytes(const Model& model);
void upload_model_textures(const Model& model);

// Compiles draw_model's calls into a display list that draw_model then calls instead: the same
// vertices, normals and materials, leaving the same normal and material current. Needs the GL
// context; for models drawn with draw_model, once, at load.
void compile_model_draw(Model* model);

// Lit and untextured, smooth vertex normals; changes no enable state.
void draw_model(const Model& model);

// Textured faces unlit with texture coordinates; untextured faces lit with their face normals.
// Leaves texturing on; lighting off and light 0 on when it met an untextured material.
void draw_textured_model(const Model& model);
