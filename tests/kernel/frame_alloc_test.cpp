// frame_alloc_test.cpp -- a running timeline allocates nothing from the heap, frame after frame
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <new>

#include "kernel/kernel.h"
#include "kernel/script.h"
#include "kernel/timeline.h"
#include "mkdata.h"
#include "platform/timer.h"
#include "platform/window.h"
#include "support/gl_context.h"
#include "support/pictures.h"
#include "support/scratch.h"

extern "C" void* __real_malloc(size_t size);

namespace {

bool s_counting = false;
int s_allocations = 0;

void* counted(size_t size) {
    if (s_counting) ++s_allocations;
    void* p = __real_malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    return p;
}

}  // namespace

// Every C++ allocation of the process, and the C allocations of the program's own code (linked
// with --wrap=malloc and its kin).
void* operator new(size_t size) { return counted(size); }
void* operator new[](size_t size) { return counted(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return counted(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return counted(size); }
void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }
void operator delete[](void* p, size_t) noexcept { free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { free(p); }

extern "C" {
void* __real_calloc(size_t count, size_t size);
void* __real_realloc(void* p, size_t size);
void* __wrap_malloc(size_t size) {
    if (s_counting) ++s_allocations;
    return __real_malloc(size);
}
void* __wrap_calloc(size_t count, size_t size) {
    if (s_counting) ++s_allocations;
    return __real_calloc(count, size);
}
void* __wrap_realloc(void* p, size_t size) {
    if (s_counting) ++s_allocations;
    return __real_realloc(p, size);
}
}

namespace {

TEST(FrameAllocations, NoneInARunningTimeline) {
    ScratchDir dir;
    open_test_graphics();
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
            poll_window_event();
            run_frame();
            advance_clock();
        }
    };
    frames(500);
    s_counting = true;
    frames(400);
    s_counting = false;
    g_drawfps = 0;
    EXPECT_EQ(s_allocations, 0);
    EXPECT_NE(g_kernel.active, nullptr) << "the sections were running all along";
    EXPECT_EQ(g_kernel.active->next_active->next_active->next_active->type, 4) << "the second fade started";
    use_fixed_clock(0);
}

// The default show, played through twice on the same fixed clock: the first pass gives the GL driver
// its first-use work in every scene, the second is counted, frame loop and handlers. Four frames a
// second reach every section, the shortest flash included, in a time the sanitizer build can afford.
TEST(FrameAllocations, NoneInAnyFrameOfTheDefaultShow) {
    ScratchDir dir;
    open_test_graphics();
    MkdataOptions options;
    options.quiet = true;
    ASSERT_EQ(make_show("show", options), 0);
    ASSERT_EQ(chdir("show"), 0);

    auto play = [](bool count) {
        parse_script();
        use_fixed_clock(4);
        reset_timeline();
        run_loading_phase();
        start_clock();
        int frames = 0;
        s_counting = count;
        while (!g_kernel.quit) {
            poll_window_event();
            run_frame();
            advance_clock();
            ++frames;
        }
        s_counting = false;
        return frames;
    };
    const int frames = play(false);
    s_allocations = 0;
    EXPECT_EQ(play(true), frames);
    EXPECT_EQ(s_allocations, 0);
    EXPECT_GT(frames, int(g_kernel.demo_end * 4) - 2) << "every frame of the show";
    use_fixed_clock(0);
}

}  // namespace
