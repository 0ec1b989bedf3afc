// main.cpp -- the web page's player: the show in the working directory of the page's file system,
// played in its canvas; the page (web/index.html) does the rest
// Usage (from the page): varnel [--capture FPS] [--gentle]
//   --capture FPS  no sound and a fixed clock of 1/FPS a frame, as varnel-capture plays; the page is
//                  told of each frame shown, to read it back
//   --gentle       gentle viewing, as varnel --gentle
#include <emscripten.h>

#include <cstdlib>
#include <cstring>

#include "core/config.h"
#include "core/timer.h"
#include "kernel/kernel.h"
#include "kernel/program.h"
#include "kernel/script.h"
#include "platform/window.h"

namespace {

// The browser draws the canvas, runs its timers and delivers input only between tasks: each frame
// shown ends one.
void end_browser_task() {
    emscripten_sleep(0);
}

// The page asks for a click or a key, which browsers want before they play sound, and goes full
// screen on it where it may.
EM_ASYNC_JS(void, wait_for_start, (), { await Module.varnelWaitForStart(); });

// The frame drawn for demo time t is in the canvas, not yet shown: the page may read it.
EM_JS(void, tell_page_frame, (double t), { Module.varnelFrame(t); });

EM_JS(void, tell_page_ended, (int status), { Module.varnelEnded(status); });

void capture_frame() {
    if (!g_kernel.loading) tell_page_frame(g_kernel.demo_time);
    end_browser_task();
}

// The show on a fixed clock, silent, as varnel-capture plays it from g_demostart to its end.
int run_capture(int fps, bool gentle) {
    prepare_failure_routine();
    parse_script();
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

int main(int argc, char** argv) {
    int capture_fps = 0;
    bool gentle = false;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--capture") == 0 && i + 1 < argc) {
            capture_fps = atoi(argv[++i]);
        } else if (strcmp(argv[i], "--gentle") == 0) {
            gentle = true;
        }
    }
    int status;
    if (capture_fps > 0) {
        status = run_capture(capture_fps, gentle);
    } else {
        set_present_hook(end_browser_task);
        PlayerOptions options;
        options.windowed = true;
        options.gentle = gentle;
        options.before_music = wait_for_start;
        status = run_program(options);
    }
    tell_page_ended(status);
    return status;
}
