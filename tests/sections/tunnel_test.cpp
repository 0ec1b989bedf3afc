// tunnel_test.cpp -- "tunnel": which phase draws which field, when, through which transforms
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "kernel/kernel.h"
#include "render/camera.h"
#include "sections/sections.h"
#include "support/gl_context.h"
#include "support/gl_record.h"
#include "support/pictures.h"
#include "support/scratch.h"

namespace {

Camera look_at(float px, float py, float pz, float tx, float ty, float tz, float roll = 0) {
    Camera c = create_camera(1);
    set_position(&c, px, py, pz);
    set_target(&c, tx, ty, tz);
    set_roll(&c, roll);
    return c;
}

bool zero_normals(const RecordedBatch& b) {
    return std::all_of(b.vertices.begin(), b.vertices.end(),
                       [](const RecordedVertex& v) { return v.normal == std::array<float, 3>{}; });
}

TEST(Tunnel, PhasesOnTheSyncTimes) {
    open_test_graphics();
    ScratchDir dir;
    write_file("textures/flame.jpg", encode_jpeg(gradient_picture(8, 8)));
    write_file("textures/pixelfire.jpg", encode_jpeg(gradient_picture(8, 8)));
    tunnel_load();
    g_kernel = KernelState();
    Section section;
    section.start = 10.0f;
    section.end = 30.0f;
    section.syncs = {4.0f, 8.0f, 11.0f};
    g_kernel.current = &section;
    auto at = [&](float t) {
        g_kernel.demo_time = section.start + t;
        return record_batches(tunnel_render);
    };

    // Phases 1 and 2: field A, fogged, turned by 50 tau and squashed to half its length, seen by a
    // swaying camera at the mouth (drawn green) or deep inside looking back (red), tau being the
    // local time in both. The field is first stepped once tau passes 0.02: till then its normals are zero.
    for (float t : {0.01f, 3.99f, 4.0f, 7.99f}) {
        SCOPED_TRACE(t);
        const auto batches = at(t);
        ASSERT_EQ(batches.size(), 1u);
        const RecordedBatch& b = batches[0];
        const bool deep = t >= 4;
        EXPECT_EQ(b.vertices.size(), 24u * 49 * 4);
        EXPECT_EQ(b.colour[1], deep ? 0.0f : 1.0f);
        EXPECT_TRUE(b.fog && b.lighting && b.depth_test && b.texture);
        EXPECT_EQ(zero_normals(b), t == 0.01f);
        const float x = 0.15f * std::sin(2 * t), y = 0.15f * std::cos(2 * t);
        const Camera camera = deep ? look_at(x, y, 20, 0, 0, 0) : look_at(x, y, 0, 0, 0, 1);
        expect_matrix_near(b.modelview, matrix_after([&] {
                               apply_camera(camera);
                               glRotatef(50 * t, 0, 0, 1);
                               glScalef(1, 1, 0.5f);
                           }));
        EXPECT_NEAR(read_matrix(GL_PROJECTION_MATRIX)[14], 2 * 100 * 0.01f / (0.01f - 100), 1e-6f) << "near 0.01";
        EXPECT_FALSE(glIsEnabled(GL_FOG) || glIsEnabled(GL_LIGHTING) || glIsEnabled(GL_LIGHT0));
        EXPECT_TRUE(glIsEnabled(GL_BLEND) && glIsEnabled(GL_DEPTH_TEST));
    }

    // Phases 3 and 4: field C, then D, additive without depth test, turned by 100 tau, then again
    // untextured by 50 tau, tau counting from sync[1] and sync[2].
    const Camera side = look_at(-1, 0, 30, -100, -100, 30, 90), slant = look_at(-2, -2, 25, 1, 1, 25);
    const struct { float t, tau; const Camera& camera; size_t vertices; bool zero_normals; } fires[] = {
        {8.0f, 0, side, 74 * 74 * 4, true},      {8.01f, 0.01f, side, 74 * 74 * 4, true},
        {8.5f, 0.5f, side, 74 * 74 * 4, false},  {11.0f, 0, slant, 24 * 74 * 4, true},
        {19.5f, 8.5f, slant, 24 * 74 * 4, false}};
    for (const auto& fire : fires) {
        SCOPED_TRACE(fire.t);
        const auto batches = at(fire.t);
        ASSERT_EQ(batches.size(), 2u);
        for (int pass = 0; pass < 2; ++pass) {
            const RecordedBatch& b = batches[size_t(pass)];
            EXPECT_EQ(b.vertices.size(), fire.vertices);
            EXPECT_EQ(zero_normals(b), fire.zero_normals);
            EXPECT_TRUE(b.lighting && b.blend_dst == GL_ONE && !b.depth_test && !b.fog && b.texture == (pass == 0));
            expect_matrix_near(b.modelview, matrix_after([&] {
                                   apply_camera(fire.camera);
                                   glRotatef((pass == 0 ? 100 : 50) * fire.tau, 0, 0, 1);
                               }));
        }
        const double half_fov = (fire.t < 11 ? 75 : 60) * M_PI / 180;
        EXPECT_NEAR(read_matrix(GL_PROJECTION_MATRIX)[5], 1 / std::tan(half_fov), 1e-5);
        EXPECT_EQ(glIsEnabled(GL_BLEND), fire.t < 11) << "phase 3 leaves its blending on, phase 4 off";
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_LIGHT0) && !glIsEnabled(GL_LIGHTING));
    }
    EXPECT_EQ(read_pixel(0, 0)[0], 255) << "on red";
    g_kernel = KernelState();
}

TEST(Tunnel, MissingTextureIsNamed) {
    open_test_graphics();
    ScratchDir dir;
    EXPECT_EXIT(tunnel_load(), testing::ExitedWithCode(1),
                fatal_line("Error loading texture flameTex in Tunnel section"));
    write_file("textures/flame.jpg", encode_jpeg(gradient_picture(8, 8)));
    EXPECT_EXIT(tunnel_load(), testing::ExitedWithCode(1),
                fatal_line("Error loading texture pixelfire in Tunnel section"));
}

}  // namespace
