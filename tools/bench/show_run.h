// show_run.h -- one headless run of the show for the benchmark: its loading phase, its frames, its memory
#pragma once

#include <nlohmann/json.hpp>

#include <vector>

struct ShowRunOptions {
    int width = 800;
    int height = 600;
    int fps = 20;          // the fixed clock
    double to = -1.0;      // stop after the first frame at or after this demo time; < 0: at the end
    bool timed = true;     // handlers timed one by one, each finished with glFinish; else the bare frame rate
};

// Plays the show in the working directory as the player does, without sound, on an offscreen window
// and a fixed clock, and returns what it measured. Once per process: the engine's state is global.
nlohmann::ordered_json run_show(const ShowRunOptions& options);

struct ProbeOptions {
    int width = 800;
    int height = 600;
    int fps = 20;
    int type = 1;        // the section type probed
    double at = 0.0;     // the demo time of the first frame probed
    int frames = 30;     // consecutive frames probed
};

struct ProbeResult {
    double median_ms = -1.0;  // the handler's median time over the frames it rendered in; < 0: none
    std::vector<int> frames;  // the presented frames, counted from 0, that hold those calls alone
};

// Plays the show from one frame before `at` and, in each of the frames probed, isolates the first
// call of the type's render handler between two presented frames, finished with glFinish and timed.
// Traced by apitrace, each of the listed frames is then that call's GL stream alone.
ProbeResult run_probe(const ProbeOptions& options);
