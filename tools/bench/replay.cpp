// replay.cpp -- records frames of each section type with apitrace and times their replay with eglretrace
#include "replay.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench/process.h"
#include "kernel/kernel.h"
#include "kernel/script.h"

using Json = nlohmann::ordered_json;

namespace {

constexpr int kFrames = 30;  // consecutive frames of each type, probed and replayed
constexpr int kRounds = 5;   // of timing the frames and replaying their trace; the medians count

double median(std::vector<double> values) {
    if (values.empty()) return -1.0;
    std::sort(values.begin(), values.end());
    const size_t half = values.size() / 2;
    return values.size() % 2 ? values[half] : (values[half - 1] + values[half]) / 2.0;
}

// One replay of the trace: the median milliseconds of the listed frames, each from the end of the
// frame before it to its own end, as --pframe-times reports them; < 0 when it failed. The loading
// phase and the other sections' drawing lie in other frames and do not count.
double replay_ms(const std::string& trace, const std::vector<int>& frames) {
    std::string output;
    if (run_process({"eglretrace", "--headless", "--pframe-times", trace}, &output) != 0) return -1.0;
    std::vector<double> ends;  // nanoseconds, one per frame
    const std::string key = "rendering_finished ";
    for (size_t at = output.find(key); at != std::string::npos; at = output.find(key, at + 1)) {
        ends.push_back(strtod(output.c_str() + at + key.size(), nullptr));
    }
    std::vector<double> times;
    for (int frame : frames) {
        if (frame < 1 || size_t(frame) >= ends.size()) return -1.0;
        times.push_back((ends[size_t(frame)] - ends[size_t(frame) - 1]) / 1e6);
    }
    return median(times);
}

// The probe's arguments for one type from one time.
std::vector<std::string> probe_args(const std::string& self, const std::string& size, int fps, int type, double at,
                                    int frames, const std::string& result) {
    char at_text[32];
    snprintf(at_text, sizeof at_text, "%.4f", at);
    return {self, "--run", size, "--fps", std::to_string(fps), "--probe", std::to_string(type), "--at", at_text,
            "--frames", std::to_string(frames), "--result", result};
}

Json read_probe(const std::string& result) {
    std::ifstream in(result);
    const Json j = Json::parse(in, nullptr, false);
    std::remove(result.c_str());
    return j.is_object() && j["ms"].is_number() && j["frames"].is_array() ? j : Json(nullptr);
}

// The frames probed for a type: up to kFrames on the fixed clock's grid, in the middle of its
// longest section. Sets the first frame's time and returns their count; 0 when the type never plays.
int probe_window(int type, int fps, double* at) {
    int first = 0;
    int count = 0;
    for (const Section* s = g_kernel.script; s; s = s->next_script) {
        if (s->type != type) continue;
        // A section renders in the frames from its start up to, not including, its end.
        const int begin = int(std::ceil(std::max(double(s->start), double(g_demostart)) * fps));
        const int end = int(std::ceil(double(s->end) * fps));
        if (end - begin > count) {
            count = end - begin;
            first = begin;
        }
    }
    const int frames = std::min(count, kFrames);
    *at = double(first + (count - frames) / 2) / fps;
    return frames;
}

}  // namespace

bool replay_available() {
    return on_path("apitrace") && on_path("eglretrace");
}

Json compare_with_replay(const std::string& self, const std::string& scratch, int width, int height, int fps,
                         const std::vector<std::string>& only, int limit) {
    Json rows = Json::array();
    parse_script();
    // eglretrace draws without a window system, as the probes do on SDL's offscreen driver.
    setenv("WAFFLE_PLATFORM", "surfaceless_egl", 1);

    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const std::string result = scratch + ".probe.json";
    const std::string trace = scratch + ".probe.trace";

    for (int type = 1; type < kSectionTypeCount && (limit <= 0 || int(rows.size()) < limit); ++type) {
        const char* name = kSectionTypes[type].name;
        if (!only.empty() && std::find(only.begin(), only.end(), name) == only.end()) continue;
        double at = 0.0;
        const int frames = probe_window(type, fps, &at);
        if (frames == 0) continue;
        fprintf(stderr, "varnel-bench: %s, replay of %s, %d frames from %.2f s\n", size.c_str(), name, frames, at);

        // The frames recorded once, then timed on their own and replayed in turns, so that both
        // see the machine as busy as the other does.
        const std::vector<std::string> args = probe_args(self, size, fps, type, at, frames, result);
        std::vector<std::string> record = {"apitrace", "trace", "--api", "egl", "-o", trace};
        record.insert(record.end(), args.begin(), args.end());
        std::string ignored;
        const int recorded = run_process(record, &ignored);
        const Json traced = read_probe(result);
        const std::vector<int> traced_frames =
            recorded == 0 && !traced.is_null() ? traced["frames"].get<std::vector<int>>() : std::vector<int>();
        std::vector<double> handler, replay;
        for (int i = 0; i < kRounds && !traced_frames.empty(); ++i) {
            ignored.clear();
            const Json timed = run_process(args, &ignored) == 0 ? read_probe(result) : Json(nullptr);
            if (!timed.is_null() && timed["ms"].get<double>() >= 0.0) handler.push_back(timed["ms"].get<double>());
            const double ms = replay_ms(trace, traced_frames);
            if (ms >= 0.0) replay.push_back(ms);
        }
        std::remove(trace.c_str());
        if (handler.empty() || replay.empty()) continue;
        const double handler_ms = median(handler);
        const double replay_median = median(replay);
        rows.push_back({{"type", name},
                        {"at", at},
                        {"frames", traced_frames.size()},
                        {"handler_ms", handler_ms},
                        {"replay_ms", replay_median},
                        {"ratio", replay_median > 0.0 ? handler_ms / replay_median : 0.0}});
    }
    return rows;
}
