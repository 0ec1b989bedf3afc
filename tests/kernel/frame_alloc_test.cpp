// frame_alloc_test.cpp -- a running timeline allocates nothing from the heap, frame after frame
#include <gtest/gtest.h>

#include <unistd.h>

#include "alloc_counter.h"
#include "core/timer.h"
#include "kernel/kernel.h"
#include "kernel/keys.h"
#include "kernel/script.h"
#include "kernel/timeline.h"
#include "mkdata.h"
#include "render/gentle_view.h"
#include "support/gl_context.h"
#include "support/pictures.h"
#include "support/scratch.h"

namespace {

TEST(FrameAllocations, NoneInARunningTimeline) {
    ScratchDir dir;
    open_test_graphics();
    find_driver_code();
    write_loading_picture();
    write_file("script.txt",
               "gl_fullscreen 0\ng_debug 1\n"
               "[voidSection]\nend 100\n"
               "[cameraloc]\nend 100\nlayer 1\n"
               "[blackFadeOUT]\nstart 0.5\nend 100\nlayer 2\n"
               "[blackFadeOUT]\nstart 8\nend 100\nlayer 2\n");
    parse_script();
    g_kernel.debug_lines = true;
    use_fixed_clock(60);
    reset_timeline();
    run_loading_phase();
    start_clock();

    // Every kind of frame once before counting, for the GL driver's own first-use work: the fades
    // start, the frame-rate display stands in for the statistics and back.
    auto frames = [](int count) {
        for (int i = 0; i < count; ++i) {
            g_drawfps = (i / 50) % 2;
            process_window_event();
            run_frame();
            advance_clock();
        }
    };
    frames(500);
    reset_allocation_count();
    count_allocations(true);
    frames(400);
    count_allocations(false);
    g_drawfps = 0;
    EXPECT_EQ(counted_allocations(), 0);
    EXPECT_NE(g_kernel.active, nullptr) << "the sections were running all along";
    EXPECT_EQ(g_kernel.active->next_active->next_active->next_active->type, 4) << "the second fade started";
    use_fixed_clock(0);
}

// Every frame of the default show, from the first, on a fixed clock of four frames a second: that
// reaches every section, the shortest flash included, in a time the sanitizer build can afford.
TEST(FrameAllocations, NoneInAnyFrameOfTheDefaultShow) {
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer build plays the whole show in its whole-show capture test; counting here again
    // would only double the time.
    GTEST_SKIP() << "counted in the normal build";
#endif
    ScratchDir dir;
    open_test_graphics();
    find_driver_code();
    MkdataOptions options;
    options.quiet = true;
    ASSERT_EQ(make_show("show", options), 0);
    ASSERT_EQ(chdir("show"), 0);

    parse_script();
    use_fixed_clock(4);
    reset_timeline();
    run_loading_phase();
    start_clock();
    int frames = 0;
    reset_allocation_count();
    count_allocations(true);
    while (!g_kernel.quit) {
        process_window_event();
        if (!run_frame()) g_kernel.quit = true;
        advance_clock();
        ++frames;
    }
    count_allocations(false);
    use_fixed_clock(0);
    EXPECT_EQ(counted_allocations(), 0);
    EXPECT_GT(frames, int(g_kernel.demo_end * 4) - 2) << "every frame of the show";
}

// Gentle viewing over a white strobe: reading back in bands on the counting thread, measuring, and
// the blends of the frames that would flash, drawn back, frame after frame.
TEST(FrameAllocations, NoneInGentleViewing) {
    ScratchDir dir;
    open_test_graphics();
    find_driver_code();
    write_loading_picture();
    const TestPicture white{8, 8, std::vector<uint8_t>(8 * 8 * 3, 255)};
    for (int i = 1; i <= 45; ++i) {
        char name[64];
        snprintf(name, sizeof name, "textures/sync/%02d.jpg", i);
        write_file(name, encode_jpeg(white));
    }
    std::string script = "gl_fullscreen 0\n[voidSection]\nend 100\n";
    for (int i = 0; i < 80; ++i) {
        char section[128];
        snprintf(section, sizeof section, "[sync]\nstart %.2f\nend %.2f\nlayer 1\nsyncs 2\nsync 0\nsync 3\n", 0.5 + i * 0.1,
                 0.55 + i * 0.1);
        script += section;
    }
    write_file("script.txt", script);
    parse_script();
    use_fixed_clock(60);
    reset_timeline();
    run_loading_phase();
    start_clock();
    open_gentle_view(kTestWidth, kTestHeight);
    g_kernel.gentle = true;

    auto frames = [](int count) {
        for (int i = 0; i < count; ++i) {
            process_window_event();
            run_frame();
            advance_clock();
        }
    };
    frames(150);
    const int blended = gentle_view_stats().blended;
    reset_allocation_count();
    count_allocations(true);
    frames(200);
    count_allocations(false);
    EXPECT_EQ(counted_allocations(), 0);
    EXPECT_GT(gentle_view_stats().blended, blended) << "frames were blended while counting";
    g_kernel.gentle = false;
    close_gentle_view();
    use_fixed_clock(0);
}

}  // namespace
