// program.h -- the program's course: parse, start up, play, shut down
#pragma once

#include <cstdint>
#include <vector>

// What the command line overrides of the script.
struct PlayerOptions {
    bool windowed = false;  // gl_fullscreen 0, whatever the script says
    bool has_at = false;    // g_demostart = at, whatever the script says
    float at = 0.0f;
    bool gentle = false;    // frames that would flash beyond the limits blended away (gentle_view)
    // Called by start_up once the loading phase is over, before the music starts: where the web
    // page waits for the click that lets it play sound.
    void (*before_music)() = nullptr;
};

// The player's whole run, in the working directory; returns its exit status.
int run_program(const PlayerOptions& options = PlayerOptions());

// run_program up to the show's end, before shutdown: the window and the sound stay open.
void play_program(const PlayerOptions& options);

// What the command line overrides of the script, applied after every parse.
void apply_player_options(const PlayerOptions& options);

// The soundtrack snd_mp3file whole, from data.dat with g_packeddata, else the loose file; a fatal
// error when it cannot be read.
std::vector<uint8_t> read_soundtrack();

// Hands shutdown to the failure routine, so that every fatal error and every exit gives the desktop
// back first, and routes an uncaught exception through it.
void prepare_failure_routine();

// SIGHUP, SIGINT and SIGTERM end the message loop, and so the show through its shutdown; a crash
// signal leaves full screen before the process ends by it.
void route_player_signals();

// After the parse: open_show_window, the loading phase, start_soundtrack and the clock. Exits
// through fatal_error on failure.
void start_up();

// The archive check, the window and GL context, the font.
void open_show_window();

// With snd_enable: the sound layer opened and the soundtrack read whole, started at g_demostart.
void start_soundtrack();

// Until the quit flag is set: one waiting window event, or else one frame and the clock advance;
// the quit flag set when the show is over.
void run_message_loop();

// Releases what start-up created; safe at any stage, including before start-up.
void shutdown();
