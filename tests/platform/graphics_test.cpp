// graphics_test.cpp -- the GL state a show starts from, text mode, and the statistics on screen
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <utility>

#include "core/config.h"
#include "kernel/kernel.h"
#include "kernel/statistics.h"
#include "platform/text.h"
#include "platform/window.h"
#include "support/gl_context.h"

namespace {

class GraphicsTest : public testing::Test {
protected:
    void SetUp() override {
        open_test_graphics();
        g_kernel = KernelState();
    }
    void TearDown() override { g_kernel = KernelState(); }
};

// How many pixels of the given colour lie in rows [y0, y1) of the window.
int count_colour(int y0, int y1, std::array<int, 3> colour) {
    int n = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = 0; x < kTestWidth; ++x) n += read_pixel(x, y) == colour;
    }
    return n;
}

TEST_F(GraphicsTest, DefaultStateAfterOpening) {
    EXPECT_EQ(g_display.width, kTestWidth);
    EXPECT_EQ(g_display.height, kTestHeight);
    EXPECT_FLOAT_EQ(g_display.aspect, float(kTestWidth) / kTestHeight);

    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], kTestWidth);
    EXPECT_EQ(viewport[3], kTestHeight);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint value = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &value);
    EXPECT_EQ(value, GL_LEQUAL);
    glGetIntegerv(GL_SHADE_MODEL, &value);
    EXPECT_EQ(value, GL_FLAT);
    GLint depth_bits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depth_bits);
    EXPECT_GE(depth_bits, 16);
}

TEST_F(GraphicsTest, TextModeRestoresTheMatrices) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glScalef(2, 3, 4);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(5, 6, 7);
    const auto projection = read_matrix(GL_PROJECTION_MATRIX);
    const auto modelview = read_matrix(GL_MODELVIEW_MATRIX);
    glDisable(GL_DEPTH_TEST);

    begin_text_mode();
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    // Window pixels: x = W - 1 lands on the right edge.
    const auto ortho = read_matrix(GL_PROJECTION_MATRIX);
    EXPECT_FLOAT_EQ(ortho[0], 2.0f / (kTestWidth - 1));
    end_text_mode();

    EXPECT_EQ(read_matrix(GL_PROJECTION_MATRIX), projection);
    EXPECT_EQ(read_matrix(GL_MODELVIEW_MATRIX), modelview);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST)) << "turned on whatever it was before";
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_PROJECTION);
}

TEST_F(GraphicsTest, StatisticsLinesOnScreen) {
    Section active;
    active.type = 19;
    Section pending;
    pending.type = 16;
    g_kernel.active = &active;
    g_kernel.pending = &pending;

    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    draw_statistics();
    EXPECT_GT(count_colour(0, 20, {255, 255, 255}), 40) << "the summary line in white at the bottom";
    EXPECT_EQ(count_colour(20, kTestHeight, {255, 255, 255}), 0);
    EXPECT_EQ(count_colour(0, kTestHeight, {127, 255, 127}), 0) << "no section lines with the switch off";

    g_kernel.debug_lines = true;
    draw_statistics();
    EXPECT_GT(count_colour(20, 40, {127, 255, 127}), 20) << "the pending line in green above it";
    EXPECT_GT(count_colour(40, 60, {127, 127, 255}), 20) << "the active section in blue above that";

    glClear(GL_COLOR_BUFFER_BIT);
    draw_frame_rate();
    EXPECT_GT(count_colour(0, 20, {255, 255, 255}), 10) << "the frame rate, in sight";
}

TEST_F(GraphicsTest, FullScreenNeedsADisplayModeOfThatSize) {
    // The offscreen display lists no mode of this size: no fallback to a window.
    gl_fullscreen = 1;
    gl_width = 333;
    gl_height = 222;
    EXPECT_EXIT(
        {
            close_graphics();
            _exit(open_graphics("varnel test") == -2 ? 3 : 4);
        },
        testing::ExitedWithCode(3), "");
    gl_fullscreen = 0;
    gl_width = kTestWidth;
    gl_height = kTestHeight;
}

TEST_F(GraphicsTest, AWindowNeedsASizeTheDriverCanDraw) {
    // Nothing, or wider than the driver's largest viewport: refused in a window as in full screen.
    EXPECT_EXIT(
        {
            close_graphics();
            int refused = 0;
            for (const auto [width, height] : {std::pair{0, 480}, std::pair{640, -2}, std::pair{40000, 8}}) {
                gl_width = width;
                gl_height = height;
                refused += open_graphics("varnel test") == -2;
                close_graphics();
            }
            _exit(refused);
        },
        testing::ExitedWithCode(3), "");
}

}  // namespace
