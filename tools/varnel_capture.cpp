// varnel_capture.cpp -- varnel-capture: plays the show headless on a fixed clock; writes frames, video, sheet
#include <CLI/CLI.hpp>
#include <GL/gl.h>
#include <nlohmann/json.hpp>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "contact_sheet.h"
#include "core/config.h"
#include "core/fatal.h"
#include "core/timer.h"
#include "flash_report.h"
#include "graphics_failure.h"
#include "kernel/kernel.h"
#include "kernel/program.h"
#include "kernel/script.h"
#include "platform/music.h"
#include "platform/sound.h"
#include "platform/window.h"
#include "render/gentle_view.h"
#ifdef VARNEL_GLES
#include "platform/gles/gles.h"
#endif
#include "resources/png_writer.h"
#include "video_writer.h"
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
    std::string sheet;             // --sheet file
    std::string flash_report;      // --flash-report file
    bool gentle = false;           // --gentle: flashes beyond the limits blended away before the read back
    std::vector<double> sheet_at;  // the contact sheet's times, ascending
    size_t next_sheet = 0;         // the first of them not yet taken
    VideoWriter video;             // --video: path empty when not asked for
    int video_frames = 0;          // the video's length: the capture's duration x fps
    std::string temp_wav;          // the soundtrack made for the video when --audio is not given
    std::vector<uint8_t> pixels;   // one frame read back
    int loading_frames = 0;
    int frames = 0;
    int expected = 0;              // frames the capture is expected to take, for the progress line
    int written = 0;
    bool failed = false;           // a file could not be written, or ffmpeg stopped
    bool terminal = false;         // standard error is a terminal: progress redrawn in place
    std::chrono::steady_clock::time_point begun;     // the first frame of the show
    std::chrono::steady_clock::time_point reported;  // the latest progress line
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

// Frames done of the total, demo time, render rate and time left: redrawn in place several times a
// second on a terminal, a line every few seconds otherwise.
void report_progress() {
    const auto now = std::chrono::steady_clock::now();
    if (s_capture.frames == 1) s_capture.begun = s_capture.reported = now;
    const double since = std::chrono::duration<double>(now - s_capture.reported).count();
    if (since < (s_capture.terminal ? 0.25 : 5.0)) return;
    s_capture.reported = now;
    const double elapsed = std::chrono::duration<double>(now - s_capture.begun).count();
    const double rate = elapsed > 0.0 ? (s_capture.frames - 1) / elapsed : 0.0;
    const int left = rate > 0.0 ? int(std::max(0, s_capture.expected - s_capture.frames) / rate + 0.5) : 0;
    fprintf(stderr, "%svarnel-capture: frame %d of %d, %.2f s, %.1f fps, %d:%02d left%s", s_capture.terminal ? "\r" : "",
            s_capture.frames, std::max(s_capture.expected, s_capture.frames), double(g_kernel.demo_time), rate, left / 60, left % 60,
            s_capture.terminal ? "\033[K" : "\n");
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
        read = true;
        snprintf(name, sizeof name, "frame-%06d.png", index);
        write_frame(name);
    }
    if (s_capture.next_sheet < s_capture.sheet_at.size() && t >= s_capture.sheet_at[s_capture.next_sheet]) {
        if (!read) read_back();
        read = true;
        add_thumbnail(s_capture.pixels.data(), g_display.width, g_display.height, t, g_kernel.active);
        while (s_capture.next_sheet < s_capture.sheet_at.size() && t >= s_capture.sheet_at[s_capture.next_sheet]) {
            ++s_capture.next_sheet;
        }
    }
    // A frame that found the timeline empty drew nothing and is no frame of the show.
    if (!s_capture.flash_report.empty() && (g_kernel.active || g_kernel.pending)) {
        if (!read) read_back();
        read = true;
        add_flash_frame(s_capture.pixels.data(), t);
    }
    if (s_capture.video.fd >= 0 && s_capture.video.frames < s_capture.video_frames) {
        // The demo time is a sum of float frame times and may reach the end a frame early: a frame
        // that finds the timeline empty drew nothing, and the video holds the one before.
        const bool drawn = g_kernel.active || g_kernel.pending;
        if (!read && (drawn || s_capture.video.frames == 0)) read_back();
        if (!write_video_frame(&s_capture.video, s_capture.pixels.data())) {
            s_capture.failed = true;
            g_kernel.quit = true;
        }
    }
    report_progress();
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

// The soundtrack from g_demostart for as long as video_frames last, decoded by the sound layer as
// playback decodes it, so that the two line up. Silence for a show without music.
bool write_audio(const std::string& path, int video_frames) {
    const uint32_t frames = uint32_t((uint64_t(video_frames) * kSoundRate + uint64_t(s_capture.fps) / 2) /
                                     uint64_t(s_capture.fps));
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = write_wav_header(file, frames);

    size_t length = 0;
    const uint8_t* mp3 = snd_enable ? music_data(&length) : nullptr;
    SoundStream* stream = mp3 ? sound_open_stream(mp3, length) : nullptr;
    if (stream && g_demostart > 0.0f) sound_set_stream_time(stream, music_time_ms(g_demostart));
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

// Whatever way the run ends early, no half-made video or temporary soundtrack stays behind.
void remove_partial_output() {
    abandon_video(&s_capture.video);
    if (!s_capture.temp_wav.empty()) unlink(s_capture.temp_wav.c_str());
    s_capture.temp_wav.clear();
}

void on_signal(int signal_number) {
    remove_partial_output();
    signal(signal_number, SIG_DFL);
    raise(signal_number);
}

// The soundtrack for the video and ffmpeg started on it: --audio's file, or a temporary one.
bool start_video_output() {
    std::string wav = s_capture.audio;
    if (wav.empty()) {
        std::string name = (std::filesystem::temp_directory_path() / "varnel-capture-XXXXXX.wav").string();
        const int fd = mkstemps(name.data(), 4);
        if (fd < 0) {
            fprintf(stderr, "varnel-capture: cannot make a temporary soundtrack in %s\n",
                    std::filesystem::temp_directory_path().c_str());
            return false;
        }
        close(fd);
        s_capture.temp_wav = wav = name;
    }
    if (!write_audio(wav, s_capture.video_frames)) {
        fprintf(stderr, "varnel-capture: cannot write %s\n", wav.c_str());
        return false;
    }
    return start_video(&s_capture.video, wav, g_display.width, g_display.height, s_capture.fps);
}

#ifdef VARNEL_GLES
// The layer's state keys, merged into those the file has already, in ascending order.
void write_program_keys(const char* path) {
    std::vector<uint32_t> keys(1024);
    keys.resize(size_t(std::min(gl_layer_keys(keys.data(), int(keys.size())), int(keys.size()))));
    if (FILE* in = fopen(path, "r")) {
        unsigned key = 0;
        char line[256];
        while (fgets(line, sizeof line, in)) {
            if (sscanf(line, "0x%x", &key) == 1) keys.push_back(key);
        }
        fclose(in);
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    FILE* out = fopen(path, "w");
    if (!out) {
        fprintf(stderr, "varnel-capture: cannot write %s\n", path);
        return;
    }
    fprintf(out, "// The state keys the default show draws with, compiled while the window opens so that no frame\n"
                 "// compiles a program. varnel-capture --program-keys writes the list anew.\n");
    for (uint32_t key : keys) fprintf(out, "0x%04X,\n", key);
    fclose(out);
}
#endif

}  // namespace

int main(int argc, char** argv) {
    CLI::App app("Plays the show in the working directory headless, on a fixed clock, and writes its frames as PNG, "
                 "as a video or as a contact sheet",
                 "varnel-capture");
    app.set_version_flag("--version", "varnel-capture " VARNEL_VERSION);
    // Two blanks at least between each option and its text, as the manual page's generator needs.
    app.get_formatter()->column_width(34);
    std::vector<double> at;
    std::string video;
    double sheet_every = 0.0;
    app.add_option("--fps", s_capture.fps, "Frames per second of the fixed clock")->check(CLI::Range(1, 1000));
    app.add_option("--at", at, "Write the first frame at or after each of these demo times as DIR/<time>.png")
        ->delimiter(',');
    app.add_option("--every", s_capture.every, "Write every K-th frame as DIR/frame-<n>.png")->check(CLI::NonNegativeNumber);
    app.add_option("--to", s_capture.to, "Stop after the first frame at or after this demo time")->check(CLI::NonNegativeNumber);
    app.add_option("--out", s_capture.out, "Directory for the frames (default: capture)");
    app.add_flag("--loading", s_capture.loading, "Also write the frames of the loading phase as DIR/loading-<n>.png");
    app.add_option("--stats", s_capture.stats, "Write per section type the frames rendered and the handler times as JSON");
    app.add_option("--audio", s_capture.audio, "Write the soundtrack from g_demostart to the end as a 16-bit stereo 44100 Hz WAV");
    app.add_option("--video", video,
                   "Encode the show with its soundtrack through ffmpeg as one H.264/AAC video (MP4) at the capture's "
                   "fps: exactly duration x fps frames, from g_demostart to the end or to --to");
    CLI::Option* sheet = app.add_option("--sheet", s_capture.sheet,
                                        "Write a contact sheet as PNG: a thumbnail at the middle of every stretch "
                                        "between section starts and ends that lasts a second or more, with its demo "
                                        "time and the types active in it");
    app.add_option("--sheet-every", sheet_every, "A thumbnail every T seconds of demo time instead")
        ->check(CLI::PositiveNumber)
        ->needs(sheet);
    app.add_option("--flash-report", s_capture.flash_report,
                   "Measure every frame for general and red flashes (more than three in any second fails) and "
                   "write the failing seconds, their sections and a verdict as JSON; a screening aid, not a "
                   "medical guarantee");
    app.add_flag("--gentle", s_capture.gentle,
                 "Gentle viewing, as varnel --gentle: a frame that would make more than three flashes in a second "
                 "is blended toward the frame shown before it; what is written is what it shows");
#ifdef VARNEL_GLES
    std::string program_keys;
    app.add_option("--program-keys", program_keys,
                   "Write the GL layer's state keys drawn with, one a line, for src/platform/gles/program_keys.inc");
#endif
    CLI11_PARSE(app, argc, argv);

    std::sort(at.begin(), at.end());
    s_capture.at = at;
    // Only a run that writes frames needs their directory.
    const bool frames_asked = !at.empty() || s_capture.every > 0 || s_capture.loading;
    if (frames_asked) {
        std::error_code ec;
        std::filesystem::create_directories(s_capture.out, ec);
        if (ec) {
            fprintf(stderr, "varnel-capture: cannot make %s: %s\n", s_capture.out.c_str(), ec.message().c_str());
            return 1;
        }
    }
    // A missing ffmpeg or an unwritable video file is told before the show is rendered.
    if (!video.empty() && (!find_ffmpeg() || !reserve_video(&s_capture.video, video))) return 1;
    atexit(remove_partial_output);
    signal(SIGINT, on_signal);
    signal(SIGTERM, on_signal);
    signal(SIGHUP, on_signal);
    // A write to an ffmpeg that has exited fails with EPIPE instead.
    signal(SIGPIPE, SIG_IGN);

    s_capture.terminal = isatty(fileno(stderr));

    // The player's own course, on an offscreen window and a fixed clock.
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    set_fatal_message_box(false);
    explain_graphics_failures("varnel-capture");
    prepare_failure_routine();
    parse_script();
    gl_fullscreen = 0;

    // The capture runs from g_demostart to the end of the last section, or to --to.
    const double start = g_demostart;
    const double end = s_capture.to >= 0.0 ? std::min(double(g_kernel.demo_end), s_capture.to) : g_kernel.demo_end;
    s_capture.expected = std::max(1, int(std::lround((end - start) * s_capture.fps)));
    if (!video.empty()) {
        s_capture.video_frames = int(std::lround((end - start) * s_capture.fps));
        if (s_capture.video_frames <= 0) {
            fprintf(stderr, "varnel-capture: nothing to record: the show ends by %.2f s, where it starts\n", start);
            return 1;
        }
    }
    if (!s_capture.sheet.empty()) {
        s_capture.sheet_at = sheet_times(g_kernel.script, start, end, sheet_every);
        if (s_capture.sheet_at.empty()) {
            fprintf(stderr, "varnel-capture: no stretch between section starts and ends lasts a second; "
                            "try --sheet-every\n");
            return 1;
        }
    }

    use_fixed_clock(s_capture.fps);
    set_present_hook(capture_frame);
    g_kernel.gentle = s_capture.gentle;
    if (!s_capture.flash_report.empty()) begin_flash_report(gl_width, gl_height, s_capture.expected);
    start_up();
    if (!video.empty() && !start_video_output()) {
        shutdown();
        return 1;
    }
    run_message_loop();
#ifdef VARNEL_GLES
    if (!program_keys.empty()) write_program_keys(program_keys.c_str());
#endif

    bool ok = !s_capture.failed;
    if (!s_capture.flash_report.empty()) {
        if (write_flash_report(s_capture.flash_report.c_str(), s_capture.fps, s_capture.gentle)) {
            print_flash_summary("varnel-capture");
        } else {
            fprintf(stderr, "varnel-capture: cannot write %s\n", s_capture.flash_report.c_str());
            ok = false;
        }
    }
    if (!video.empty()) {
        // A timeline that ran empty early leaves the video its last frame to the end.
        while (ok && s_capture.video.frames < s_capture.video_frames) {
            ok = write_video_frame(&s_capture.video, s_capture.pixels.data());
        }
        ok = finish_video(&s_capture.video, ok) && ok;
    }
    if (!s_capture.sheet.empty() && !write_contact_sheet(s_capture.sheet.c_str())) {
        fprintf(stderr, "varnel-capture: cannot write %s\n", s_capture.sheet.c_str());
        ok = false;
    }
    const bool audio_ok = !video.empty() || s_capture.audio.empty() || write_audio(s_capture.audio, s_capture.frames);
    const GentleViewStats gentle = gentle_view_stats();
    shutdown();
    remove_partial_output();
    fprintf(stderr, "%svarnel-capture: %.2f s, %d frames", s_capture.terminal ? "\r\033[K" : "", double(g_kernel.demo_time),
            s_capture.frames);
    if (frames_asked) fprintf(stderr, ", %d files written to %s", s_capture.written, s_capture.out.c_str());
    if (!video.empty() && ok) fprintf(stderr, ", video %s: %d frames", video.c_str(), s_capture.video.frames);
    if (!s_capture.sheet.empty() && ok) {
        fprintf(stderr, ", sheet %s: %zu thumbnail%s", s_capture.sheet.c_str(), s_capture.sheet_at.size(),
                s_capture.sheet_at.size() == 1 ? "" : "s");
    }
    if (s_capture.gentle && gentle.frames > 0) {
        fprintf(stderr,
                ", gentle: %d of %d frames blended, %.3f ms a frame (reading back and counting %.3f; processor time %.3f), "
                "at most %.3f ms",
                gentle.blended, gentle.frames, gentle.seconds * 1000.0 / gentle.frames,
                gentle.read_seconds * 1000.0 / gentle.frames, gentle.cpu_seconds * 1000.0 / gentle.frames,
                gentle.worst * 1000.0);
    }
    fprintf(stderr, "\n");

    if (!audio_ok) {
        fprintf(stderr, "varnel-capture: cannot write %s\n", s_capture.audio.c_str());
        return 1;
    }
    if (!s_capture.stats.empty() && !write_stats()) {
        fprintf(stderr, "varnel-capture: cannot write %s\n", s_capture.stats.c_str());
        return 1;
    }
    return ok ? 0 : 1;
}
