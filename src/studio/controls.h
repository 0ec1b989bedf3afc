// controls.h -- the studio's controls: its keys, its commands and their answers, marks and screenshots
#pragma once

struct WindowEvent;

// Commands from standard input (unless it is a terminal) and, when socket is given, from that Unix
// socket; a socket that cannot be had is an error on screen.
void open_controls(const char* socket);
void close_controls();

// A key of the studio's (Space, the arrows, Page Up and Down, Home, End, [ ], T, S, M, R), or else
// the player's keys and close requests.
void handle_studio_event(const WindowEvent& event);

// Runs the command lines waiting, each after the files saved before it: answered "ok <time>
// <paused|playing>" or "error <words>". A screenshot is answered once its frame is written, and the
// commands after it wait for that.
void poll_commands();

// One command line from source, answered there.
void run_command(const char* line, int source);

// After a frame: the screenshot it was read back for, encoded and written, and answered.
void finish_screenshot();
