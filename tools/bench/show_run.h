// show_run.h -- one headless run of the show for the benchmark: its loading phase, its frames, its memory
#pragma once

#include <nlohmann/json.hpp>

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
    int type = -1;       // the section type probed; -1: an empty frame
    double at = 0.0;     // the demo time of the frame probed
    int repeats = 0;     // 0: present, call once, present and end the process (for a GL trace)
};

// Plays the show from one frame before `at` and, in the frame at `at`, isolates the first call of
// the type's render handler between two presented frames. Traced by apitrace, the trace's last
// frame is then that call's GL stream alone, and the process ends right after it. With repeats,
// calls the handler that many times instead, each finished with glFinish, and returns the median
// milliseconds of a call; a negative value when the type did not render in that frame.
double run_probe(const ProbeOptions& options);
