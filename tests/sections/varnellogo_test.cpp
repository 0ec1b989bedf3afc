// varnellogo_test.cpp -- "varnellogo": the fly-in, the flicker and the red echo, on demo time
#include <gtest/gtest.h>

#include <GL/gl.h>

#include "kernel/kernel.h"
#include "render/camera.h"
#include "sections/sections.h"
#include "support/gl_context.h"
#include "support/gl_record.h"
#include "support/scene_files.h"
#include "support/scratch.h"

namespace {

// The models, told apart by the x of the first vertex they send.
enum Part { kRedLetters = 0, kLetters = 10, kRedFrame = 20, kFrame = 30 };

int part(const RecordedBatch& b) {
    return int(b.vertices[0].position[0]);
}

// The logo camera's view, then transform().
std::array<float, 16> seen(const std::function<void()>& transform) {
    return matrix_after([&] {
        Camera c = create_camera(1);
        set_position(&c, 0, 0, -10);
        apply_camera(c);
        transform();
    });
}

TEST(Logo, FliesInEchoesAndTumblesOnDemoTime) {
    open_test_graphics();
    ScratchDir dir;
    write_triangle_model("models/VarnelLogo/letra/roja/letra.3ds", kRedLetters);
    write_triangle_model("models/VarnelLogo/letra/normal/letra.3ds", kLetters);
    write_triangle_model("models/VarnelLogo/marco/rojo/marco.3ds", kRedFrame);
    write_triangle_model("models/VarnelLogo/marco/normal/marco.3ds", kFrame);
    varnellogo_load();
    g_kernel = KernelState();
    Section section;
    section.start = 1.0f;  // changes nothing: the sync times are demo times
    section.end = 12.0f;
    section.syncs = {3.0f, 7.0f, 10.0f};
    g_kernel.current = &section;
    auto at = [&](float time) {
        g_kernel.demo_time = time;
        auto batches = record_batches(varnellogo_render);
        EXPECT_TRUE(!glIsEnabled(GL_BLEND) && glIsEnabled(GL_TEXTURE_2D));
        return batches;
    };
    EXPECT_TRUE(at(2.99f).empty());

    // The fly-in: at the camera, spun 360 and turned 90 at sync[0]; at rest just before sync[1].
    // The frame and the letters spin opposite ways, either perhaps in its red variant.
    const struct { float time, z, a, b; } poses[] = {
        {3.0f, -10, 360, 90}, {5.0f, -3.75f, 135, 33.75f}, {6.9999f, 0, 0, 0}};
    for (const auto& pose : poses) {
        SCOPED_TRACE(pose.time);
        const auto batches = at(pose.time);
        ASSERT_EQ(batches.size(), 2u);
        EXPECT_TRUE(part(batches[0]) >= kRedFrame && part(batches[1]) < kRedFrame) << "the frame, then the letters";
        for (int i = 0; i < 2; ++i) {
            expect_matrix_near(batches[size_t(i)].modelview, seen([&] {
                                   glTranslatef(0, 0, pose.z);
                                   glRotatef(90, 1, 0, 0);
                                   glRotatef(i == 0 ? pose.a : -pose.a, 0, 0, 1);
                                   glRotatef(pose.b, 0, 1, 0);
                               }),
                               2e-3f);
        }
    }
    // One frame in eight each model turns red, each on its own.
    int red_frames = 0, both = 0;
    for (int n = 0; n < 800; ++n) {
        const auto batches = at(4.0f);
        red_frames += part(batches[0]) == kRedFrame;
        both += part(batches[0]) == kRedFrame && part(batches[1]) == kRedLetters;
    }
    EXPECT_NEAR(red_frames, 100, 40);
    EXPECT_LT(both, 30);

    // The echo, drawn over the frame: four red copies, each scaled on top of the ones before.
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    const auto batches = at(7.0f);
    ASSERT_EQ(batches.size(), 8u);
    EXPECT_EQ(part(batches[6]) + part(batches[7]), kRedFrame + kRedLetters);
    const float spread = 1.03f * 1.06f * 1.09f * 1.12f;
    expect_matrix_near(batches[6].modelview, seen([&] {
                           glRotatef(90, 1, 0, 0);
                           glScalef(spread, spread, spread);
                       }), 1e-3f);
    EXPECT_EQ(at(11.0f).size(), 2u) << "the tumble";
    EXPECT_EQ(read_pixel(0, 0), (std::array<int, 3>{0, 0, 255})) << "the echo and the tumble do not clear";
    EXPECT_TRUE(at(12.0f).empty()) << "nothing at the end";
    g_kernel = KernelState();
}

TEST(Logo, MissingModelIsNamed) {
    open_test_graphics();
    ScratchDir dir;
    EXPECT_EXIT(varnellogo_load(), testing::ExitedWithCode(1), fatal_line("Error loading model 'letra.3ds'"));
    write_triangle_model("models/VarnelLogo/letra/roja/letra.3ds", 0);
    write_triangle_model("models/VarnelLogo/letra/normal/letra.3ds", 0);
    EXPECT_EXIT(varnellogo_load(), testing::ExitedWithCode(1), fatal_line("Error loading model 'marco.3ds'"));
}

}  // namespace
