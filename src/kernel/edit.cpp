// edit.cpp -- authoring mode's session: pause, seek, step, loop, the held end, screenshots, marks, keys and commands
#include "kernel/edit.h"

#include <GL/gl.h>
#include <SDL.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/config.h"
#include "core/signals.h"
#include "core/timer.h"
#include "kernel/kernel.h"
#include "kernel/keys.h"
#include "kernel/program.h"
#include "kernel/reload.h"
#include "kernel/timeline.h"
#include "kernel/timeline_strip.h"
#include "platform/command_lines.h"
#include "platform/music.h"
#include "platform/text.h"
#include "platform/window.h"
#include "resources/png_writer.h"

namespace {

constexpr int kPathSize = 4096;

struct EditState {
    bool paused = false;
    float paused_time = 0.0f;      // while paused: the time of the frame shown
    bool redraw = false;           // while paused: that frame must be drawn again
    float shown_time = 0.0f;       // the time of the latest frame drawn, or of the next after a seek
    float last_drawn = 0.0f;       // the time of the latest frame in which a section was active
    bool strip = false;            // the timeline strip is drawn over the show
    bool has_loop_start = false;   // the loop's points; passing the end seeks to the start
    bool has_loop_end = false;
    float loop_start = 0.0f;
    float loop_end = 0.0f;
    char error[1024] = {};         // shown over the show until a reload mends it
    bool screenshot = false;       // the next frame drawn is written to screenshot_path
    char screenshot_path[kPathSize] = {};
    int screenshot_source = -1;    // the command source to answer, or -1 for the S key
    std::vector<uint8_t> pixels;   // the frame read back for a screenshot, sized at the start
} s_edit;

float clamp_time(float time) {
    if (time < 0.0f) return 0.0f;
    return time > g_kernel.demo_end ? g_kernel.demo_end : time;
}

// The next frame drawn is the one a start at time draws; the music follows.
void seek_to(float time) {
    g_kernel.at_end = false;
    if (s_edit.paused) {
        s_edit.paused_time = time;
        s_edit.redraw = true;
        return;
    }
    seek_timeline(time);
    seek_music(time);
    s_edit.shown_time = time;  // the frame to come, which a pause now holds and an answer now names
}

void pause() {
    if (s_edit.paused) return;
    s_edit.paused = true;
    s_edit.paused_time = s_edit.shown_time;
    s_edit.redraw = true;
    pause_music(true);
}

void play() {
    if (!s_edit.paused) return;
    s_edit.paused = false;
    seek_timeline(s_edit.paused_time);
    seek_music(s_edit.paused_time);
    pause_music(false);
    s_edit.shown_time = s_edit.paused_time;
}

void step(int frames) {
    pause();
    seek_to(clamp_time(s_edit.paused_time + float(frames) * kStepSeconds));
}

void toggle_loop_point(bool end) {
    bool& set = end ? s_edit.has_loop_end : s_edit.has_loop_start;
    float& point = end ? s_edit.loop_end : s_edit.loop_start;
    set = !set;
    point = edit_time();
    if (s_edit.paused) s_edit.redraw = true;
}

bool looping() {
    return s_edit.has_loop_start && s_edit.has_loop_end && s_edit.loop_start < s_edit.loop_end;
}

void request_screenshot(const char* path, int source) {
    snprintf(s_edit.screenshot_path, sizeof s_edit.screenshot_path, "%s", path);
    s_edit.screenshot = true;
    s_edit.screenshot_source = source;
    if (s_edit.paused) s_edit.redraw = true;
}

void answer_ok(int source) {
    char answer[64];
    snprintf(answer, sizeof answer, "ok %.3f %s", double(edit_time()), s_edit.paused ? "paused" : "playing");
    answer_command(source, answer);
}

void answer_error(int source, const char* format, ...) __attribute__((format(printf, 2, 3)));

void answer_error(int source, const char* format, ...) {
    char answer[kCommandLineSize + 64] = "error ";
    va_list args;
    va_start(args, format);
    vsnprintf(answer + 6, sizeof answer - 6, format, args);
    va_end(args);
    answer_command(source, answer);
}

// The frame is read back before it is shown, with whatever is drawn over the show.
void write_screenshot() {
    if (!s_edit.screenshot) return;
    s_edit.screenshot = false;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, g_display.width, g_display.height, GL_RGB, GL_UNSIGNED_BYTE, s_edit.pixels.data());
    const bool written =
        write_png_bottom_up(s_edit.screenshot_path, g_display.width, g_display.height, s_edit.pixels.data());
    if (s_edit.screenshot_source < 0) {
        if (!written) fprintf(stderr, "varnel: cannot write the screenshot '%s'\n", s_edit.screenshot_path);
    } else if (written) {
        answer_ok(s_edit.screenshot_source);
    } else {
        answer_error(s_edit.screenshot_source, "screenshot: cannot write '%s'", s_edit.screenshot_path);
    }
}

// One line on marks.txt: the time, then for each active section its type, its script line and its
// local time as the sync line it would need.
void write_mark() {
    FILE* file = fopen("marks.txt", "a");
    if (!file) {
        show_edit_error("marks.txt cannot be written");
        return;
    }
    const float time = edit_time();
    fprintf(file, "%.3f", double(time));
    for (const Section* s = g_kernel.active; s; s = s->next_active) {
        fprintf(file, "  [%s] line %d: sync %.3f", g_kernel.types[s->type].name, s->line, double(time - s->start));
    }
    fprintf(file, "\n");
    fclose(file);
}

// Over every frame: the error, then the strip; the GL state is left as it was found.
void draw_edit_overlay() {
    if (s_edit.strip) {
        draw_timeline_strip(edit_time(), s_edit.paused, s_edit.has_loop_start, s_edit.loop_start, s_edit.has_loop_end,
                            s_edit.loop_end);
    }
    if (s_edit.error[0]) {
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        begin_text_mode();
        glColor3ub(255, 80, 80);
        char line[sizeof s_edit.error + 8];
        snprintf(line, sizeof line, "Error: %s", s_edit.error);
        draw_text(2, g_display.height - 16, line);
        end_text_mode();
        glPopAttrib();
    }
}

bool parse_number(const char* text, float* value) {
    char* end = nullptr;
    errno = 0;
    const float v = strtof(text, &end);
    if (end == text || *end != '\0' || errno != 0 || !std::isfinite(v)) return false;
    *value = v;
    return true;
}

// The time, or an error answer: a number from 0 to the demo's end.
bool parse_seek_time(const char* text, int source, float* time) {
    if (!parse_number(text, time)) {
        answer_error(source, "'%s' is not a time in seconds", text);
        return false;
    }
    if (*time < 0.0f || *time > g_kernel.demo_end) {
        answer_error(source, "%s is outside the show, 0 to %.3f", text, double(g_kernel.demo_end));
        return false;
    }
    return true;
}

void poll_commands() {
    char line[kCommandLineSize];
    int source = 0;
    bool too_long = false;
    // A screenshot waits for its frame, and the commands after it wait for the screenshot.
    while (!s_edit.screenshot && next_command_line(line, &source, &too_long)) {
        if (too_long) {
            answer_error(source, "line longer than %d characters", kCommandLineSize - 1);
            continue;
        }
        // A command sees every file saved before it was sent.
        apply_file_changes_now();
        run_edit_command(line, source);
    }
}

void draw_paused_frame() {
    seek_timeline(s_edit.paused_time);
    run_frame();
    s_edit.shown_time = s_edit.paused_time;
    s_edit.redraw = false;
}

void draw_playing_frame() {
    s_edit.shown_time = g_kernel.demo_time;
    run_frame();
    if (g_kernel.active) s_edit.last_drawn = s_edit.shown_time;
    advance_clock();
    if (g_kernel.at_end) {
        // Held on the last frame that drew a section.
        pause();
        s_edit.paused_time = s_edit.last_drawn;
    } else if (looping() && g_kernel.demo_time >= s_edit.loop_end) {
        seek_to(s_edit.loop_start);
    }
}

}  // namespace

float edit_time() {
    return s_edit.paused ? s_edit.paused_time : s_edit.shown_time;
}

void show_edit_error(const char* message) {
    snprintf(s_edit.error, sizeof s_edit.error, "%s", message);
    fprintf(stderr, "Error: %s\n", message);
    fflush(stderr);
    if (s_edit.paused) s_edit.redraw = true;
}

void clear_edit_error() {
    if (s_edit.error[0] && s_edit.paused) s_edit.redraw = true;
    s_edit.error[0] = '\0';
}

void redraw_after_reload() {
    // The lists are rebuilt at once: nothing may point into a script or data let go.
    if (s_edit.paused) {
        seek_timeline(s_edit.paused_time);
        s_edit.redraw = true;
    } else {
        seek_timeline(s_edit.shown_time);
        seek_music(s_edit.shown_time);
        pause_music(false);
    }
}

void start_edit_session(const PlayerOptions& options) {
    s_edit.pixels.resize(size_t(g_display.width) * size_t(g_display.height) * 3);
    s_edit.shown_time = g_kernel.demo_time;
    s_edit.last_drawn = g_kernel.demo_time;
    if (options.has_loop) {
        s_edit.has_loop_start = s_edit.has_loop_end = true;
        s_edit.loop_start = options.loop_start;
        s_edit.loop_end = options.loop_end;
    }
    g_kernel.overlay = draw_edit_overlay;
    set_present_hook(write_screenshot);
    listen_standard_input();
    if (options.control_socket) {
        char why[256];
        if (!open_command_socket(options.control_socket, why, sizeof why)) show_edit_error(why);
    }
    start_file_watch();
}

void end_edit_session() {
    stop_file_watch();
    close_command_lines();
    set_present_hook(nullptr);
    g_kernel.overlay = nullptr;
}

void run_edit_loop() {
    while (!g_kernel.quit) {
        poll_signals();
        if (quit_signalled()) break;
        while (process_window_event()) {
        }
        poll_commands();
        poll_file_changes();
        if (g_kernel.quit) break;
        if (!s_edit.paused) {
            draw_playing_frame();
        } else if (s_edit.redraw) {
            draw_paused_frame();
        } else {
            // Nothing changes while paused: no frame is drawn until something does.
            SDL_Delay(5);
        }
    }
}

bool handle_edit_key(int key) {
    switch (key) {
    case SDLK_SPACE:
        if (s_edit.paused) {
            play();
        } else {
            pause();
        }
        return true;
    case SDLK_LEFT:
        seek_to(clamp_time(edit_time() - 1.0f));
        return true;
    case SDLK_RIGHT:
        seek_to(clamp_time(edit_time() + 1.0f));
        return true;
    case SDLK_PAGEDOWN:
        seek_to(clamp_time(edit_time() - 10.0f));
        return true;
    case SDLK_PAGEUP:
        seek_to(clamp_time(edit_time() + 10.0f));
        return true;
    case SDLK_DOWN:
        step(-1);
        return true;
    case SDLK_UP:
        step(1);
        return true;
    case SDLK_HOME:
        seek_to(clamp_time(g_demostart));
        return true;
    case SDLK_END:
        seek_to(clamp_time(g_kernel.demo_end - 5.0f));
        return true;
    case SDLK_LEFTBRACKET:
        toggle_loop_point(false);
        return true;
    case SDLK_RIGHTBRACKET:
        toggle_loop_point(true);
        return true;
    case SDLK_t:
        s_edit.strip = !s_edit.strip;
        if (s_edit.paused) s_edit.redraw = true;
        return true;
    case SDLK_s: {
        char path[64];
        snprintf(path, sizeof path, "screenshot-%.3f.png", double(edit_time()));
        request_screenshot(path, -1);
        return true;
    }
    case SDLK_m:
        write_mark();
        return true;
    case SDLK_r:
        reload_everything(nullptr, 0);
        return true;
    default:
        return false;
    }
}

void run_edit_command(const char* line, int source) {
    char command[32] = {};
    char first[kCommandLineSize] = {};
    char second[kCommandLineSize] = {};
    char extra[2] = {};
    const int words = sscanf(line, "%31s %1023s %1023s %1s", command, first, second, extra);
    if (words <= 0) return;

    const bool none = words == 1;
    const bool one = words == 2;
    if (strcmp(command, "seek") == 0 && one) {
        float time = 0.0f;
        if (!parse_seek_time(first, source, &time)) return;
        seek_to(time);
    } else if (strcmp(command, "pause") == 0 && none) {
        pause();
    } else if (strcmp(command, "play") == 0 && none) {
        play();
    } else if (strcmp(command, "step") == 0 && one) {
        char* end = nullptr;
        const long frames = strtol(first, &end, 10);
        if (end == first || *end != '\0' || frames < -1000000 || frames > 1000000) {
            answer_error(source, "step takes a whole number of frames, not '%s'", first);
            return;
        }
        step(int(frames));
    } else if (strcmp(command, "reload") == 0 && none) {
        char why[1024];
        if (!reload_everything(why, sizeof why)) {
            answer_error(source, "%s", why);
            return;
        }
    } else if (strcmp(command, "screenshot") == 0 && one) {
        if (s_edit.screenshot && s_edit.screenshot_source >= 0) {
            answer_error(source, "a screenshot is being taken already");
            return;
        }
        request_screenshot(first, source);
        // Answered once the frame is written.
        return;
    } else if (strcmp(command, "loop") == 0 && one && strcmp(first, "off") == 0) {
        s_edit.has_loop_start = s_edit.has_loop_end = false;
    } else if (strcmp(command, "loop") == 0 && words == 3) {
        float a = 0.0f;
        float b = 0.0f;
        if (!parse_seek_time(first, source, &a) || !parse_seek_time(second, source, &b)) return;
        if (!(a < b)) {
            answer_error(source, "loop: %s is not before %s", first, second);
            return;
        }
        s_edit.has_loop_start = s_edit.has_loop_end = true;
        s_edit.loop_start = a;
        s_edit.loop_end = b;
    } else if (strcmp(command, "time") == 0 && none) {
    } else if (strcmp(command, "quit") == 0 && none) {
        g_kernel.quit = true;
    } else {
        answer_error(source, "unknown command '%s'; the commands: seek T, pause, play, step N, reload, "
                             "screenshot FILE, loop A B, loop off, time, quit", line);
        return;
    }
    if (s_edit.paused && strcmp(command, "time") != 0) s_edit.redraw = true;
    answer_ok(source);
}
