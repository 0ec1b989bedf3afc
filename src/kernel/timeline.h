// timeline.h -- the loading phase, the frame and the demo clock
#pragma once

#include <vector>

#include "resources/asset.h"

// Demo time to g_demostart, frame count and frame time to 0, the quit flag cleared.
void reset_timeline();

// Queues every section that ends after g_demostart in start order, loads the loading type and
// shows it, loads each queued type once in row order between loading renders, and ends the loading
// screen. A queued section with fewer sync times than its type reads is a fatal error.
void run_loading_phase();

// The asset rows of the types that the loading phase loads, in row order: the loading type's, then
// those of every type with a section in the script that is not over before playback begins (in
// authoring mode, of every type the script uses). What their load handlers read, what the second
// thread decodes ahead of them and what varnel-tool script --check loads.
std::vector<SectionAsset> loading_assets();

// Every section of the script declares the sync times its type reads: a fatal error otherwise.
void check_script_syncs();

// Lets go of what save_start_state saved of the engine: the generator seeded as at start, the texture
// binding cache emptied, the saved GL state popped. The types' own states are cleared by their rows.
void clear_start_state();

// After the loading phase in authoring mode: saves the state that every module, and every loaded
// type, carries from frame to frame, with the GL state and framebuffer the loading phase leaves.
void save_start_state();

// Puts all of that back and rebuilds the timeline as a start at time builds it: the sections that
// end at or before time gone, the rest pending, the section timings and the clock restarted. The
// next frame is the one a start at time draws first. Loads nothing.
void seek_timeline(float time);

// Reads the clock's frequency and the clock itself as the end of the previous frame.
void start_clock();

// Starts due sections, renders the active ones in layer order and retires ended ones, draws the
// statistics and the kernel's overlay, presents; when no section is pending or active, sets the quit
// flag, or in authoring mode the end flag.
void run_frame();

// Advances the demo time by the measured frame time and updates the frame rate and kernel time.
void advance_clock();
