// replay.h -- each section type's handler time beside the replay time of its own GL call stream
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

// The lowest-numbered core this process may run on, and whether it may run on `core`.
int first_allowed_core();
bool core_allowed(int core);

// True when apitrace and eglretrace are there to record and replay GL streams.
bool replay_available();

struct ReplayOptions {
    std::vector<std::string> only;  // the types compared; every type of the show when empty
    int limit = 0;                  // at most this many types, when above 0
    int rounds = 9;                 // of timing each type's handler and replaying its trace
    int core = 0;                   // where every probe and replay runs
};

// For each section type of the show: up to 30 consecutive frames of it at width x height, probed in
// fresh processes (this program, `self`), the type's render handler alone in a frame of its own:
// the median time of the handler over those frames, and the median replay time of the same frames'
// GL calls, recorded with apitrace and replayed by eglretrace. Rounds go over all the types, each
// timing a type's handler and replaying its trace one after the other, all of it on one core.
// Handler and replay times are the medians of the rounds; the ratio divides them per round, and is
// the mean of the middle half of the rounds' ratios. An array of {"type", "at", "frames",
// "handler_ms", "replay_ms", "ratio", "handler_rounds", "replay_rounds"}; the ratio is null for a
// handler that takes next to no time. The probes' files go to scratch followed by a suffix, the
// traces of all the types at once.
nlohmann::ordered_json compare_with_replay(const std::string& self, const std::string& scratch, int width, int height,
                                           int fps, const ReplayOptions& options);
