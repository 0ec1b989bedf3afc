// transitions_test.cpp -- "blackFadeOUT", "cameraloc" and "voidSection" on a GL context
#include <gtest/gtest.h>

#include <GL/gl.h>

#include "kernel/kernel.h"
#include "sections/sections.h"
#include "support/gl_context.h"
#include "support/scratch.h"

namespace {

class TransitionsTest : public testing::Test {
protected:
    void SetUp() override {
        open_test_graphics();
        g_kernel = KernelState();
        section.start = 2.0f;
        section.end = 4.0f;
        section.duration = 2.0f;
        g_kernel.current = &section;
    }
    void TearDown() override { g_kernel = KernelState(); }

    void clear_to_white() {
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }

    Section section;
};

TEST_F(TransitionsTest, VoidSectionClearsColourAndDepth) {
    clear_to_white();
    glClearDepth(0.25);
    glClear(GL_DEPTH_BUFFER_BIT);
    glClearDepth(1.0);
    voidsection_render();
    EXPECT_EQ(read_pixel(10, 10), (std::array<int, 3>{0, 0, 0}));
    float depth = 0.0f;
    glReadPixels(10, 10, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_EQ(depth, 1.0f);
}

TEST_F(TransitionsTest, BlackFadeDarkensByItsShareOfTheSpan) {
    blackfadeout_load();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glScalef(2, 2, 2);
    const auto projection = read_matrix(GL_PROJECTION_MATRIX);

    clear_to_white();
    g_kernel.demo_time = 3.0f;
    blackfadeout_render();
    const auto half = read_pixel(kTestWidth / 2, kTestHeight / 2);
    EXPECT_NEAR(half[0], 128, 1);
    EXPECT_EQ(read_pixel(0, 0), half) << "the quad covers the whole window";
    EXPECT_EQ(read_pixel(kTestWidth - 1, kTestHeight - 1), half);

    clear_to_white();
    g_kernel.demo_time = 2.0f;
    blackfadeout_render();
    EXPECT_EQ(read_pixel(5, 5), (std::array<int, 3>{255, 255, 255})) << "nothing at its start";

    clear_to_white();
    g_kernel.demo_time = 3.98f;
    blackfadeout_render();
    EXPECT_LE(read_pixel(5, 5)[0], 3) << "almost black in its last frame";

    // What it leaves behind.
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLboolean depth_writes = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depth_writes);
    EXPECT_TRUE(depth_writes);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_PROJECTION);
    EXPECT_EQ(read_matrix(GL_PROJECTION_MATRIX), projection);
}

TEST_F(TransitionsTest, CameralocLoadsTheDefaultCamera) {
    cameraloc_load();
    cameraloc_init();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    cameraloc_render();

    // 90 degrees of field of view at the display's aspect, 0.1 to 100.
    const auto p = read_matrix(GL_PROJECTION_MATRIX);
    EXPECT_NEAR(p[0], float(kTestHeight) / kTestWidth, 1e-6f);
    EXPECT_NEAR(p[5], 1.0f, 1e-6f);
    EXPECT_NEAR(p[14], 2 * 100.0f * 0.1f / (0.1f - 100.0f), 1e-5f);

    // From (0, 0, -100) towards the origin, y up: the view is turned round, the origin 100 ahead.
    const auto m = read_matrix(GL_MODELVIEW_MATRIX);
    const std::array<float, 16> expected = {-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, -100, 1};
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(m[i], expected[i], 1e-4f) << "element " << i;
}

TEST_F(TransitionsTest, CameralocRefusesSyncTimes) {
    section.sync_count = 1;
    section.syncs = {1.0f};
    EXPECT_EXIT(cameraloc_init(), testing::ExitedWithCode(1),
                fatal_line("Section: invalid number of syncs (1 found, 0 expected)"));
}

}  // namespace
