// edit_run.h -- authoring mode for the benchmark: seeks, a saved script, the timeline strip, allocations
#pragma once

#include <nlohmann/json.hpp>

// Starts the show in the working directory in authoring mode, on SDL's dummy sound, on an offscreen window
// of width x height and a fixed clock of fps, and measures: seeks across the show, each until its
// first frame is drawn; the save of a script until the frame drawn from it; the timeline strip; the
// heap allocations of playing frames with the strip on. A script is written for the save, and the
// working directory left as it was. Once per process.
nlohmann::ordered_json run_edit(int width, int height, int fps);
