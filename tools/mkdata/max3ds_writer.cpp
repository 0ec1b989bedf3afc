// max3ds_writer.cpp -- the 3DS chunk tree: headers patched with their lengths once written
#include "max3ds_writer.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

struct ChunkWriter {
    std::string out;
    std::vector<size_t> open;  // offsets of the chunks being written

    void u8(uint8_t v) { out.push_back(char(v)); }
    void u16(uint16_t v) {
        u8(uint8_t(v));
        u8(uint8_t(v >> 8));
    }
    void u32(uint32_t v) {
        u16(uint16_t(v));
        u16(uint16_t(v >> 16));
    }
    void f32(float v) {
        uint32_t bits;
        memcpy(&bits, &v, 4);
        u32(bits);
    }
    void string(const std::string& s) {
        out.append(s);
        u8(0);
    }
    void begin(uint16_t id) {
        open.push_back(out.size());
        u16(id);
        u32(0);
    }
    void end() {
        const size_t start = open.back();
        open.pop_back();
        const uint32_t length = uint32_t(out.size() - start);
        for (int i = 0; i < 4; ++i) out[start + 2 + size_t(i)] = char(length >> (8 * i));
    }
};

uint8_t byte_of(float v) {
    return uint8_t(std::lround((v < 0 ? 0 : v > 1 ? 1 : v) * 255.0f));
}

// A colour as the gamma-corrected and the linear 24-bit sub-chunks, as 3D Studio writes both.
void colour_chunk(ChunkWriter* w, uint16_t id, Colour c) {
    w->begin(id);
    for (uint16_t sub : {uint16_t(0x0011), uint16_t(0x0012)}) {
        w->begin(sub);
        w->u8(byte_of(c.r));
        w->u8(byte_of(c.g));
        w->u8(byte_of(c.b));
        w->end();
    }
    w->end();
}

void percentage_chunk(ChunkWriter* w, uint16_t id, float fraction) {
    w->begin(id);
    w->begin(0x0030);
    w->u16(uint16_t(std::lround(fraction * 100)));
    w->end();
    w->end();
}

void write_material(ChunkWriter* w, const Material3ds& m) {
    w->begin(0xAFFF);
    w->begin(0xA000);
    w->string(m.name);
    w->end();
    colour_chunk(w, 0xA010, m.ambient);
    colour_chunk(w, 0xA020, m.diffuse);
    colour_chunk(w, 0xA030, m.specular);
    percentage_chunk(w, 0xA040, m.shininess);
    percentage_chunk(w, 0xA041, m.shininess_strength);
    percentage_chunk(w, 0xA050, 0);
    if (m.two_sided) {
        w->begin(0xA081);
        w->end();
    }
    if (!m.map.empty()) {
        w->begin(0xA200);
        w->begin(0x0030);
        w->u16(100);
        w->end();
        w->begin(0xA300);
        w->string(m.map);
        w->end();
        w->end();
    }
    w->end();
}

void write_object(ChunkWriter* w, const Mesh& mesh, const std::vector<Material3ds>& materials) {
    w->begin(0x4000);
    w->string(mesh.name);
    w->begin(0x4100);

    w->begin(0x4110);
    w->u16(uint16_t(mesh.vertices.size()));
    for (const MeshVertex& v : mesh.vertices) {
        w->f32(v.p.x);
        w->f32(v.p.y);
        w->f32(v.p.z);
    }
    w->end();

    if (mesh.has_uv) {
        w->begin(0x4140);
        w->u16(uint16_t(mesh.vertices.size()));
        for (const MeshVertex& v : mesh.vertices) {
            w->f32(v.uv.x);
            w->f32(v.uv.y);
        }
        w->end();
    }

    w->begin(0x4160);
    const float identity[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    for (float f : identity) w->f32(f);
    w->end();

    w->begin(0x4120);
    w->u16(uint16_t(mesh.faces.size()));
    for (const auto& f : mesh.faces) {
        w->u16(uint16_t(f[0]));
        w->u16(uint16_t(f[1]));
        w->u16(uint16_t(f[2]));
        w->u16(0x0007);  // all three edges visible
    }
    // Material groups nest inside the face list, as the format has them.
    for (size_t m = 0; m < materials.size(); ++m) {
        std::vector<uint16_t> listed;
        for (size_t i = 0; i < mesh.faces.size(); ++i) {
            if (mesh.face_material[i] == int(m)) listed.push_back(uint16_t(i));
        }
        if (listed.empty()) continue;
        w->begin(0x4130);
        w->string(materials[m].name);
        w->u16(uint16_t(listed.size()));
        for (uint16_t i : listed) w->u16(i);
        w->end();
    }
    w->end();

    w->end();
    w->end();
}

}  // namespace

std::string encode_3ds(const Model3ds& model, std::string* error) {
    for (const Mesh& mesh : model.objects) {
        if (mesh.vertices.size() > 65535 || mesh.faces.size() > 65535) {
            *error = "object " + mesh.name + " has more than 65535 vertices or faces";
            return "";
        }
        for (int m : mesh.face_material) {
            if (m < 0 || size_t(m) >= model.materials.size()) {
                *error = "object " + mesh.name + " names a material that the model lacks";
                return "";
            }
        }
    }
    ChunkWriter w;
    w.begin(0x4D4D);
    w.begin(0x0002);
    w.u32(3);
    w.end();
    w.begin(0x3D3D);
    w.begin(0x3D3E);
    w.u32(3);
    w.end();
    w.begin(0x0100);
    w.f32(1.0f);
    w.end();
    for (const Material3ds& m : model.materials) write_material(&w, m);
    for (const Mesh& mesh : model.objects) write_object(&w, mesh, model.materials);
    w.end();
    w.end();
    return w.out;
}
