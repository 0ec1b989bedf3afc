// model_test.cpp -- the 3DS parser on files built by the test, and the normals of models
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "resources/archive.h"
#include "resources/image.h"
#include "resources/model.h"
#include "support/scratch.h"

namespace {

std::string u16(int v) {
    return {char(v & 0xFF), char((v >> 8) & 0xFF)};
}

std::string u32(uint32_t v) {
    return u16(int(v & 0xFFFF)) + u16(int(v >> 16));
}

std::string f32(float f) {
    uint32_t bits;
    memcpy(&bits, &f, 4);
    return u32(bits);
}

std::string chunk(int id, const std::string& content) {
    return u16(id) + u32(uint32_t(content.size() + 6)) + content;
}

std::string str(const std::string& s) {
    return s + '\0';
}

std::string points(const std::vector<std::array<float, 3>>& p) {
    std::string data = u16(int(p.size()));
    for (const auto& v : p) data += f32(v[0]) + f32(v[1]) + f32(v[2]);
    return chunk(0x4110, data);
}

std::string faces(const std::vector<std::array<int, 3>>& f, const std::string& sub = "") {
    std::string data = u16(int(f.size()));
    for (const auto& t : f) data += u16(t[0]) + u16(t[1]) + u16(t[2]) + u16(7);
    return chunk(0x4120, data + sub);
}

std::string group(const std::string& material, const std::vector<int>& indices) {
    std::string data = str(material) + u16(int(indices.size()));
    for (int i : indices) data += u16(i);
    return chunk(0x4130, data);
}

std::string material(const std::string& name, const std::string& more = "") {
    return chunk(0xAFFF, chunk(0xA000, str(name)) + more);
}

std::string object(const std::string& name, const std::string& mesh) {
    return chunk(0x4000, str(name) + chunk(0x4100, mesh));
}

std::string file3ds(const std::string& editor) {
    return chunk(0x4D4D, chunk(0x0002, u32(3)) + chunk(0x3D3D, editor) + chunk(0xB000, chunk(0xB008, "kf")));
}

const std::string kTriangle = points({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}) + faces({{0, 1, 2}});

class ModelTest : public testing::Test {
protected:
    std::unique_ptr<Model> parse(const std::string& bytes) {
        write_file("models/Test/m.3ds", bytes);
        return load_model("models/Test/", "m.3ds", false);
    }
    ScratchDir dir;
};

TEST_F(ModelTest, MeshRead) {
    std::string tex = u16(3) + f32(0.5f) + f32(0.25f) + f32(1) + f32(0) + f32(0) + f32(1);
    std::string matrix;
    for (int i = 0; i < 12; ++i) matrix += f32(float(i));
    const auto model = parse(file3ds(object("Body", kTriangle + chunk(0x4140, tex) + chunk(0x4160, matrix) +
                                                        chunk(0x4165, "\x05") + chunk(0x4170, "unknown"))));
    ASSERT_NE(model, nullptr);
    ASSERT_EQ(model->objects.size(), 1u);
    const MeshObject& o = model->objects[0];
    EXPECT_STREQ(o.name, "Body");
    ASSERT_EQ(o.vertices.size(), 3u);
    // z up in the file, y up here: (1, 2, 3) is (1, 3, -2).
    EXPECT_EQ(o.vertices[0].position[0], 1.0f);
    EXPECT_EQ(o.vertices[0].position[1], 3.0f);
    EXPECT_EQ(o.vertices[0].position[2], -2.0f);
    ASSERT_EQ(o.faces.size(), 1u);
    EXPECT_EQ(o.faces[0].c, 2);
    EXPECT_EQ(o.faces[0].flags, 7);
    EXPECT_EQ(o.faces[0].material, nullptr);
    EXPECT_EQ(o.texcoords, (std::vector<float>{0.5f, 0.25f, 1, 0, 0, 1}));
    EXPECT_TRUE(o.has_matrix);
    EXPECT_EQ(o.matrix_axes[8], 8.0f);
    EXPECT_EQ(o.matrix_origin[2], 11.0f);
    EXPECT_EQ(o.colour_index, 5);
}

TEST_F(ModelTest, MaterialGroupsInEitherNesting) {
    const std::string mats = material("red") + material("blue");
    for (bool nested : {true, false}) {
        SCOPED_TRACE(nested ? "inside the face list" : "beside the face list");
        const std::string mesh = points({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}) +
                                 (nested ? faces({{0, 1, 2}, {1, 3, 2}}, group("blue", {1}) + group("nothing", {0}))
                                         : faces({{0, 1, 2}, {1, 3, 2}}) + group("blue", {1}) + group("nothing", {0}));
        const auto model = parse(file3ds(mats + object("quad", mesh)));
        ASSERT_NE(model, nullptr);
        ASSERT_EQ(model->materials.size(), 2u);
        EXPECT_STREQ(model->materials.front().name, "blue") << "the most recently read first";
        const MeshObject& o = model->objects[0];
        EXPECT_EQ(o.faces[1].material, &model->materials.front());
        EXPECT_EQ(o.faces[0].material, nullptr) << "an unknown material leaves the face without one";
    }
}

TEST_F(ModelTest, SameNameMaterialsBindTheLastRead) {
    const auto model = parse(file3ds(material("skin", chunk(0xA040, chunk(0x0030, u16(10)))) +
                                     material("skin", chunk(0xA040, chunk(0x0030, u16(20)))) +
                                     object("o", kTriangle + group("skin", {0}))));
    ASSERT_NE(model, nullptr);
    EXPECT_FLOAT_EQ(model->objects[0].faces[0].material->shininess, 0.2f);
}

TEST_F(ModelTest, ColoursAndPercentages) {
    const std::string red24 = chunk(0x0011, std::string("\xff\x00\x00", 3));
    const std::string green_lin = chunk(0x0013, f32(0) + f32(1) + f32(0));
    const auto model = parse(file3ds(
        material("a", chunk(0xA020, red24 + green_lin) + chunk(0xA010, chunk(0x0010, f32(0.1f) + f32(0.2f) + f32(0.3f))) +
                          chunk(0xA040, chunk(0x0030, u16(50))) + chunk(0xA050, chunk(0x0031, f32(0.75f))) +
                          chunk(0xA081, "")) +
        material("b", chunk(0xA020, green_lin + red24) + chunk(0xA030, ""))));
    ASSERT_NE(model, nullptr);
    const Material& b = model->materials[0];
    const Material& a = model->materials[1];
    EXPECT_EQ(a.diffuse[0], 0.0f) << "the colour written last wins";
    EXPECT_EQ(a.diffuse[1], 1.0f);
    EXPECT_FLOAT_EQ(b.diffuse[0], 1.0f);
    EXPECT_EQ(b.diffuse[1], 0.0f);
    EXPECT_FLOAT_EQ(a.ambient[2], 0.3f);
    EXPECT_FLOAT_EQ(a.shininess, 0.5f);
    EXPECT_FLOAT_EQ(a.transparency, 0.75f);
    EXPECT_TRUE(a.two_sided);
    EXPECT_EQ(b.shininess, 1.0f) << "the default";
    EXPECT_EQ(b.specular[0], 0.0f) << "an empty colour chunk reads as black";
}

TEST_F(ModelTest, TextureMapsLoadFromTheModelsDirectory) {
    std::string tga(18, '\0');
    tga[2] = 2;
    tga[12] = 1;
    tga[14] = 1;
    tga[16] = 24;
    write_file("models/Test/skin.tga", tga + "abc");
    const std::string map = chunk(0xA200, chunk(0xA300, str("SKIN.TGA")) + chunk(0xA354, f32(2.0f)));
    const std::string missing = chunk(0xA200, chunk(0xA300, str("none.tga")));
    const auto model = parse(file3ds(material("skin", map) + material("gone", missing)));
    ASSERT_NE(model, nullptr);
    EXPECT_GE(model->materials[1].texture, 0) << "found as models/test/skin.tga, whatever the case on disk";
    EXPECT_STREQ(model->materials[1].map_name, "SKIN.TGA");
    EXPECT_EQ(model->materials[1].map_uscale, 2.0f);
    EXPECT_LT(model->materials[0].texture, 0) << "a missing map leaves the material untextured";
}

TEST_F(ModelTest, ObjectsThatAreNoMeshes) {
    const auto model = parse(file3ds(chunk(0x4000, str("Lamp") + chunk(0x4600, f32(1) + f32(2) + f32(3))) +
                                     chunk(0x4000, str("Eye") + chunk(0x4700, std::string(32, '\0')))));
    ASSERT_NE(model, nullptr);
    ASSERT_EQ(model->objects.size(), 2u);
    EXPECT_TRUE(model->objects[0].vertices.empty());
    EXPECT_TRUE(model->objects[1].faces.empty());
}

TEST_F(ModelTest, DamagedFilesGiveNoModel) {
    std::string truncated = file3ds(object("o", kTriangle));
    const std::string good = truncated;
    truncated.resize(truncated.size() - 30);
    struct Case {
        const char* scenario;
        std::string bytes;
    } cases[] = {
        {"not a 3DS file", chunk(0x4D4C, "")},
        {"cut inside the vertex list", truncated},
        {"a chunk shorter than its header", file3ds(u16(0x4000) + u32(3) + "xyz")},
        {"a chunk longer than its parent", file3ds(chunk(0x4000, str("o") + u16(0x4100) + u32(1000)))},
        {"a vertex list longer than its chunk", file3ds(object("o", chunk(0x4110, u16(50) + f32(1))))},
        {"a face naming a missing vertex", file3ds(object("o", points({{0, 0, 0}}) + faces({{0, 0, 1}})))},
        {"a group naming a missing face", file3ds(material("m") + object("o", kTriangle + group("m", {1})))},
        {"a name that runs past its chunk", file3ds(chunk(0xAFFF, chunk(0xA000, "unterminated")))},
        {"a colour shorter than its chunk says", file3ds(material("m", chunk(0xA020, chunk(0x0011, "\xff"))))},
        {"an empty file", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        EXPECT_EQ(parse(c.bytes), nullptr);
    }
    EXPECT_NE(parse(good), nullptr);

    // Nesting deeper than real files is refused rather than followed.
    std::string deep = object("o", kTriangle);
    for (int i = 0; i < 200; ++i) deep = chunk(0x3D3D, deep);
    EXPECT_EQ(parse(chunk(0x4D4D, deep)), nullptr);
}

// A 1 x 1 TGA of one colour.
std::string pixel_tga(char r, char g, char b) {
    std::string tga(18, '\0');
    tga[2] = 2;
    tga[12] = 1;
    tga[14] = 1;
    tga[16] = 24;
    return tga + b + g + r;
}

TEST_F(ModelTest, AFileReadAgainReplacesEveryModelOfItWholeOrNotAtAll) {
    const std::string skin = material("skin", chunk(0xA200, chunk(0xA300, str("skin.tga"))));
    write_file("models/Test/skin.tga", pixel_tga('\xff', 0, 0));
    const auto first = parse(file3ds(skin + object("o", kTriangle)));
    const auto second = load_model("models/Test/", "m.3ds", false);
    ASSERT_TRUE(first && second);
    const int map = first->materials[0].texture;
    ASSERT_GE(map, 0);

    // The map decodes again before the mesh fails: neither the picture nor either model changes.
    write_file("models/Test/skin.tga", pixel_tga(0, '\xff', 0));
    write_file("models/Test/m.3ds", file3ds(skin + object("o", points({{0, 0, 0}}) + faces({{0, 0, 1}}))));
    const char* why = nullptr;
    EXPECT_EQ(reload_models("models/Test/m.3ds", false, &why), -1);
    EXPECT_NE(why, nullptr);
    EXPECT_EQ(image_record(map).pixels[0], 0xff) << "the kept map is not half replaced";
    EXPECT_EQ(first->objects.size(), 1u);
    EXPECT_EQ(second->objects.size(), 1u);

    write_file("models/Test/m.3ds", file3ds(skin + object("o", kTriangle) + object("p", kTriangle)));
    EXPECT_EQ(reload_models("models/TEST/M.3DS", false, &why), 2);
    EXPECT_EQ(first->objects.size(), 2u);
    EXPECT_EQ(second->objects.size(), 2u);
    EXPECT_EQ(first->materials[0].texture, map) << "a map of the same file keeps its handle";
    EXPECT_EQ(image_record(map).pixels[1], 0xff) << "and takes the new picture";
}

TEST_F(ModelTest, FromTheArchive) {
    write_file("data.dat", build_archive({{"models/Heart/heart.3ds", file3ds(object("h", kTriangle))}}));
    ASSERT_EQ(open_archive(), 0);
    EXPECT_NE(load_model("models/Heart/", "heart.3ds", true), nullptr);
    EXPECT_EQ(load_model("models/Heart/", "liver.3ds", true), nullptr);
    EXPECT_EQ(load_model("models/Heart/", "heart.3ds", false), nullptr) << "no fallback to disk";
}

float length(const float* v) {
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

MeshObject mesh_of(const std::vector<std::array<float, 3>>& p, const std::vector<std::array<int, 3>>& f) {
    MeshObject o;
    for (const auto& v : p) o.vertices.push_back(Vertex{{v[0], v[1], v[2]}, {}});
    for (const auto& t : f) o.faces.push_back(Face{uint16_t(t[0]), uint16_t(t[1]), uint16_t(t[2]), 0, {}, nullptr});
    return o;
}

TEST(Normals, FacesAndVertices) {
    Model model;
    // Counter-clockwise seen from +z.
    model.objects.push_back(mesh_of({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}));
    // A flat square of two triangles.
    model.objects.push_back(mesh_of({{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}}, {{0, 1, 2}, {0, 2, 3}}));
    // Two faces at a right angle sharing the edge 0-1: one in the floor, one in a wall.
    model.objects.push_back(mesh_of({{0, 0, 0}, {1, 0, 0}, {0, 0, -1}, {0, 1, 0}}, {{0, 1, 2}, {0, 3, 1}}));
    compute_normals(&model);

    const Face& ccw = model.objects[0].faces[0];
    EXPECT_NEAR(ccw.normal[0], 0.0f, 1e-6f);
    EXPECT_NEAR(ccw.normal[1], 0.0f, 1e-6f);
    EXPECT_NEAR(ccw.normal[2], 1.0f, 1e-6f);

    for (const Vertex& v : model.objects[1].vertices) {
        EXPECT_NEAR(v.normal[2], 1.0f, 1e-6f);
        EXPECT_NEAR(length(v.normal), 1.0f, 1e-6f);
    }

    const MeshObject& crease = model.objects[2];
    EXPECT_NEAR(length(crease.faces[0].normal), 1.0f, 1e-6f);
    EXPECT_NEAR(length(crease.vertices[0].normal), 0.7071f, 1e-4f) << "averaged, not renormalised";
    EXPECT_NEAR(length(crease.vertices[2].normal), 1.0f, 1e-6f) << "a vertex of one face";
}

}  // namespace
