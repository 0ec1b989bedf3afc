// replay.cpp -- records one frame of each section type with apitrace and times its replay with eglretrace
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

// Each replay costs its whole trace again (the loading phase's uploads), so the loop is what the
// replay time is taken from: the difference between replays with and without it.
constexpr double kLoopMs = 1500.0;  // aim for a loop of about this long
constexpr int kReplays = 2;         // of each kind; the fastest counts
constexpr int kRepeats = 15;        // handler calls timed in the probed frame

// Seconds of one eglretrace run over the trace, replaying its last frame `loops` more times; < 0
// when it failed.
double replay_seconds(const std::string& trace, int loops) {
    std::string output;
    const int status = run_process({"eglretrace", "--headless", "-b", "--loop=" + std::to_string(loops), trace}, &output);
    const size_t at = output.find("Rendered ");
    double seconds = -1.0;
    int frames = 0;
    if (status != 0 || at == std::string::npos ||
        sscanf(output.c_str() + at, "Rendered %d frames in %lf secs", &frames, &seconds) != 2) {
        return -1.0;
    }
    return seconds;
}

double fastest_replay(const std::string& trace, int loops) {
    double best = -1.0;
    for (int i = 0; i < kReplays; ++i) {
        const double s = replay_seconds(trace, loops);
        if (s >= 0.0 && (best < 0.0 || s < best)) best = s;
    }
    return best;
}

// The probe's common arguments for one type at one time.
std::vector<std::string> probe_args(const std::string& self, const std::string& size, int fps, int type, double at,
                                    const std::string& result) {
    char at_text[32];
    snprintf(at_text, sizeof at_text, "%.4f", at);
    return {self, "--run", size, "--fps", std::to_string(fps), "--probe", std::to_string(type), "--at", at_text,
            "--result", result};
}

double read_probe(const std::string& result) {
    std::ifstream in(result);
    const Json j = Json::parse(in, nullptr, false);
    std::remove(result.c_str());
    return j.is_object() && j["ms"].is_number() ? j["ms"].get<double>() : -1.0;
}

// A frame in the middle of the type's first section, on the fixed clock's grid.
double probe_time(int type, int fps) {
    for (const Section* s = g_kernel.script; s; s = s->next_script) {
        if (s->type != type || s->end <= g_demostart) continue;
        const double middle = std::max(double(s->start), double(g_demostart)) + (s->end - s->start) / 2.0;
        return std::floor(middle * fps) / fps;
    }
    return -1.0;
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
    bool used[kSectionTypeCount] = {};
    for (const Section* s = g_kernel.script; s; s = s->next_script) used[s->type] = true;

    for (int type = 1; type < kSectionTypeCount && (limit <= 0 || int(rows.size()) < limit); ++type) {
        const char* name = kSectionTypes[type].name;
        if (!only.empty() && std::find(only.begin(), only.end(), name) == only.end()) continue;
        const double at = used[type] ? probe_time(type, fps) : -1.0;
        if (at < 0.0) continue;
        fprintf(stderr, "varnel-bench: %s, replay of %s at %.2f s\n", size.c_str(), name, at);

        std::vector<std::string> args = probe_args(self, size, fps, type, at, result);
        args.insert(args.end(), {"--repeats", std::to_string(kRepeats)});
        std::string ignored;
        if (run_process(args, &ignored) != 0) continue;
        const double handler_ms = read_probe(result);
        if (handler_ms < 0.0) continue;

        std::vector<std::string> record = {"apitrace", "trace", "--api", "egl", "-o", trace};
        for (const std::string& a : probe_args(self, size, fps, type, at, result)) record.push_back(a);
        ignored.clear();
        const int recorded = run_process(record, &ignored);
        std::remove(result.c_str());
        if (recorded != 0) {
            std::remove(trace.c_str());
            continue;
        }
        const int loops = std::clamp(int(kLoopMs / std::max(handler_ms, 0.1)), 10, 1000);
        const double without = fastest_replay(trace, 0);
        const double with = fastest_replay(trace, loops);
        std::remove(trace.c_str());
        if (without < 0.0 || with < 0.0) continue;
        const double replay_ms = std::max(with - without, 0.0) * 1000.0 / loops;
        rows.push_back({{"type", name},
                        {"at", at},
                        {"handler_ms", handler_ms},
                        {"replay_ms", replay_ms},
                        {"ratio", replay_ms > 0.0 ? handler_ms / replay_ms : 0.0}});
    }
    return rows;
}
