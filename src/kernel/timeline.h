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
// those of every type with a section in the script that is not over before playback begins. What
// their load handlers read, what the second thread decodes ahead of them and what
// varnel-tool script --check loads.
std::vector<SectionAsset> loading_assets();

// Reads the clock's frequency and the clock itself as the end of the previous frame.
void start_clock();

// Starts due sections, renders the active ones in layer order and retires ended ones, draws the
// overlay, presents; sets the quit flag when no section is pending or active.
void run_frame();

// Advances the demo time by the measured frame time and updates the frame rate and kernel time.
void advance_clock();
