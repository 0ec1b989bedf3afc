// model3ds.cpp -- parses the subset of 3DS chunks that the models are drawn from
#include "resources/model3ds.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "resources/image.h"

namespace {

enum ChunkId : uint16_t {
    kMain = 0x4D4D,
    kEditor = 0x3D3D,
    kNamedObject = 0x4000,
    kTriMesh = 0x4100,
    kPointArray = 0x4110,
    kFaceArray = 0x4120,
    kMaterialGroup = 0x4130,
    kTexVerts = 0x4140,
    kMeshMatrix = 0x4160,
    kMeshColour = 0x4165,
    kMaterialEntry = 0xAFFF,
    kMaterialName = 0xA000,
    kAmbient = 0xA010,
    kDiffuse = 0xA020,
    kSpecular = 0xA030,
    kShininess = 0xA040,
    kShininessStrength = 0xA041,
    kTransparency = 0xA050,
    kTwoSided = 0xA081,
    kTextureMap = 0xA200,
    kMapName = 0xA300,
    kMapTiling = 0xA351,
    kMapUScale = 0xA354,
    kMapVScale = 0xA356,
    kMapUOffset = 0xA358,
    kMapVOffset = 0xA35A,
    kMapAngle = 0xA35C,
    kKeyframer = 0xB000,
    kColourF = 0x0010,
    kColour24 = 0x0011,
    kLinColour24 = 0x0012,
    kLinColourF = 0x0013,
    kIntPercentage = 0x0030,
    kFloatPercentage = 0x0031,
};

constexpr int kMaxDepth = 16;  // chunks nest a few levels deep in real files

struct Chunk {
    uint16_t id;
    uint64_t end;  // offset in the source just past the chunk
};

struct ParseState {
    DataSource* source;
    Model* model;
    const char* directory;
    bool from_archive;
    MapLoader load_map;      // load_texture, or the fuzz target's stand-in
    int depth;               // handlers entered and not yet left
    ModelFailure* failure;   // the first damage found
} s_parse;

uint64_t here() {
    return s_parse.source->position;
}

// Notes the first damage found, at byte at of the file, and returns false for the caller to pass on.
bool damage(const char* why, uint64_t at) {
    if (!s_parse.failure->why) *s_parse.failure = ModelFailure{why, int64_t(at)};
    return false;
}

bool damage(const char* why) {
    return damage(why, here());
}

// Reads a chunk header inside a parent ending at parent_end; a chunk shorter than its header or
// reaching past its parent is damage.
bool read_chunk(uint64_t parent_end, Chunk* chunk) {
    const uint64_t start = here();
    uint32_t length = 0;
    if (!read_u16(s_parse.source, &chunk->id) || !read_u32(s_parse.source, &length)) {
        return damage("file ends inside a chunk header", start);
    }
    if (length < 6) return damage("chunk shorter than its 6-byte header", start);
    if (start + length > parent_end) {
        return damage(parent_end == s_parse.source->length ? "chunk past the end of the file"
                                                           : "chunk past the end of the chunk that holds it",
                      start);
    }
    chunk->end = start + length;
    return true;
}

bool skip_to(uint64_t end) {
    if (end < here()) return damage("data run past the end of their chunk");
    return skip_bytes(s_parse.source, end - here()) || damage("file ends inside a chunk");
}

// A NUL-terminated string that must end inside the chunk; kept to 63 characters.
bool read_string(uint64_t end, char (&out)[64]) {
    size_t n = 0;
    for (;;) {
        uint8_t c = 0;
        if (here() >= end || !read_u8(s_parse.source, &c)) return damage("name without its NUL inside its chunk");
        if (c == 0) break;
        if (n < sizeof out - 1) out[n++] = char(c);
    }
    out[n] = '\0';
    return true;
}

// A list of count items of size bytes must fit in what is left of its chunk.
bool read_count(uint64_t end, size_t size, uint16_t* count) {
    if (!read_u16(s_parse.source, count)) return false;
    return here() + uint64_t(*count) * size <= end || damage("list longer than its chunk");
}

bool read_floats(float* out, int n) {
    for (int i = 0; i < n; ++i) {
        if (!read_f32(s_parse.source, &out[i])) return false;
    }
    return true;
}

// Colour sub-chunks; the last one wins. Starts from black.
bool read_colour(uint64_t end, float (&colour)[3]) {
    colour[0] = colour[1] = colour[2] = 0.0f;
    while (here() < end) {
        Chunk chunk;
        if (!read_chunk(end, &chunk)) return false;
        if (chunk.id == kColourF || chunk.id == kLinColourF) {
            if (!read_floats(colour, 3)) return false;
        } else if (chunk.id == kColour24 || chunk.id == kLinColour24) {
            uint8_t rgb[3];
            if (!read_bytes(s_parse.source, rgb, 3)) return false;
            for (int i = 0; i < 3; ++i) colour[i] = float(rgb[i]) * 0.003921569f;
        } else if (!skip_to(chunk.end)) {
            return false;
        }
        if (here() > chunk.end) return damage("data run past the end of their chunk", chunk.end);
    }
    return true;
}

// Percentage sub-chunks as a fraction; the last one wins. Starts from 0.
bool read_percentage(uint64_t end, float* value) {
    *value = 0.0f;
    while (here() < end) {
        Chunk chunk;
        if (!read_chunk(end, &chunk)) return false;
        if (chunk.id == kIntPercentage) {
            uint16_t percent = 0;
            if (!read_u16(s_parse.source, &percent)) return false;
            *value = float(percent) * 0.01f;
        } else if (chunk.id == kFloatPercentage) {
            if (!read_f32(s_parse.source, value)) return false;
        } else if (!skip_to(chunk.end)) {
            return false;
        }
        if (here() > chunk.end) return damage("data run past the end of their chunk", chunk.end);
    }
    return true;
}

bool read_material(uint64_t end, Material* material) {
    if (++s_parse.depth > kMaxDepth) return damage("chunks nested more than 16 deep");
    while (here() < end) {
        Chunk chunk;
        if (!read_chunk(end, &chunk)) return false;
        bool ok = true;
        switch (chunk.id) {
        case kMaterialName:
            ok = read_string(chunk.end, material->name);
            break;
        case kAmbient:
            ok = read_colour(chunk.end, material->ambient);
            break;
        case kDiffuse:
            ok = read_colour(chunk.end, material->diffuse);
            break;
        case kSpecular:
            ok = read_colour(chunk.end, material->specular);
            break;
        case kShininess:
            ok = read_percentage(chunk.end, &material->shininess);
            break;
        case kShininessStrength:
            ok = read_percentage(chunk.end, &material->shininess_strength);
            break;
        case kTransparency:
            ok = read_percentage(chunk.end, &material->transparency);
            break;
        case kTwoSided:
            material->two_sided = true;
            break;
        case kTextureMap:
            ok = read_material(chunk.end, material);
            break;
        case kMapName: {
            ok = read_string(chunk.end, material->map_name);
            // The map is loaded as soon as it is named; one that fails leaves the material untextured.
            const std::string path = std::string(s_parse.directory) + material->map_name;
            if (ok) material->texture = s_parse.load_map(path.c_str(), s_parse.from_archive);
            break;
        }
        case kMapTiling:
            ok = read_u16(s_parse.source, &material->map_tiling);
            break;
        case kMapUScale:
            ok = read_f32(s_parse.source, &material->map_uscale);
            break;
        case kMapVScale:
            ok = read_f32(s_parse.source, &material->map_vscale);
            break;
        case kMapUOffset:
            ok = read_f32(s_parse.source, &material->map_uoffset);
            break;
        case kMapVOffset:
            ok = read_f32(s_parse.source, &material->map_voffset);
            break;
        case kMapAngle:
            ok = read_f32(s_parse.source, &material->map_angle);
            break;
        default:
            ok = skip_to(chunk.end);
        }
        // Data that run past their own chunk are damage, not the next chunk.
        if (!ok) return false;
        if (here() > chunk.end) return damage("data run past the end of their chunk", chunk.end);
    }
    --s_parse.depth;
    return true;
}

bool read_points(uint64_t end, MeshObject* object) {
    uint16_t count = 0;
    if (!read_count(end, 12, &count)) return false;
    object->vertices.assign(count, Vertex{});
    for (Vertex& v : object->vertices) {
        float p[3];
        if (!read_floats(p, 3)) return false;
        v.position[0] = p[0];
        v.position[1] = p[2];
        v.position[2] = -p[1];
    }
    return true;
}

bool read_faces(uint64_t end, MeshObject* object) {
    uint16_t count = 0;
    if (!read_count(end, 8, &count)) return false;
    object->faces.assign(count, Face{});
    for (Face& f : object->faces) {
        if (!read_u16(s_parse.source, &f.a) || !read_u16(s_parse.source, &f.b) || !read_u16(s_parse.source, &f.c) ||
            !read_u16(s_parse.source, &f.flags)) {
            return false;
        }
    }
    return true;
}

// Binds the listed faces to the most recently read material of that exact name, or to none.
bool read_material_group(uint64_t end, MeshObject* object) {
    char name[64];
    uint16_t count = 0;
    if (!read_string(end, name) || !read_count(end, 2, &count)) return false;
    const Material* material = nullptr;
    for (const Material& m : s_parse.model->materials) {
        if (strcmp(m.name, name) == 0) {
            material = &m;
            break;
        }
    }
    for (uint16_t i = 0; i < count; ++i) {
        uint16_t face = 0;
        if (!read_u16(s_parse.source, &face)) return false;
        if (face >= object->faces.size()) return damage("material group naming a face that does not exist");
        object->faces[face].material = material;
    }
    return true;
}

bool read_object(uint64_t end, MeshObject* object) {
    if (++s_parse.depth > kMaxDepth) return damage("chunks nested more than 16 deep");
    while (here() < end) {
        Chunk chunk;
        if (!read_chunk(end, &chunk)) return false;
        bool ok = true;
        switch (chunk.id) {
        case kTriMesh:
            ok = read_object(chunk.end, object);
            break;
        case kPointArray:
            ok = read_points(chunk.end, object);
            break;
        case kFaceArray:
            // Only the count and the faces: the material groups nested in the face list follow
            // in this loop as if they were the face list's siblings.
            ok = read_faces(chunk.end, object);
            break;
        case kMaterialGroup:
            ok = read_material_group(chunk.end, object);
            break;
        case kTexVerts: {
            uint16_t count = 0;
            ok = read_count(chunk.end, 8, &count);
            if (ok) object->texcoords.assign(size_t(count) * 2, 0.0f);
            ok = ok && read_floats(object->texcoords.data(), count * 2);
            break;
        }
        case kMeshMatrix:
            ok = read_floats(object->matrix_axes, 9) && read_floats(object->matrix_origin, 3);
            object->has_matrix = true;
            break;
        case kMeshColour:
            ok = read_u8(s_parse.source, &object->colour_index);
            break;
        default:
            ok = skip_to(chunk.end);
        }
        // Data that run past their own chunk are damage, not the next chunk.
        if (!ok) return false;
        if (here() > chunk.end) return damage("data run past the end of their chunk", chunk.end);
    }
    --s_parse.depth;
    return true;
}

bool read_main(uint64_t end) {
    if (++s_parse.depth > kMaxDepth) return damage("chunks nested more than 16 deep");
    while (here() < end) {
        Chunk chunk;
        if (!read_chunk(end, &chunk)) return false;
        bool ok = true;
        switch (chunk.id) {
        case kEditor:
            ok = read_main(chunk.end);
            break;
        case kNamedObject: {
            MeshObject& object = s_parse.model->objects.emplace_back();
            ok = read_string(chunk.end, object.name) && read_object(chunk.end, &object);
            break;
        }
        case kMaterialEntry: {
            Material material;
            ok = read_material(chunk.end, &material);
            s_parse.model->materials.push_front(material);
            break;
        }
        default:
            // The keyframer and everything else.
            ok = skip_to(chunk.end);
        }
        // Data that run past their own chunk are damage, not the next chunk.
        if (!ok) return false;
        if (here() > chunk.end) return damage("data run past the end of their chunk", chunk.end);
    }
    --s_parse.depth;
    return true;
}

// Every face must name vertices that exist. The file's order leaves no byte to point at.
bool faces_valid(const Model& model) {
    for (const MeshObject& object : model.objects) {
        const size_t n = object.vertices.size();
        for (const Face& f : object.faces) {
            if (f.a >= n || f.b >= n || f.c >= n) {
                *s_parse.failure = ModelFailure{"face naming a vertex that does not exist", -1};
                return false;
            }
        }
    }
    return true;
}

int load_map_texture(const char* path, bool from_archive) {
    return load_texture(path, from_archive);
}

// The map names in the chunks up to end of the main chunk (or an editor chunk in it) or of a
// material, where read_main and read_material find them; false at damage.
bool find_maps(DataSource* source, uint64_t end, bool in_material, int depth, std::vector<std::string>* names) {
    if (depth > kMaxDepth) return false;
    while (source->position < end) {
        const uint64_t start = source->position;
        uint16_t id = 0;
        uint32_t length = 0;
        if (!read_u16(source, &id) || !read_u32(source, &length) || length < 6 || start + length > end) return false;
        const uint64_t chunk_end = start + length;
        bool ok = true;
        if (!in_material && (id == kEditor || id == kMaterialEntry)) {
            ok = find_maps(source, chunk_end, id == kMaterialEntry, depth + 1, names);
        } else if (in_material && id == kTextureMap) {
            ok = find_maps(source, chunk_end, true, depth + 1, names);
        } else if (in_material && id == kMapName) {
            const char* text = reinterpret_cast<const char*>(read_pointer(*source));
            const size_t room = size_t(chunk_end - source->position);
            const size_t n = strnlen(text, room);
            if (n == room) return false;
            // Kept to 63 characters, as read_string keeps them.
            names->emplace_back(text, n < 63 ? n : 63);
        }
        if (!ok || !seek_to(source, chunk_end)) return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<Model> parse_3ds(DataSource* source, const char* directory, bool from_archive, ModelFailure* failure,
                                 MapLoader load_map) {
    ModelFailure ignored;
    if (!failure) failure = &ignored;
    *failure = ModelFailure();
    auto model = std::make_unique<Model>();
    s_parse = ParseState{source, model.get(), directory, from_archive, load_map ? load_map : load_map_texture, 0, failure};
    Chunk main;
    bool ok = read_chunk(source->length, &main);
    if (ok && main.id != kMain) ok = damage("not a 3DS file: its first chunk is not 0x4D4D", 0);
    ok = ok && read_main(main.end) && faces_valid(*model);
    // A failed read that named no damage itself.
    if (!ok && !failure->why) damage("file ends inside a chunk");
    s_parse = ParseState{};
    if (!ok) return nullptr;
    return model;
}

std::vector<std::string> list_3ds_maps(DataSource* source) {
    std::vector<std::string> names;
    const uint64_t start = source->position;
    uint16_t id = 0;
    uint32_t length = 0;
    if (read_u16(source, &id) && read_u32(source, &length) && id == kMain && length >= 6 &&
        start + length <= source->length) {
        find_maps(source, start + length, false, 1, &names);
    }
    return names;
}
