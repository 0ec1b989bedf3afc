// kernel.h -- the kernel's state: the section lists, the current section and the flags it keeps
#pragma once

#include "kernel/section.h"

struct KernelState {
    Section* script = nullptr;    // first section in script order
    Section* current = nullptr;   // the section whose init or render handler runs, or ran last
    float demo_end = 0.0f;        // largest section end in the script; shown, never acted on
    bool archive_loaded = false;  // open_archive succeeded before the script was looked for
    bool debug_lines = false;     // per-section lines of the statistics display
};

extern KernelState g_kernel;
