// replay.h -- each section type's handler time beside the replay time of its own GL call stream
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

// True when apitrace and eglretrace are there to record and replay GL streams.
bool replay_available();

// For each section type of the show: up to 30 consecutive frames of it at width x height, probed in
// fresh processes (this program, `self`), the type's render handler alone in a frame of its own:
// the median time of the handler over those frames, and the median replay time of the same frames'
// GL calls, recorded with apitrace and replayed by eglretrace; five rounds over all the types, each
// timing a type's handler and replaying its trace one after the other. Handler and replay times are
// the medians of the rounds, the ratio the median of the rounds' own ratios. An array of {"type",
// "at", "frames", "handler_ms", "replay_ms", "ratio", "handler_rounds", "replay_rounds"}; the ratio
// is null for a handler that takes next to no time. Only the types named in `only` when it is not
// empty, and at most `limit` types when that is above 0. The probes' files go to scratch followed by
// a suffix, the traces of all the types at once.
nlohmann::ordered_json compare_with_replay(const std::string& self, const std::string& scratch, int width, int height,
                                           int fps, const std::vector<std::string>& only, int limit = 0);
