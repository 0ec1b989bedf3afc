// program.h -- the program's course: parse, start up, play, shut down
#pragma once

// The player's whole run; returns its exit status.
int run_program();

// Hands shutdown to the failure routine, so that every fatal error and every exit gives the desktop
// back first, and routes an uncaught exception through it.
void prepare_failure_routine();

// SIGHUP, SIGINT and SIGTERM end the message loop, and so the show through its shutdown; a crash
// signal leaves full screen before the process ends by it.
void route_player_signals();

// After the parse: the archive check, the window and GL context, the font, the loading phase, the
// music and the clock. Exits through fatal_error on failure.
void start_up();

// Until the quit flag is set: one waiting window event, or else one frame and the clock advance.
void run_message_loop();

// Releases what start-up created; safe at any stage, including before start-up.
void shutdown();
