// program.h -- the program's course: parse, start up, play, shut down
#pragma once

#include <cstdint>
#include <vector>

// What the player's command line asks for.
struct PlayerOptions {
    bool edit = false;                   // authoring mode
    bool windowed = false;               // gl_fullscreen 0, whatever the script says
    bool has_at = false;                 // g_demostart = at, whatever the script says
    float at = 0.0f;
    const char* control_socket = nullptr;  // authoring mode: a Unix socket for commands
    bool has_loop = false;               // authoring mode: loop from loop_start to loop_end
    float loop_start = 0.0f;
    float loop_end = 0.0f;
};

// The player's whole run, in the working directory; returns its exit status.
int run_program(const PlayerOptions& options = PlayerOptions());

// What the command line overrides of the script, applied after every parse.
void apply_player_options();

// The soundtrack snd_mp3file whole, from data.dat with g_packeddata, else the loose file; a fatal
// error when it cannot be read.
std::vector<uint8_t> read_soundtrack();

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
