// frame_alloc_test.cpp -- a running timeline allocates nothing from the heap, frame after frame
#include <gtest/gtest.h>

#include <execinfo.h>
#include <link.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
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

// The address ranges of the GL driver's code. Mesa's llvmpipe compiles a shader for every new
// combination of GL state, and evicts old ones once its cache is full, so over a whole show it
// allocates in frames that are ours to keep clean: what it allocates is not counted.
struct CodeRange {
    uintptr_t begin, end;
};
CodeRange s_driver[64];
int s_driver_count = 0;

int note_driver_object(dl_phdr_info* info, size_t, void*) {
    const char* name = info->dlpi_name;
    if (!strstr(name, "/dri/") && !strstr(name, "libLLVM") && !strstr(name, "libgallium")) return 0;
    for (int i = 0; i < info->dlpi_phnum && s_driver_count < 64; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        if (segment.p_type != PT_LOAD || !(segment.p_flags & PF_X)) continue;
        const uintptr_t begin = info->dlpi_addr + segment.p_vaddr;
        s_driver[s_driver_count++] = {begin, begin + segment.p_memsz};
    }
    return 0;
}

// Call with the GL context open, so that the driver is loaded.
void find_driver_code() {
    s_driver_count = 0;
    dl_iterate_phdr(note_driver_object, nullptr);
    void* frames[1];
    backtrace(frames, 1);  // loads the unwinder now rather than inside a counted allocation
}

bool called_from_driver() {
    void* frames[64];
    const int count = backtrace(frames, 64);
    for (int f = 0; f < count; ++f) {
        const uintptr_t pc = uintptr_t(frames[f]);
        for (int i = 0; i < s_driver_count; ++i) {
            if (pc >= s_driver[i].begin && pc < s_driver[i].end) return true;
        }
    }
    return false;
}

void count_allocation() {
    if (!s_counting) return;
    s_counting = false;  // the unwinder may allocate on a path it has not taken before
    if (!called_from_driver()) ++s_allocations;
    s_counting = true;
}

void* counted(size_t size) {
    count_allocation();
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
    count_allocation();
    return __real_malloc(size);
}
void* __wrap_calloc(size_t count, size_t size) {
    count_allocation();
    return __real_calloc(count, size);
}
void* __wrap_realloc(void* p, size_t size) {
    count_allocation();
    return __real_realloc(p, size);
}
}

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
    s_allocations = 0;
    s_counting = true;
    while (!g_kernel.quit) {
        poll_window_event();
        run_frame();
        advance_clock();
        ++frames;
    }
    s_counting = false;
    use_fixed_clock(0);
    EXPECT_EQ(s_allocations, 0);
    EXPECT_GT(frames, int(g_kernel.demo_end * 4) - 2) << "every frame of the show";
}

}  // namespace
