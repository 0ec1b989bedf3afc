// mkdata_writers_test.cpp -- varnel-mkdata's writers and primitives, read back by the player's own loaders
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <string>

#include "max3ds_writer.h"
#include "mesh.h"
#include "models.h"
#include "noise.h"
#include "resources/image.h"
#include "resources/model.h"
#include "support/scratch.h"
#include "tga_writer.h"

namespace {

class MkdataWritersTest : public testing::Test {
protected:
    ScratchDir dir;
};

// Six times the volume that a mesh's faces enclose, positive when they all face outward.
double signed_volume(const Mesh& mesh) {
    double v = 0;
    for (const auto& f : mesh.faces) {
        const Vec3 a = mesh.vertices[f[0]].p, b = mesh.vertices[f[1]].p, c = mesh.vertices[f[2]].p;
        v += double(dot(a, cross(b, c)));
    }
    return v / 6;
}

TEST_F(MkdataWritersTest, TgaRoundTripsThroughThePlayersDecoder) {
    // Widths past one packet's 128 pixels, runs, lone pixels, and alpha.
    Raster r(300, 5, {0, 0, 0, 0});
    r.each([](int x, int y, Colour& p) {
        if (y == 1) p = {float(x % 7) / 6, float(x % 3) / 2, float(x % 5) / 4, 1};  // no two alike in a row
        if (y == 2) p = {1, 0.5f, 0, x < 150 ? 1.0f : 0.0f};                         // two long runs
        if (y == 3 && x % 2) p = {0, 0, 1, 1};                                       // alternating
    });
    for (bool alpha : {true, false}) {
        SCOPED_TRACE(alpha ? "32 bits" : "24 bits");
        write_file(alpha ? "a.tga" : "b.tga", encode_tga(r, alpha));
        const int image = load_texture(alpha ? "a.tga" : "b.tga", false);
        ASSERT_GE(image, 0);
        const Image& img = image_record(image);
        ASSERT_EQ(img.width, 300);
        ASSERT_EQ(img.height, 5);
        EXPECT_EQ(img.internal_format, GLenum(alpha ? GL_RGBA : GL_RGB));
        const std::string expected = alpha ? to_rgba8(r) : to_rgb8(r);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(img.pixels.get()), expected.size()), expected)
            << "rows must come back top first, bytes in R, G, B (, A) order";
    }
}

TEST_F(MkdataWritersTest, ModelRoundTripsThroughThePlayersLoader) {
    Model3ds model;
    model.materials = {material("plain", 0x102030, 0x405060, 0x708090, 0.25f),
                       material("mapped", 0x000000, 0xffffff, 0x000000, 0.5f, "skin.tga")};
    Mesh box;
    box.name = "box";
    box.has_uv = true;
    add_box(&box, Frame{{1, 2, 3}, {}}, {0.5f, 1, 2}, 0);
    for (size_t i = 6; i < box.faces.size(); ++i) box.face_material[i] = 1;
    model.objects = {box};
    Raster skin(4, 4, {1, 0, 0, 1});
    write_file("m/skin.tga", encode_tga(skin, false));
    std::string error;
    write_file("m/box.3ds", encode_3ds(model, &error));
    ASSERT_EQ(error, "");

    const auto loaded = load_model("m/", "box.3ds", false);
    ASSERT_NE(loaded, nullptr);
    ASSERT_EQ(loaded->materials.size(), 2u);
    const Material& mapped = loaded->materials[0];  // the most recently read comes first
    const Material& plain = loaded->materials[1];
    EXPECT_STREQ(plain.name, "plain");
    EXPECT_NEAR(plain.ambient[2], 0x30 / 255.0f, 1e-6f);
    EXPECT_NEAR(plain.diffuse[0], 0x40 / 255.0f, 1e-6f);
    EXPECT_NEAR(plain.specular[1], 0x80 / 255.0f, 1e-6f);
    EXPECT_NEAR(plain.shininess, 0.25f, 1e-6f);
    EXPECT_LT(plain.texture, 0);
    EXPECT_STREQ(mapped.map_name, "skin.tga");
    EXPECT_GE(mapped.texture, 0) << "the map loads from the model's directory";

    ASSERT_EQ(loaded->objects.size(), 1u);
    const MeshObject& o = loaded->objects[0];
    ASSERT_EQ(o.vertices.size(), box.vertices.size());
    ASSERT_EQ(o.faces.size(), box.faces.size());
    EXPECT_EQ(o.texcoords.size(), 2 * box.vertices.size());
    for (size_t i = 0; i < o.faces.size(); ++i) {
        EXPECT_EQ(o.faces[i].material, i < 6 ? &plain : &mapped) << "face " << i;
    }
    // The box was written as given; the loader's y-up axes see it through (x, z, -y), and every
    // face normal of a box points away from its centre.
    const Vec3 centre{1, 3, -2};
    for (const Face& f : o.faces) {
        const float* p = o.vertices[f.a].position;
        const Vec3 out = Vec3{p[0], p[1], p[2]} - centre;
        EXPECT_GT(dot(out, Vec3{f.normal[0], f.normal[1], f.normal[2]}), 0);
    }
}

TEST_F(MkdataWritersTest, ModelsTooLargeForTheFormatAreRefused) {
    Model3ds model;
    model.materials = {material("m", 0, 0, 0, 0)};
    Mesh big;
    big.name = "big";
    add_radial_surface(&big, Frame{}, 300, 300, [](Vec3) { return 1.0f; }, [](Vec3) { return 0; });
    model.objects = {big};
    std::string error;
    EXPECT_EQ(encode_3ds(model, &error), "");
    EXPECT_NE(error.find("65535"), std::string::npos);

    Mesh stray;
    stray.name = "stray";
    add_box(&stray, Frame{}, {1, 1, 1}, 3);
    model.objects = {stray};
    EXPECT_EQ(encode_3ds(model, &error), "");
    EXPECT_NE(error.find("material"), std::string::npos);
}

TEST_F(MkdataWritersTest, PrimitivesAreClosedAndFaceOutward) {
    const float pi = 3.14159265f;
    struct Case {
        const char* name;
        Mesh mesh;
        double volume;  // what the shape encloses
        double tolerance;
    };
    std::vector<Case> cases;
    auto add = [&](const char* name, double volume, double tolerance) -> Mesh& {
        cases.push_back({name, Mesh{}, volume, tolerance});
        return cases.back().mesh;
    };
    const Frame turned{{0.3f, -0.2f, 0.5f}, rotation(37, {1, 2, 3})};
    add_box(&add("box", 8 * 0.5 * 1 * 2, 1e-4), turned, {0.5f, 1, 2}, 0);
    add_ellipsoid(&add("ellipsoid", 4.0 / 3 * pi * 1 * 2 * 0.5, 0.03), turned, {1, 2, 0.5f}, 32, 48, 0);
    add_cylinder(&add("cylinder", pi * 0.25 * 2, 0.02), turned, 0.5f, -1, 1, 48, 0);
    add_capsule(&add("capsule", pi * 0.25 * 2 + 4.0 / 3 * pi * 0.125, 0.03), {0, 0, 0}, {0, 2, 0}, 0.5f, 0.5f, 32, 0);
    add_torus(&add("torus", 2 * pi * pi * 1 * 0.04, 0.03), turned, 1, 0.2f, 64, 24, 0);
    add_stroke(&add("stroke", 2 * 0.5 * 0.3, 1e-4), turned, {0, 0}, {2, 0}, 0.5f, -0.15f, 0.15f, 0);
    {
        std::vector<Vec2> outer, inner;
        for (int i = 0; i < 64; ++i) {
            const float a = 2 * pi * float(i) / 64;
            outer.push_back({std::cos(a), std::sin(a)});
            inner.push_back({0.5f * std::cos(a), 0.5f * std::sin(a)});
        }
        add_extruded_band(&add("ring band", pi * 0.75 * 0.2, 0.02), turned, outer, inner, true, 0, 0.2f, 0);
    }
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(signed_volume(c.mesh) / c.volume, 1.0, c.tolerance);
        // A mirrored copy still faces outward: transform_mesh turns the winding round.
        transform_mesh(&c.mesh, scaling({-1, 1, 1}), {0, 0, 0});
        EXPECT_NEAR(signed_volume(c.mesh) / c.volume, 1.0, c.tolerance);
    }
}

TEST_F(MkdataWritersTest, PeriodicNoiseTiles) {
    for (int period : {4, 8}) {
        for (float x = 0.13f; x < 4; x += 0.71f) {
            for (float y = 0.29f; y < 4; y += 0.53f) {
                // Equal but for the rounding of the shifted coordinate.
                EXPECT_NEAR(value_noise2(x, y, 7, period), value_noise2(x + float(period), y, 7, period), 1e-5f);
                EXPECT_NEAR(fbm2(x, y, 5, 7, period), fbm2(x, y + float(period), 5, 7, period), 1e-5f);
                EXPECT_NEAR(ridged2(x, y, 4, 7, period), ridged2(x - float(period), y, 4, 7, period), 1e-5f);
            }
        }
    }
    // Without a period it does not repeat there.
    EXPECT_GT(std::fabs(value_noise2(0.5f, 0.5f, 7) - value_noise2(4.5f, 0.5f, 7)), 1e-3f);
}

}  // namespace
