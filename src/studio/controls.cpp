// controls.cpp -- the studio's keys and commands, their answers, screenshots and marks
#include "studio/controls.h"

#include <SDL_keycode.h>

#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/config.h"
#include "kernel/kernel.h"
#include "kernel/keys.h"
#include "platform/command_lines.h"
#include "platform/window.h"
#include "resources/png_writer.h"
#include "studio/reload.h"
#include "studio/session.h"

namespace {

constexpr int kPathSize = 4096;

struct ControlsState {
    bool screenshot = false;       // a screenshot waits for its frame to be read back and written
    char screenshot_path[kPathSize] = {};
    int screenshot_source = -1;    // the command source to answer, or -1 for the S key
} s_controls;

void answer_ok(int source) {
    char answer[64];
    snprintf(answer, sizeof answer, "ok %.3f %s", double(session_time()), session_paused() ? "paused" : "playing");
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

void request_screenshot(const char* path, int source) {
    snprintf(s_controls.screenshot_path, sizeof s_controls.screenshot_path, "%s", path);
    s_controls.screenshot = true;
    s_controls.screenshot_source = source;
    read_back_next_frame();
}

// One line on marks.txt: the time, then for each active section its type, its script line and its
// local time as the sync line it would need.
void write_mark() {
    FILE* file = fopen("marks.txt", "a");
    if (!file) {
        show_error("marks.txt cannot be written");
        return;
    }
    const float time = session_time();
    fprintf(file, "%.3f", double(time));
    for (const Section* s = g_kernel.active; s; s = s->next_active) {
        fprintf(file, "  [%s] line %d: sync %.3f", g_kernel.types[s->type].name, s->line, double(time - s->start));
    }
    fprintf(file, "\n");
    fclose(file);
}

bool handle_studio_key(int key) {
    switch (key) {
    case SDLK_SPACE:
        if (session_paused()) {
            play_session();
        } else {
            pause_session();
        }
        return true;
    case SDLK_LEFT:
        seek_to(clamp_to_show(session_time() - 1.0f));
        return true;
    case SDLK_RIGHT:
        seek_to(clamp_to_show(session_time() + 1.0f));
        return true;
    case SDLK_PAGEDOWN:
        seek_to(clamp_to_show(session_time() - 10.0f));
        return true;
    case SDLK_PAGEUP:
        seek_to(clamp_to_show(session_time() + 10.0f));
        return true;
    case SDLK_DOWN:
        step_frames(-1);
        return true;
    case SDLK_UP:
        step_frames(1);
        return true;
    case SDLK_HOME:
        seek_to(clamp_to_show(g_demostart));
        return true;
    case SDLK_END:
        seek_to(clamp_to_show(g_kernel.demo_end - 5.0f));
        return true;
    case SDLK_LEFTBRACKET:
        toggle_loop_point(false);
        return true;
    case SDLK_RIGHTBRACKET:
        toggle_loop_point(true);
        return true;
    case SDLK_t:
        toggle_strip();
        return true;
    case SDLK_s: {
        // A screenshot asked for by a command goes first.
        if (s_controls.screenshot) return true;
        char path[64];
        snprintf(path, sizeof path, "screenshot-%.3f.png", double(session_time()));
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

}  // namespace

void open_controls(const char* socket) {
    listen_standard_input();
    if (socket) {
        char why[256];
        if (!open_command_socket(socket, why, sizeof why)) show_error(why);
    }
}

void close_controls() {
    close_command_lines();
}

void handle_studio_event(const WindowEvent& event) {
    if (event.kind == WindowEvent::kKey && handle_studio_key(event.key)) return;
    handle_window_event(event);
    // D and F change what is drawn over the frame.
    if (event.kind == WindowEvent::kKey) redraw_session();
}

void poll_commands() {
    char line[kCommandLineSize];
    int source = 0;
    bool too_long = false;
    // A screenshot waits for its frame, and the commands after it wait for the screenshot; after
    // quit nothing more is read.
    while (!s_controls.screenshot && !g_kernel.quit && next_command_line(line, &source, &too_long)) {
        if (too_long) {
            answer_error(source, "line longer than %d characters", kCommandLineSize - 1);
            continue;
        }
        // A command sees every file saved before it was sent.
        apply_file_changes_now();
        run_command(line, source);
    }
}

void finish_screenshot() {
    const uint8_t* pixels = frame_read_back();
    if (!s_controls.screenshot || !pixels) return;
    s_controls.screenshot = false;
    const bool written = write_png_bottom_up(s_controls.screenshot_path, g_display.width, g_display.height, pixels);
    forget_frame_read_back();
    const int source = s_controls.screenshot_source;
    if (source < 0) {
        if (!written) fprintf(stderr, "varnel: cannot write the screenshot '%s'\n", s_controls.screenshot_path);
    } else if (written) {
        answer_ok(source);
    } else {
        answer_error(source, "screenshot: cannot write '%s'", s_controls.screenshot_path);
    }
}

void run_command(const char* line, int source) {
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
        pause_session();
    } else if (strcmp(command, "play") == 0 && none) {
        play_session();
    } else if (strcmp(command, "step") == 0 && one) {
        char* end = nullptr;
        const long frames = strtol(first, &end, 10);
        if (end == first || *end != '\0' || frames < -1000000 || frames > 1000000) {
            answer_error(source, "step takes a whole number of frames, not '%s'", first);
            return;
        }
        step_frames(int(frames));
    } else if (strcmp(command, "reload") == 0 && none) {
        char why[1024];
        if (!reload_everything(why, sizeof why)) {
            answer_error(source, "%s", why);
            return;
        }
    } else if (strcmp(command, "screenshot") == 0 && one) {
        if (s_controls.screenshot && s_controls.screenshot_source >= 0) {
            answer_error(source, "a screenshot is being taken already");
            return;
        }
        request_screenshot(first, source);
        // Answered once the frame is written.
        return;
    } else if (strcmp(command, "loop") == 0 && one && strcmp(first, "off") == 0) {
        clear_loop();
    } else if (strcmp(command, "loop") == 0 && words == 3) {
        float a = 0.0f;
        float b = 0.0f;
        if (!parse_seek_time(first, source, &a) || !parse_seek_time(second, source, &b)) return;
        if (!(a < b)) {
            answer_error(source, "loop: %s is not before %s", first, second);
            return;
        }
        set_loop(a, b);
    } else if (strcmp(command, "time") == 0 && none) {
    } else if (strcmp(command, "quit") == 0 && none) {
        g_kernel.quit = true;
    } else {
        answer_error(source, "unknown command '%s'; the commands: seek T, pause, play, step N, reload, "
                             "screenshot FILE, loop A B, loop off, time, quit", line);
        return;
    }
    if (strcmp(command, "time") != 0) redraw_session();
    answer_ok(source);
}
