// edit.h -- authoring mode: the show paused or playing, seeks, steps, the loop, the held end, and the keys and commands
#pragma once

struct PlayerOptions;

inline constexpr float kStepSeconds = 1.0f / 60.0f;  // one frame of stepping

// After start-up: the loop points from the command line, the command sources, the watch on the
// show's files. The first frame is the one a start at g_demostart draws.
void start_edit_session(const PlayerOptions& options);

// Until the quit flag is set: window events, command lines and file changes; then a frame while
// playing, or, while paused, the frame at the paused time when it must be drawn again.
void run_edit_loop();

// Closes the command sources and the file watch.
void end_edit_session();

// One key of authoring mode (Space, the arrows, Page Up and Down, Home, End, [ ], T, S, M, R); false
// for any other key.
bool handle_edit_key(int key);

// Runs one command line from source and answers it there: "ok <time> <paused|playing>" or
// "error <words>". A screenshot is answered once the frame is written.
void run_edit_command(const char* line, int source);

// The demo time of the frame on screen.
float edit_time();

// An error shown over the show, and written to standard error as "Error: <message>", until
// clear_edit_error: authoring mode's answer to a fault in a file it reloads.
void show_edit_error(const char* message);
void clear_edit_error();

// After a reload: the frame at the current time drawn again from the new script or data.
void redraw_after_reload();
