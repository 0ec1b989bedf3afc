// reload.h -- authoring mode's reloads: the script and the data files as they change, and the whole show on demand
#pragma once

#include <cstddef>

// Watches the show's directory tree for saved files; an error on screen when it cannot.
void start_file_watch();
void stop_file_watch();

// Acts on the files saved since the last call, once they have been quiet for a moment: a changed
// script is parsed again and the timeline rebuilt at the current time (everything reloaded when it
// needs a type that is not loaded); a changed picture, model or MP3 is read again in place; a
// changed data.dat, when the show reads from it, reloads everything. Every fault is shown over the
// show, and the last good script and data go on.
void poll_file_changes();

// The same at once, without waiting for the writes to stop.
void apply_file_changes_now();

// R and the reload command: the script parsed and every file its types read checked; then everything
// unloaded and loaded again as a fresh start at the current time, in the same window. False, with
// why in words (when why is given) and on screen, when the check fails: the old show goes on.
bool reload_everything(char* why, size_t size);
