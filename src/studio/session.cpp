// session.cpp -- the studio's session: pause, seek, step, loop, the held end, the error and the strip over the frame
#include "studio/session.h"

#include <GL/gl.h>
#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "core/config.h"
#include "kernel/kernel.h"
#include "kernel/timeline.h"
#include "platform/music.h"
#include "platform/text.h"
#include "platform/window.h"
#include "studio/recover.h"
#include "studio/timeline_strip.h"

namespace {

struct SessionState {
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
    char error[1024] = {};         // shown over the show until cleared
    bool read_back = false;        // the next frame drawn is read back into pixels
    bool read = false;             // pixels hold a frame read back
    std::vector<uint8_t> pixels;   // sized at the start: the window's RGB
} s_session;

bool looping() {
    return s_session.has_loop_start && s_session.has_loop_end && s_session.loop_start < s_session.loop_end;
}

// Over every frame: the strip, then the error; the GL state is left as it was found.
void draw_overlay() {
    if (s_session.strip) {
        draw_timeline_strip(session_time(), s_session.paused, s_session.has_loop_start, s_session.loop_start,
                            s_session.has_loop_end, s_session.loop_end);
    }
    if (s_session.error[0]) {
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        begin_text_mode();
        glColor3ub(255, 80, 80);
        char line[sizeof s_session.error + 8];
        snprintf(line, sizeof line, "Error: %s", s_session.error);
        draw_text(2, g_display.height - 16, line);
        end_text_mode();
        glPopAttrib();
    }
}

// The show's frame with what the studio draws over it, read back if asked, shown. False when the
// show is over. A fault in a handler leaves the rest of the frame undrawn and is shown over it.
bool draw_and_present() {
    bool going_on = true;
    char why[1024];
    if (!recover([&] { going_on = draw_frame(); }, why, sizeof why) && strcmp(why, s_session.error) != 0) {
        show_error(why);
    }
    draw_overlay();
    if (s_session.read_back) {
        s_session.read_back = false;
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, g_display.width, g_display.height, GL_RGB, GL_UNSIGNED_BYTE, s_session.pixels.data());
        s_session.read = true;
    }
    present_frame();
    return going_on;
}

void draw_paused_frame() {
    s_session.redraw = false;
    seek_timeline(s_session.paused_time);
    draw_and_present();
    s_session.shown_time = s_session.paused_time;
}

void draw_playing_frame() {
    s_session.shown_time = g_kernel.demo_time;
    const bool going_on = draw_and_present();
    if (g_kernel.active) s_session.last_drawn = s_session.shown_time;
    advance_clock();
    if (!going_on) {
        // Held on the last frame that drew a section.
        pause_session();
        s_session.paused_time = s_session.last_drawn;
    } else if (looping() && g_kernel.demo_time >= s_session.loop_end) {
        seek_to(s_session.loop_start);
    }
}

}  // namespace

void start_session(bool has_loop, float loop_start, float loop_end) {
    s_session.pixels.resize(size_t(g_display.width) * size_t(g_display.height) * 3);
    s_session.shown_time = g_kernel.demo_time;
    s_session.last_drawn = g_kernel.demo_time;
    if (has_loop) set_loop(loop_start, loop_end);
}

float session_time() {
    return s_session.paused ? s_session.paused_time : s_session.shown_time;
}

bool session_paused() {
    return s_session.paused;
}

float clamp_to_show(float time) {
    if (time < 0.0f) return 0.0f;
    return time > g_kernel.demo_end ? g_kernel.demo_end : time;
}

void seek_to(float time) {
    if (s_session.paused) {
        s_session.paused_time = time;
        s_session.redraw = true;
        return;
    }
    seek_timeline(time);
    seek_music(time);
    s_session.shown_time = time;  // the frame to come, which a pause now holds and an answer now names
}

void pause_session() {
    if (s_session.paused) return;
    s_session.paused = true;
    s_session.paused_time = s_session.shown_time;
    s_session.redraw = true;
    pause_music(true);
}

void play_session() {
    if (!s_session.paused) return;
    s_session.paused = false;
    seek_timeline(s_session.paused_time);
    seek_music(s_session.paused_time);
    pause_music(false);
    s_session.shown_time = s_session.paused_time;
}

void step_frames(int frames) {
    pause_session();
    seek_to(clamp_to_show(s_session.paused_time + float(frames) * kStepSeconds));
}

void toggle_loop_point(bool end) {
    bool& set = end ? s_session.has_loop_end : s_session.has_loop_start;
    float& point = end ? s_session.loop_end : s_session.loop_start;
    set = !set;
    point = session_time();
    redraw_session();
}

void set_loop(float start, float end) {
    s_session.has_loop_start = s_session.has_loop_end = true;
    s_session.loop_start = start;
    s_session.loop_end = end;
    redraw_session();
}

void clear_loop() {
    s_session.has_loop_start = s_session.has_loop_end = false;
    redraw_session();
}

void toggle_strip() {
    s_session.strip = !s_session.strip;
    redraw_session();
}

void redraw_session() {
    if (s_session.paused) s_session.redraw = true;
}

void show_error(const char* message) {
    snprintf(s_session.error, sizeof s_session.error, "%s", message);
    fprintf(stderr, "Error: %s\n", message);
    fflush(stderr);
    redraw_session();
}

void clear_error() {
    if (s_session.error[0]) redraw_session();
    s_session.error[0] = '\0';
}

void restart_at_session_time() {
    if (s_session.paused) {
        seek_timeline(s_session.paused_time);
        s_session.redraw = true;
    } else {
        seek_timeline(s_session.shown_time);
        seek_music(s_session.shown_time);
        pause_music(false);
    }
}

void read_back_next_frame() {
    s_session.read_back = true;
    s_session.read = false;
    redraw_session();
}

bool frame_read_back_pending() {
    return s_session.read_back;
}

const uint8_t* frame_read_back() {
    return s_session.read ? s_session.pixels.data() : nullptr;
}

void forget_frame_read_back() {
    s_session.read = false;
}

void run_session_frame() {
    if (!s_session.paused) {
        draw_playing_frame();
    } else if (s_session.redraw) {
        draw_paused_frame();
    } else {
        // Nothing changes while paused: no frame is drawn until something does.
        SDL_Delay(5);
    }
}
