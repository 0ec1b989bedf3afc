// session.h -- the studio's session: the show paused or playing, seeks, steps, the loop, the held end, the error shown, its frames
#pragma once

#include <cstdint>

inline constexpr float kStepSeconds = 1.0f / 60.0f;  // one frame of stepping

// After the show has loaded: playing from the demo time, with the loop between loop_start and
// loop_end when has_loop. The first frame is the one a start at g_demostart draws.
void start_session(bool has_loop, float loop_start, float loop_end);

// The demo time of the frame on screen, or of the next one after a seek; whether it is paused.
float session_time();
bool session_paused();

// A time brought inside the show, 0 to its end.
float clamp_to_show(float time);

// The next frame drawn is the one a start at time draws; the music follows.
void seek_to(float time);
void pause_session();
void play_session();
// Paused, frames ahead (or back, when negative) of the paused time.
void step_frames(int frames);

// [ and ]: the loop's start or end set at the current time, or unset. Passing the end of a loop
// seeks to its start.
void toggle_loop_point(bool end);
void set_loop(float start, float end);
void clear_loop();

// The timeline strip over the show, on or off.
void toggle_strip();

// While paused: the frame on screen drawn again, once something over it or in it has changed.
void redraw_session();

// An error shown over the show, and written to standard error as "Error: <message>", until
// clear_error: the studio's answer to a fault that must not end it.
void show_error(const char* message);
void clear_error();

// After a reload: the timeline rebuilt at once from the script and data now loaded, at the
// session's time (nothing may point into a script or data let go), the music following.
void restart_at_session_time();

// The next frame drawn is read back before it is shown, with whatever is drawn over the show: RGB
// rows, bottom first, at the window's size. frame_read_back is nullptr until then.
void read_back_next_frame();
bool frame_read_back_pending();
const uint8_t* frame_read_back();
void forget_frame_read_back();

// One turn of the session: while playing the next frame and the clock advance, the end held and
// the loop kept; while paused the frame at the paused time when it must be drawn again, else a
// short wait. A fault in a frame is shown, and the session goes on.
void run_session_frame();
