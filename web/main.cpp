// main.cpp -- the web page's player: the show in the working directory of the page's file system,
// played in its canvas; the page (web/index.html) does the rest
// Usage (from the page): varnel [--capture FPS [--audio A B]] [--gentle]
//   --capture FPS  no sound and a fixed clock of 1/FPS a frame, as varnel-capture plays; the page is
//                  told of each frame shown, to read it back
//   --audio A B    first, the soundtrack's samples from A to B seconds to the page, as the music
//                  stream gives them to the audio callback
//   --gentle       gentle viewing, as varnel --gentle
#include <emscripten.h>
#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/config.h"
#include "core/fatal.h"
#include "core/timer.h"
#include "kernel/kernel.h"
#include "kernel/program.h"
#include "kernel/script.h"
#include "platform/music.h"
#include "platform/sound.h"
#include "platform/window.h"

namespace {

// The browser draws the canvas, runs its timers and delivers input only between tasks: each frame
// shown ends one.
void end_browser_task() {
    emscripten_sleep(0);
}

EM_JS(void, tell_page_started, (), { Module.varnelStarted(); });

// Each frame shown ends a browser task; the page hears of the show's first.
void show_frame() {
    static bool started = false;
    if (!started && !g_kernel.loading) {
        started = true;
        tell_page_started();
    }
    end_browser_task();
}

// The page asks for a click or a key, which browsers want before they play sound, and goes full
// screen on it where it may.
EM_ASYNC_JS(void, wait_for_start, (), { await Module.varnelWaitForStart(); });

// The frame drawn for demo time t is in the canvas, not yet shown: the page may read it.
EM_JS(void, tell_page_frame, (double t), { Module.varnelFrame(t); });

EM_JS(void, tell_page_ended, (int status), { Module.varnelEnded(status); });

EM_JS(void, give_page_samples, (const int16_t* samples, int count), {
    Module.varnelAudio(HEAP16.subarray(samples >> 1, (samples >> 1) + count));
});

// The soundtrack from `from` to `to` seconds, interleaved 16-bit stereo at kSoundRate, as playing
// it would feed the audio callback.
void give_page_audio(double from, double to) {
    open_music_output();
    const std::vector<uint8_t> mp3 = read_soundtrack();
    SoundStream* stream = sound_open_stream(mp3.data(), mp3.size());
    if (!stream || !sound_set_stream_time(stream, music_time_ms(float(from)))) {
        fatal_error("%s", sound_error_text(sound_last_error()));
    }
    const int frames = std::max(0, int(std::lround((to - from) * kSoundRate)));
    std::vector<int16_t> samples(size_t(frames) * 2);
    sound_read_stream(stream, samples.data(), frames);
    sound_close_stream(stream);
    sound_close();
    give_page_samples(samples.data(), int(samples.size()));
}

void capture_frame() {
    if (!g_kernel.loading) tell_page_frame(g_kernel.demo_time);
    end_browser_task();
}

// run_program, but the window stays at the end: closing it would empty the canvas (SDL sets its
// size to 0 x 0), and the page keeps the last frame on screen.
int play_show(const PlayerOptions& options) {
    play_program(options);
    if (snd_enable) close_music();
    return 0;
}

// The show on a fixed clock, silent, as varnel-capture plays it from g_demostart to its end.
int run_capture(int fps, bool gentle, double audio_from, double audio_to) {
    prepare_failure_routine();
    parse_script();
    if (audio_to > audio_from) give_page_audio(audio_from, audio_to);
    gl_fullscreen = 0;
    snd_enable = 0;
    g_kernel.gentle = gentle;
    use_fixed_clock(fps);
    set_present_hook(capture_frame);
    start_up();
    run_message_loop();
    shutdown();
    return 0;
}

}  // namespace

// The bytes the player has allocated and not freed, for the benchmark's watch on the heap.
extern "C" EMSCRIPTEN_KEEPALIVE size_t varnel_heap_in_use() {
    return mallinfo().uordblks;
}

int main(int argc, char** argv) {
    int capture_fps = 0;
    bool gentle = false;
    double audio_from = 0.0, audio_to = 0.0;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--capture") == 0 && i + 1 < argc) {
            capture_fps = atoi(argv[++i]);
        } else if (strcmp(argv[i], "--audio") == 0 && i + 2 < argc) {
            audio_from = atof(argv[++i]);
            audio_to = atof(argv[++i]);
        } else if (strcmp(argv[i], "--gentle") == 0) {
            gentle = true;
        }
    }
    int status;
    if (capture_fps > 0) {
        status = run_capture(capture_fps, gentle, audio_from, audio_to);
    } else {
        set_present_hook(show_frame);
        PlayerOptions options;
        options.windowed = true;
        options.gentle = gentle;
        options.before_music = wait_for_start;
        status = play_show(options);
    }
    tell_page_ended(status);
    return status;
}
