// edit_run.cpp -- times authoring mode's seeks, script saves and timeline strip on the show in the working directory
#include "edit_run.h"

#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "alloc_counter.h"
#include "core/config.h"
#include "core/fatal.h"
#include "core/timer.h"
#include "kernel/kernel.h"
#include "kernel/program.h"
#include "kernel/script.h"
#include "kernel/timeline.h"
#include "platform/window.h"
#include "resources/archive.h"
#include "studio/controls.h"
#include "studio/reload.h"
#include "studio/session.h"
#include "studio/timeline_strip.h"

namespace {

using Json = nlohmann::ordered_json;

double ms_since(uint64_t start) {
    return double(read_counter() - start) * 1000.0 / double(counter_frequency());
}

Json summary(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    if (values.empty()) return Json{{"count", 0}};
    return Json{{"count", values.size()},
                {"median_ms", values[values.size() / 2]},
                {"p95_ms", values[std::min(values.size() - 1, values.size() * 95 / 100)]},
                {"max_ms", values.back()}};
}

void draw_strip() {
    draw_timeline_strip(g_kernel.demo_time, false, false, 0.0f, false, 0.0f);
}

// The script as the player reads it: the loose one, else the archive's.
std::string script_text() {
    std::ifstream loose("script.txt", std::ios::binary);
    if (loose) return std::string(std::istreambuf_iterator<char>(loose), std::istreambuf_iterator<char>());
    FILE* file = nullptr;
    uint32_t length = 0;
    if (open_archive_entry("script.txt", "rb", &file, &length) != kEntryOk) return "";
    std::string text(length, '\0');
    const size_t n = fread(text.data(), 1, length, file);
    fclose(file);
    text.resize(n);
    return text;
}

// Saved as an editor saves: written beside it, then renamed over it.
void save_script(const std::string& text) {
    {
        std::ofstream out("script.txt.bench", std::ios::binary);
        out << text;
    }
    std::filesystem::rename("script.txt.bench", "script.txt");
}

}  // namespace

Json run_edit(int width, int height, int fps) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    set_fatal_message_box(false);
    set_shutdown_routine(shutdown);
    parse_script();
    gl_fullscreen = 0;
    gl_width = width;
    gl_height = height;
    use_fixed_clock(fps);
    open_show_window();
    start_show(PlayerOptions());
    const float end = g_kernel.demo_end;

    // Seeks over the whole show, in an order that jumps about, each until its first frame is drawn:
    // twice round, since the first visit to an effect also compiles the driver's shaders for it. The
    // restore of the saved state alone, apart.
    std::vector<double> seeks[2];
    std::vector<double> restores;
    constexpr int kSeeks = 48;
    for (int i = 0; i < 2 * kSeeks; ++i) {
        const float time = end * float((i * 29) % kSeeks) / float(kSeeks);
        glFinish();
        const uint64_t start = read_counter();
        seek_timeline(time);
        glFinish();
        restores.push_back(ms_since(start));
        run_frame();
        glFinish();
        seeks[i / kSeeks].push_back(ms_since(start));
    }

    // The strip alone, over frames of the show, each drawn and finished before it.
    std::vector<double> strip;
    seek_timeline(end * 0.4f);
    for (int i = 0; i < 200; ++i) {
        run_frame();
        advance_clock();
        glFinish();
        const uint64_t start = read_counter();
        draw_strip();
        glFinish();
        strip.push_back(ms_since(start));
    }

    // Frames as the studio plays them, the strip on and the files watched: what they allocate.
    start_session(false, 0.0f, 0.0f);
    start_file_watch();
    toggle_strip();
    seek_to(end * 0.5f);
    for (int i = 0; i < 5; ++i) run_session_frame();
    constexpr int kCounted = 200;
    // What llvmpipe allocates, compiling a state it has not drawn with before, is the driver's.
    find_driver_code();
    reset_allocation_count();
    count_allocations(true);
    int counted = 0;
    for (; counted < kCounted && !session_paused(); ++counted) {
        WindowEvent event;
        while (poll_window_event(&event)) handle_studio_event(event);
        poll_file_changes();
        run_session_frame();
    }
    count_allocations(false);
    const double allocations = counted ? double(counted_allocations()) / counted : 0.0;
    toggle_strip();

    // A script saved, until the frame drawn from it; the working directory as it was afterwards.
    std::vector<double> saves;
    const bool had_script = std::filesystem::exists("script.txt");
    const std::string text = script_text();
    for (int i = 0; i < 10 && !text.empty(); ++i) {
        glFinish();
        const uint64_t start = read_counter();
        save_script(text);
        apply_file_changes_now();
        run_session_frame();
        glFinish();
        saves.push_back(ms_since(start));
    }
    if (!had_script) std::filesystem::remove("script.txt");
    stop_file_watch();
    shutdown();

    return Json{{"seek", summary(seeks[0])}, {"seek_again", summary(seeks[1])}, {"restore", summary(restores)}, {"script_save", summary(saves)}, {"strip", summary(strip)},
                {"allocations_per_frame", allocations}};
}
