// heart_test.cpp -- "heart": the beat on the sync times, the spin, and the glow round the solid heart
#include <gtest/gtest.h>

#include <GL/gl.h>

#include "kernel/kernel.h"
#include "sections/sections.h"
#include "support/gl_context.h"
#include "support/gl_record.h"
#include "support/scene_files.h"
#include "support/scratch.h"

namespace {

TEST(Heart, BeatsOnTheSyncTimes) {
    open_test_graphics();
    ScratchDir dir;
    write_triangle_model("models/spinheart/spinheart.3ds", 0);
    heart_load();
    g_kernel = KernelState();
    Section section;
    section.start = 5.0f;
    section.end = 25.0f;
    section.duration = 20.0f;
    for (int k = 0; k < 33; ++k) section.syncs.push_back(0.5f * float(k + 1));  // 0.5 to 16.5
    g_kernel.current = &section;

    // Interval k runs from sync[k - 1] to sync[k], interval 33 from sync[32] to the end.
    const struct { float t, scale; } beats[] = {
        {0.25f, 1.0f},  {0.5f, 1.2f},    {0.75f, 1.1f},   {1.499f, 1.0004f},  // intervals 0, 1 and 2
        {1.5f, 1.0f},   {2.0f, 1.3f},                                        // 3 does not beat, 4 does
        {16.5f, 1.75f}, {18.25f, 1.375f}, {19.9999f, 1.0f},                  // 33
    };
    for (const auto& beat : beats) {
        SCOPED_TRACE(beat.t);
        g_kernel.demo_time = section.start + beat.t;
        const auto batches = record_batches(heart_render);
        ASSERT_EQ(batches.size(), 7u) << "six glow copies, then the solid heart";
        EXPECT_FALSE(glIsEnabled(GL_BLEND) || glIsEnabled(GL_LIGHTING));
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_TEXTURE_2D) && glIsEnabled(GL_LIGHT0));
        // Seen from (0, 0, 10), 1.5 below the target, spinning by 100 degrees a second.
        auto pose = [&](float scale) {
            return matrix_after([&] {
                glTranslatef(0, -1.5f, -10);
                glRotatef(90, 1, 0, 0);
                glRotatef(100 * beat.t, 0, 0, 1);
                glScalef(0.5f * scale, 0.5f * scale, 0.5f * scale);
            });
        };
        float glow = beat.scale;
        for (int i = 1; i <= 6; ++i) {
            glow *= 1 + 0.005f * float(i);
            expect_matrix_near(batches[size_t(i - 1)].modelview, pose(glow));
        }
        EXPECT_TRUE(batches[0].blend && batches[0].blend_dst == GL_ONE && !batches[0].depth_test);
        expect_matrix_near(batches[6].modelview, pose(beat.scale));
        EXPECT_TRUE(batches[6].depth_test && batches[6].lighting && !batches[6].blend);
    }
    g_kernel = KernelState();
}

TEST(Heart, MissingModelIsNamed) {
    open_test_graphics();
    ScratchDir dir;
    EXPECT_EXIT(heart_load(), testing::ExitedWithCode(1), fatal_line("Error loading model 'spinheart.3ds'"));
}

}  // namespace
