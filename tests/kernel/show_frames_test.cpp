// show_frames_test.cpp -- the default show draws, frame for frame, the pictures it drew when they were recorded
#include <gtest/gtest.h>
#include <GL/gl.h>

#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/random.h"
#include "core/timer.h"
#include "kernel/kernel.h"
#include "kernel/keys.h"
#include "kernel/script.h"
#include "kernel/timeline.h"
#include "mkdata.h"
#include "platform/window.h"
#include "support/gl_context.h"
#include "support/scratch.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kFps = 4;

// Frames of every section type at 320 x 240 on a clock of 4 frames a second, from the first frame
// on, the effects' generator seeded with 1: the FNV-1a hash of each frame's RGB pixels, as the show
// drew it when the list was made, and the GL renderer and version that drew them. Any change that is
// meant to leave the pictures alone must keep every one; a change to the pictures themselves, or to
// the default show, makes a new list (the failure prints it). Another renderer may round differently:
// there the failure names both and prints no list.
struct RecordedFrame {
    float time;
    uint64_t hash;
};

#include "show_frames.inc"

struct FramesState {
    std::vector<float> times;      // demo times to hash, ascending
    size_t next = 0;               // the first not yet reached
    std::vector<uint64_t> hashes;  // per time, once reached
    std::vector<uint8_t> pixels;   // one frame read back
} s_frames;

uint64_t fnv1a(const std::vector<uint8_t>& bytes) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (uint8_t b : bytes) h = (h ^ b) * 0x100000001b3ull;
    return h;
}

// Before each swap: the frame at or just after the next recorded time.
void hash_frame() {
    if (g_kernel.loading || s_frames.next == s_frames.times.size()) return;
    if (g_kernel.demo_time < s_frames.times[s_frames.next]) return;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, g_display.width, g_display.height, GL_RGB, GL_UNSIGNED_BYTE, s_frames.pixels.data());
    s_frames.hashes[s_frames.next++] = fnv1a(s_frames.pixels);
}

TEST(ShowFrames, AreTheRecordedPictures) {
    ScratchDir dir;
    open_test_graphics(kWidth, kHeight);
    ASSERT_EQ(g_display.width, kWidth) << "this binary's window is opened at this size";
    MkdataOptions options;
    options.quiet = true;
    ASSERT_EQ(make_show("show", options), 0);
    ASSERT_EQ(chdir("show"), 0);

    for (const RecordedFrame& f : kRecorded) s_frames.times.push_back(f.time);
    s_frames.hashes.assign(s_frames.times.size(), 0);
    s_frames.pixels.resize(size_t(kWidth) * kHeight * 3);
    seed_random(1);
    parse_script();
    use_fixed_clock(kFps);
    set_present_hook(hash_frame);
    reset_timeline();
    run_loading_phase();
    start_clock();
    while (!g_kernel.quit) {
        process_window_event();
        if (!run_frame()) g_kernel.quit = true;
        advance_clock();
    }
    set_present_hook(nullptr);
    use_fixed_clock(0);

    const std::string renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const std::string version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    std::string list = "constexpr char kRecordedRenderer[] = \"" + renderer + "\";\n" +
                       "constexpr char kRecordedVersion[] = \"" + version + "\";\n" +
                       "constexpr RecordedFrame kRecorded[] = {\n";
    int changed = 0;
    for (size_t i = 0; i < s_frames.times.size(); ++i) {
        char line[80];
        snprintf(line, sizeof line, "    {%.2ff, 0x%016" PRIx64 "ull},%s\n", double(s_frames.times[i]), s_frames.hashes[i],
                 s_frames.hashes[i] == kRecorded[i].hash ? "" : "  // changed");
        list += line;
        changed += s_frames.hashes[i] != kRecorded[i].hash;
    }
    list += "};\n";
    if (renderer != kRecordedRenderer || version != kRecordedVersion) {
        EXPECT_EQ(changed, 0) << "frames that differ from the recorded ones: recorded on " << kRecordedRenderer << ", "
                              << kRecordedVersion << "; running on " << renderer << ", " << version;
    } else {
        EXPECT_EQ(changed, 0) << "frames that differ from the recorded ones; show_frames.inc as drawn now:\n" << list;
    }
}

}  // namespace
