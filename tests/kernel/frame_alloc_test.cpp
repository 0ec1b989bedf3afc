// frame_alloc_test.cpp -- a running timeline allocates nothing from the heap, frame after frame
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "kernel/kernel.h"
#include "kernel/script.h"
#include "kernel/timeline.h"
#include "platform/timer.h"
#include "platform/window.h"
#include "support/gl_context.h"
#include "support/model_files.h"
#include "support/pictures.h"
#include "support/scene_files.h"
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
    const std::string jpeg = encode_jpeg(gradient_picture(8, 8));
    write_file("textures/flame.jpg", jpeg);
    write_file("textures/pixelfire.jpg", jpeg);
    for (const char* path : {"models/VarnelLogo/letra/roja/letra.3ds", "models/VarnelLogo/letra/normal/letra.3ds",
                             "models/VarnelLogo/marco/rojo/marco.3ds", "models/VarnelLogo/marco/normal/marco.3ds",
                             "models/spinheart/spinheart.3ds"}) {
        write_triangle_model(path, 0);
    }
    // The effects run through every phase once while warming up and again while counted (from
    // 8.3 s on); the logo's sync times are demo times.
    std::string effects;
    for (float start : {0.0f, 8.5f}) {
        const std::string at = std::to_string(start);
        effects += "[tunnel]\nstart " + at + "\nend " + std::to_string(start + 4) + "\nlayer 3\nsyncs 3\n";
        for (float t : {1.0f, 2.0f, 3.0f}) effects += "sync " + std::to_string(t) + "\n";
        effects += "[varnellogo]\nstart " + at + "\nend " + std::to_string(start + 4) + "\nlayer 4\nsyncs 3\n";
        for (float t : {1.0f, 2.0f, 3.0f}) effects += "sync " + std::to_string(start + t) + "\n";
        effects += "[heart]\nstart " + at + "\nend 100\nlayer 5\nsyncs 33\n";
        for (int k = 1; k <= 33; ++k) effects += "sync " + std::to_string(0.15f * float(k)) + "\n";
    }
    write_file("script.txt",
               "gl_fullscreen 0\ng_debug 1\n"
               "[voidSection]\nend 100\n"
               "[cameraloc]\nend 100\nlayer 1\n"
               "[blackFadeOUT]\nstart 0.5\nend 100\nlayer 2\n"
               "[blackFadeOUT]\nstart 8\nend 100\nlayer 2\n" +
                   effects);
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
    EXPECT_EQ(g_kernel.active->next_active->next_active->next_active->next_active->type, 12) << "the second heart";
    use_fixed_clock(0);
}


// Plays the sections of one scene for 4 s to let the GL driver do its first-use work, then
// counts the allocations of the next 3 s. One scene at a time, as a show plays them: stacking every
// effect in one frame would make the driver recompile its own shader variants.
int allocations_in_scene(const std::string& sections) {
    write_file("script.txt", "gl_fullscreen 0\ng_debug 1\n" + sections);
    parse_script();
    g_kernel.debug_lines = true;
    use_fixed_clock(60);
    reset_timeline();
    run_loading_phase();
    start_clock();
    for (int i = 0; i < 420; ++i) {
        s_counting = i >= 240;
        poll_window_event();
        run_frame();
        advance_clock();
    }
    s_counting = false;
    use_fixed_clock(0);
    const int counted = s_allocations;
    s_allocations = 0;
    return counted;
}

TEST(FrameAllocations, NoneInTheEffectScenes) {
    ScratchDir dir;
    open_test_graphics();
    write_loading_picture();
    write_effect_files();
    // Those with phases pass through all of them before counting, and a second copy again while counting.
    const char* const scenes[] = {
        "[cameraloc]\nend 9\n[varnelBump]\nend 9\nlayer 1\n[redExplosion]\nstart 1\nend 9\nlayer 2\n",
        "[voidSection]\nend 9\n[cameraloc]\nend 9\nlayer 1\n[hombre]\nend 9\nlayer 2\n",
        "[voidSection]\nend 9\n[cameraloc]\nend 9\nlayer 1\n"
        "[fallingman]\nend 4\nlayer 2\nsyncs 3\nsync 0.5\nsync 1\nsync 1.5\n"
        "[fallingman]\nstart 4.5\nend 9\nlayer 2\nsyncs 3\nsync 0.5\nsync 1\nsync 1.5\n",
        "[marspanorama]\nend 4\nsyncs 3\nsync 0.5\nsync 1\nsync 1.5\n"
        "[marspanorama]\nstart 4.5\nend 9\nsyncs 3\nsync 0.5\nsync 1\nsync 1.5\n",
        "[voidSection]\nend 9\n[horrorface]\nend 4\nlayer 1\nsyncs 1\nsync 1\n"
        "[horrorface]\nstart 4.5\nend 9\nlayer 1\nsyncs 1\nsync 1\n",
    };
    for (const char* scene : scenes) EXPECT_EQ(allocations_in_scene(scene), 0) << scene;
}

}  // namespace
