// kernel.h -- the kernel's state: the section lists, the demo clock and the frame's timings
#pragma once

#include <cstdint>

#include "kernel/section.h"

struct KernelState {
    const SectionType* types = kSectionTypes;  // the section type table; tests put their own in
    Section* script = nullptr;     // first section in script order
    Section* pending = nullptr;    // queued, not yet started, ascending start
    Section* active = nullptr;     // started, not yet ended, ascending layer
    Section* current = nullptr;    // the section whose init or render handler runs, or ran last
    float demo_end = 0.0f;         // largest section end in the script; shown, never acted on
    bool archive_loaded = false;   // open_archive succeeded before the script was looked for
    bool debug_lines = false;      // per-section lines of the statistics display
    bool loading = false;          // inside the loading phase
    bool quit = false;             // ends the message loop
    bool gentle = false;           // each frame through the gentle view before it is shown
    bool every_type = false;       // the loading phase loads the type of every section, not only of
                                   // those still to play: for a show that any time can be sought in
    bool type_loaded[kSectionTypeCount] = {};  // the types whose load handler has run

    int32_t types_to_load = 0;     // distinct queued types other than the loading type
    int32_t types_loaded = 0;      // of those, how many have loaded

    float demo_time = 0.0f;        // time of the frame being drawn, seconds
    float frame_time = 0.0f;       // duration of the previous frame, seconds; 0 before the first
    int32_t frame_count = 0;       // frames completed
    float counter_frequency = 0.0f;  // performance counter ticks per second, for handler times
    float clock_frequency = 0.0f;    // clock ticks per second, for the demo time
    uint64_t last_counter = 0;     // clock at the end of the previous frame
    uint64_t rate_window_start = 0;  // clock when the frame-rate window began; 0 at start
    int32_t rate_window_frames = 0;  // frames in the current window
    float frame_rate = 0.0f;       // frames per second of the last closed window
    float section_time_sum = 0.0f;  // cpu_time of every handler call of this frame, seconds
    float kernel_time = 0.0f;      // frame time less the handlers' share, seconds
    float kernel_percent = 0.0f;   // kernel time as a share of the frame time
};

extern KernelState g_kernel;
