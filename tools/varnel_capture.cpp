// varnel_capture.cpp -- varnel-capture: plays the show headless on a fixed clock and writes frames as PNG
#include <CLI/CLI.hpp>
#include <GL/gl.h>
#include <nlohmann/json.hpp>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "kernel/fatal.h"
#include "kernel/kernel.h"
#include "kernel/program.h"
#include "kernel/script.h"
#include "platform/music.h"
#include "platform/sound.h"
#include "platform/timer.h"
#include "platform/window.h"
#include "png_writer.h"
#include "wav_writer.h"

namespace {

struct CaptureState {
    int fps = 60;
    std::vector<double> at;        // times asked for, ascending
    size_t next_at = 0;            // the first of them not yet written
    int every = 0;                 // every K-th frame, 0 for none
    double to = -1.0;              // stop after the first frame at or after this time; < 0: at the end
    std::string out = "capture";
    bool loading = false;          // also the frames the loading phase presents
    std::string stats;             // --stats file
    std::string audio;             // --audio file
    std::vector<uint8_t> pixels;   // one frame read back
    int loading_frames = 0;
    int frames = 0;
    int written = 0;
    bool failed = false;           // a file could not be written
    bool progress = false;         // standard error is a terminal
    int renders[kSectionTypeCount] = {};       // render calls per section type
    double handler_seconds[kSectionTypeCount] = {};
} s_capture;

void write_frame(const std::string& name) {
    const std::string path = s_capture.out + "/" + name;
    if (!write_png_bottom_up(path.c_str(), g_display.width, g_display.height, s_capture.pixels.data())) {
        fprintf(stderr, "varnel-capture: cannot write %s\n", path.c_str());
        s_capture.failed = true;
        g_kernel.quit = true;
        return;
    }
    ++s_capture.written;
}

void read_back() {
    s_capture.pixels.resize(size_t(g_display.width) * size_t(g_display.height) * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, g_display.width, g_display.height, GL_RGB, GL_UNSIGNED_BYTE, s_capture.pixels.data());
}

// Runs inside present_frame, before the swap, for every frame the show presents.
void capture_frame() {
    char name[64];
    if (g_kernel.loading) {
        if (s_capture.loading) {
            read_back();
            snprintf(name, sizeof name, "loading-%03d.png", s_capture.loading_frames);
            write_frame(name);
        }
        ++s_capture.loading_frames;
        return;
    }

    const double t = g_kernel.demo_time;
    const int index = g_kernel.frame_count;
    ++s_capture.frames;
    for (const Section* s = g_kernel.active; s; s = s->next_active) {
        ++s_capture.renders[s->type];
        s_capture.handler_seconds[s->type] += s->cpu_time;
    }

    bool read = false;
    while (s_capture.next_at < s_capture.at.size() && t >= s_capture.at[s_capture.next_at]) {
        if (!read) read_back();
        read = true;
        snprintf(name, sizeof name, "%.3f.png", s_capture.at[s_capture.next_at]);
        write_frame(name);
        ++s_capture.next_at;
    }
    if (s_capture.every > 0 && index % s_capture.every == 0) {
        if (!read) read_back();
        snprintf(name, sizeof name, "frame-%06d.png", index);
        write_frame(name);
    }
    // Progress once a second of demo time, on a terminal only.
    if (s_capture.progress && index % s_capture.fps == 0) {
        fprintf(stderr, "\rvarnel-capture: %.1f s, %d frames", t, s_capture.frames);
    }
    if (s_capture.to >= 0.0 && t >= s_capture.to) g_kernel.quit = true;
}

bool write_stats() {
    nlohmann::ordered_json types = nlohmann::ordered_json::array();
    for (int type = 0; type < kSectionTypeCount; ++type) {
        if (s_capture.renders[type] == 0) continue;
        const double total_ms = s_capture.handler_seconds[type] * 1000.0;
        types.push_back({{"type", kSectionTypes[type].name},
                         {"frames", s_capture.renders[type]},
                         {"total_ms", total_ms},
                         {"mean_ms", total_ms / s_capture.renders[type]}});
    }
    const nlohmann::ordered_json stats = {{"fps", s_capture.fps}, {"frames", s_capture.frames}, {"types", types}};
    FILE* file = fopen(s_capture.stats.c_str(), "w");
    if (!file) return false;
    const std::string text = stats.dump(2) + "\n";
    const bool ok = fwrite(text.data(), 1, text.size(), file) == text.size();
    return (fclose(file) == 0) && ok;
}

// The soundtrack from g_demostart for as long as the frames written last, decoded by the sound
// layer as playback decodes it, so that the two line up. Silence for a show without music.
bool write_audio() {
    const uint32_t frames = uint32_t((uint64_t(s_capture.frames) * kSoundRate + uint64_t(s_capture.fps) / 2) /
                                     uint64_t(s_capture.fps));
    FILE* file = fopen(s_capture.audio.c_str(), "wb");
    if (!file) return false;
    bool ok = write_wav_header(file, frames);

    size_t length = 0;
    const uint8_t* mp3 = snd_enable ? music_data(&length) : nullptr;
    SoundStream* stream = mp3 ? sound_open_stream(mp3, length) : nullptr;
    if (stream && g_demostart > 0.0f) sound_set_stream_time(stream, music_start_ms());
    if (!snd_enable) fprintf(stderr, "varnel-capture: the show has no music (snd_enable 0); the soundtrack is silence\n");

    std::vector<int16_t> samples(4096 * 2);
    for (uint32_t done = 0; ok && done < frames;) {
        const int n = int(std::min<uint32_t>(frames - done, 4096));
        if (stream) {
            sound_read_stream(stream, samples.data(), n);
        } else {
            std::fill(samples.begin(), samples.end(), 0);
        }
        ok = fwrite(samples.data(), 4, size_t(n), file) == size_t(n);
        done += uint32_t(n);
    }
    if (stream) sound_close_stream(stream);
    return (fclose(file) == 0) && ok;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app("Plays the show in the working directory headless, on a fixed clock, and writes frames as PNG",
                 "varnel-capture");
    std::vector<double> at;
    app.add_option("--fps", s_capture.fps, "Frames per second of the fixed clock")->check(CLI::Range(1, 1000));
    app.add_option("--at", at, "Write the first frame at or after each of these demo times as DIR/<time>.png")
        ->delimiter(',');
    app.add_option("--every", s_capture.every, "Write every K-th frame as DIR/frame-<n>.png")->check(CLI::NonNegativeNumber);
    app.add_option("--to", s_capture.to, "Stop after the first frame at or after this demo time")->check(CLI::NonNegativeNumber);
    app.add_option("--out", s_capture.out, "Directory for the frames (default: capture)");
    app.add_flag("--loading", s_capture.loading, "Also write the frames of the loading phase as DIR/loading-<n>.png");
    app.add_option("--stats", s_capture.stats, "Write per section type the frames rendered and the handler times as JSON");
    app.add_option("--audio", s_capture.audio, "Write the soundtrack from g_demostart to the end as a 16-bit stereo 44100 Hz WAV");
    CLI11_PARSE(app, argc, argv);

    std::sort(at.begin(), at.end());
    s_capture.at = at;
    std::error_code ec;
    std::filesystem::create_directories(s_capture.out, ec);
    if (ec) {
        fprintf(stderr, "varnel-capture: cannot make %s: %s\n", s_capture.out.c_str(), ec.message().c_str());
        return 1;
    }

    s_capture.progress = isatty(fileno(stderr));

    // The player's own course, on an offscreen window and a fixed clock.
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    set_fatal_message_box(false);
    route_terminate_through_shutdown();
    parse_script();
    gl_fullscreen = 0;
    use_fixed_clock(s_capture.fps);
    set_present_hook(capture_frame);
    start_up();
    run_message_loop();
    const bool audio_ok = s_capture.audio.empty() || write_audio();
    shutdown();
    fprintf(stderr, "%svarnel-capture: %.1f s, %d frames, %d files written to %s\n", s_capture.progress ? "\r" : "",
            double(g_kernel.demo_time),
            s_capture.frames, s_capture.written, s_capture.out.c_str());

    if (!audio_ok) {
        fprintf(stderr, "varnel-capture: cannot write %s\n", s_capture.audio.c_str());
        return 1;
    }
    if (!s_capture.stats.empty() && !write_stats()) {
        fprintf(stderr, "varnel-capture: cannot write %s\n", s_capture.stats.c_str());
        return 1;
    }
    return s_capture.failed ? 1 : 0;
}
