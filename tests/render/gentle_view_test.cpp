// gentle_view_test.cpp -- gentle viewing over a strobe drawn straight with GL: what reaches the screen
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>

#include "render/flash_meter.h"
#include "render/gentle_view.h"
#include "support/gl_context.h"

namespace {

// Two seconds of a full-screen 10 Hz black and white strobe, each frame put through gentle viewing
// as the timeline does and then measured as shown: at most three flashes in any second, a blend
// on the frames that would make a fourth, the first ones as drawn.
TEST(GentleView, AStrobeReachesTheScreenAtThreeFlashesASecond) {
    open_test_graphics();
    open_gentle_view(kTestWidth, kTestHeight);
    FlashMeter shown;
    open_flash_meter(&shown, kTestWidth, kTestHeight, 4);
    int most = 0;
    for (int i = 0; i < 120; ++i) {
        const float level = (i / 3) % 2 ? 1.0f : 0.0f;
        glClearColor(level, level, level, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        gentle_view_frame(i / 60.0);
        glReadPixels(0, 0, kTestWidth, kTestHeight, GL_RGBA, GL_UNSIGNED_BYTE, flash_frame_buffer(&shown));
        if (i < 6) {
            EXPECT_EQ(flash_frame_buffer(&shown)[0], uint8_t(level * 255)) << "frame " << i << " as drawn";
        }
        read_flash_frame(&shown);
        most = std::max(most, take_flash_frame(&shown, i / 60.0).general_flashes);
    }
    EXPECT_EQ(most, kFlashesPerSecond);
    EXPECT_EQ(gentle_view_stats().frames, 120);
    EXPECT_GT(gentle_view_stats().blended, 20) << "most changes after the first flashes";
    close_gentle_view();
}

}  // namespace
