// timeline.h -- the loading phase, the frame and the demo clock
#pragma once

#include <vector>

#include "resources/asset.h"

// Demo time to g_demostart, frame count and frame time to 0, the quit flag cleared.
void reset_timeline();

// Queues every section that ends after g_demostart in start order, loads the loading type and
// shows it, loads each queued type once in row order between loading renders, and ends the loading
// screen: load_section_types, then end_loading_phase. A queued section with fewer sync times than
// its type reads is a fatal error.
void run_loading_phase();

// The loading phase up to its end: the sections queued, the loading type loaded, started and shown,
// each type loaded with a loading render after it, the second thread stopped.
void load_section_types();

// The loading type's end handler: the fade to black that closes the loading screen.
void end_loading_phase();

// The asset rows of the types that the loading phase loads, in row order: the loading type's, then
// those of every type with a section in the script that is not over before playback begins (with
// every_type, of every type the script uses). What their load handlers read, what the second
// thread decodes ahead of them and what varnel-tool script --check loads.
std::vector<SectionAsset> loading_assets();

// Every section of the script declares the sync times its type reads and passes its type's check,
// as if it started now: the first fault through fatal_error. Leaves no section current.
void check_sections();

// After the loading phase, for a show that is sought in: saves the state that every module, and
// every loaded type, carries from frame to frame, with the GL state and framebuffer it leaves.
void save_start_state();

// Puts all of that back and rebuilds the timeline as a start at time builds it: the sections that
// end at or before time gone, the rest pending, the section timings and the clock restarted. The
// next frame is the one a start at time draws first. Loads nothing.
void seek_timeline(float time);

// A second show loaded beside the one that plays, for a reload that must not lose the first one.
// set_show_aside moves every loaded type's state, the generator, the texture binding cache, the
// loaded types and the image table out of the way, leaving each as at program start; the saved GL
// state stays as it is. Then either keep_show_loaded_beside lets go of the show set aside for good,
// or put_show_back lets go of what loaded since (the second thread stopped) and puts it back. The
// script is kept aside apart (keep_script); the timeline points into no section afterwards.
void set_show_aside();
void keep_show_loaded_beside();
void put_show_back();

// Reads the clock's frequency and the clock itself as the end of the previous frame.
void start_clock();

// Starts due sections, renders the active ones in layer order and retires ended ones, and draws the
// statistics. False when, after it, no section is pending or active: the show is over.
bool draw_frame();

// draw_frame, then the frame presented. False when the show is over.
bool run_frame();

// Advances the demo time by the measured frame time and updates the frame rate and kernel time.
void advance_clock();
