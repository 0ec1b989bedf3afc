// reload.h -- the studio's show: loaded at the start, and again as its files change, never lost to a broken save
#pragma once

#include <cstddef>

struct PlayerOptions;

// After the window has opened: the script's every type loaded, the start state saved from the GL
// state the window opened with, the music started at g_demostart and the clock. The options are
// applied again after every parse. Exits through fatal_error, as the player does, when it cannot.
void start_show(const PlayerOptions& options);

// Watches the show's directory tree for saved files; an error on screen when it cannot.
void start_file_watch();
void stop_file_watch();

// Acts on the files saved since the last call, once they have been quiet for a moment, and draws the
// frame again once for all of them: a changed script is parsed again and every section checked, and
// takes effect at the current time (loaded whole when it needs other types, another source or a new
// soundtrack); a changed picture, model or MP3 is read again in place; a changed data.dat, when the
// show reads from it, reloads everything. Every fault is shown over the show, and the last good
// script and data play on.
void poll_file_changes();

// The same at once, without waiting for the writes to stop.
void apply_file_changes_now();

// R and the reload command: the script parsed and checked, everything it uses loaded again beside
// the show that plays, and only then the old show let go: a fresh start at the current time, in the
// same window. False, with why in words (when why is given) and on screen, when anything fails: the
// old show plays on as it was.
bool reload_everything(char* why, size_t size);
