// replay.cpp -- records frames of each section type with apitrace and times their replay with eglretrace
#include "replay.h"

#include <sched.h>

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
// A handler shorter than this draws next to nothing: its replay frame is eglretrace's own cost of a
// frame, and the quotient of the two says nothing about the handler.
constexpr double kShortestCompared = 0.05;  // milliseconds

double median(std::vector<double> values) {
    if (values.empty()) return -1.0;
    std::sort(values.begin(), values.end());
    const size_t half = values.size() / 2;
    return values.size() % 2 ? values[half] : (values[half - 1] + values[half]) / 2.0;
}

// The mean of the values left when the lowest and the highest quarter are set aside.
double middle_mean(std::vector<double> values) {
    if (values.empty()) return -1.0;
    std::sort(values.begin(), values.end());
    const size_t quarter = values.size() / 4;
    double sum = 0.0;
    for (size_t i = quarter; i < values.size() - quarter; ++i) sum += values[i];
    return sum / double(values.size() - 2 * quarter);
}

// One replay of the trace: the median milliseconds of the listed frames, each from the end of the
// frame before it to its own end, as --pframe-times reports them; < 0 when it failed. The loading
// phase and the other sections' drawing lie in other frames and do not count.
double replay_median_ms(const std::string& trace, const std::vector<int>& frames) {
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

// One type's frames: where they lie, their trace and what each round measured.
struct Probe {
    const char* name;
    double at;
    std::vector<std::string> args;  // the probe's command line
    std::string trace;
    std::vector<int> frames;  // the trace's frames that hold the handler's calls
    std::vector<double> handler, replay;  // milliseconds, the median over the frames, per round
};

// Keeps this process and the processes it starts on one core until it goes out of scope.
class OnOneCore {
public:
    explicit OnOneCore(int core) {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(core, &one);
        pinned_ = sched_getaffinity(0, sizeof saved_, &saved_) == 0 && sched_setaffinity(0, sizeof one, &one) == 0;
    }
    ~OnOneCore() {
        if (pinned_) sched_setaffinity(0, sizeof saved_, &saved_);
    }
    OnOneCore(const OnOneCore&) = delete;
    OnOneCore& operator=(const OnOneCore&) = delete;
    bool pinned() const { return pinned_; }

private:
    cpu_set_t saved_;
    bool pinned_ = false;
};

}  // namespace

int first_allowed_core() {
    cpu_set_t allowed;
    if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
        for (int core = 0; core < CPU_SETSIZE; ++core) {
            if (CPU_ISSET(core, &allowed)) return core;
        }
    }
    return 0;
}

bool core_allowed(int core) {
    cpu_set_t allowed;
    if (core < 0 || core >= CPU_SETSIZE || sched_getaffinity(0, sizeof allowed, &allowed) != 0) return false;
    return CPU_ISSET(core, &allowed);
}

bool replay_available() {
    return on_path("apitrace") && on_path("eglretrace");
}

Json compare_with_replay(const std::string& self, const std::string& scratch, int width, int height, int fps,
                         const ReplayOptions& options) {
    parse_script();
    // Every probe and replay runs on the same core. The cores of a virtual machine are not equally
    // quiet: on one, the heart's replay took 53-59 ms a frame over a few minutes, on the other
    // 55-92 ms, and its handler slowed less than its replay did. A handler and its replay timed on
    // different cores, or on a core the scheduler changes under them, compare the cores more than
    // the two.
    const OnOneCore on_one_core(options.core);
    if (!on_one_core.pinned()) fprintf(stderr, "varnel-bench: cannot keep the replays on core %d\n", options.core);
    // eglretrace draws without a window system, as the probes do on SDL's offscreen driver.
    setenv("WAFFLE_PLATFORM", "surfaceless_egl", 1);
    // llvmpipe rasterizes on the thread that draws, not on threads of its own: other work on the
    // machine then slows a handler and its replay alike, where it would slow rasterizer threads
    // waiting for a core more than a replay's reading of the trace. The runs of the whole show keep
    // the threads.
    const char* threads = getenv("LP_NUM_THREADS");
    const std::string saved_threads = threads ? threads : "";
    setenv("LP_NUM_THREADS", "0", 1);

    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const std::string result = scratch + ".probe.json";

    // Every type's frames are recorded first. The rounds then go over all the types in turn, a
    // type's handler timed and its trace replayed one after the other: a spell of minutes in which
    // a shared machine runs slower falls on some of a type's rounds, not on all of them.
    const std::vector<std::string>& only = options.only;
    std::vector<Probe> probes;
    for (int type = 1; type < kSectionTypeCount && (options.limit <= 0 || int(probes.size()) < options.limit);
         ++type) {
        const char* name = kSectionTypes[type].name;
        if (!only.empty() && std::find(only.begin(), only.end(), name) == only.end()) continue;
        Probe probe{name, 0.0, {}, scratch + ".probe." + name + ".trace", {}, {}, {}};
        const int frames = probe_window(type, fps, &probe.at);
        if (frames == 0) continue;
        fprintf(stderr, "varnel-bench: %s, recording %s, %d frames from %.2f s\n", size.c_str(), name, frames,
                probe.at);
        probe.args = probe_args(self, size, fps, type, probe.at, frames, result);
        std::vector<std::string> record = {"apitrace", "trace", "--api", "egl", "-o", probe.trace};
        record.insert(record.end(), probe.args.begin(), probe.args.end());
        std::string ignored;
        const int recorded = run_process(record, &ignored);
        const Json traced = read_probe(result);
        if (recorded == 0 && !traced.is_null()) probe.frames = traced["frames"].get<std::vector<int>>();
        if (probe.frames.empty()) {
            std::remove(probe.trace.c_str());
            continue;
        }
        probes.push_back(std::move(probe));
    }
    for (int round = 1; round <= options.rounds && !probes.empty(); ++round) {
        fprintf(stderr, "varnel-bench: %s, replay round %d of %d\n", size.c_str(), round, options.rounds);
        for (Probe& probe : probes) {
            std::string ignored;
            const Json timed = run_process(probe.args, &ignored) == 0 ? read_probe(result) : Json(nullptr);
            const double handler_ms = timed.is_null() ? -1.0 : timed["ms"].get<double>();
            const double replay_ms = replay_median_ms(probe.trace, probe.frames);
            if (handler_ms < 0.0 || replay_ms < 0.0) continue;  // the round counts for both or for neither
            probe.handler.push_back(handler_ms);
            probe.replay.push_back(replay_ms);
        }
    }

    Json rows = Json::array();
    for (const Probe& probe : probes) {
        std::remove(probe.trace.c_str());
        if (probe.handler.empty()) continue;
        // Each round's handler and replay ran within seconds of each other, as fast as the machine
        // was then; the quotient is taken per round. Now and then a process runs a good deal faster
        // or slower than the others: the middle half of the quotients leaves those out, and their
        // mean varies less from run to run than the one middle value.
        std::vector<double> ratios;
        for (size_t i = 0; i < probe.handler.size(); ++i) {
            if (probe.replay[i] > 0.0) ratios.push_back(probe.handler[i] / probe.replay[i]);
        }
        const double handler_ms = median(probe.handler);
        const double replay_ms = median(probe.replay);
        const bool compared = handler_ms >= kShortestCompared && !ratios.empty();
        rows.push_back({{"type", probe.name},
                        {"at", probe.at},
                        {"frames", probe.frames.size()},
                        {"handler_ms", handler_ms},
                        {"replay_ms", replay_ms},
                        {"ratio", compared ? Json(middle_mean(ratios)) : Json(nullptr)},
                        {"handler_rounds", probe.handler},
                        {"replay_rounds", probe.replay}});
    }
    if (threads) {
        setenv("LP_NUM_THREADS", saved_threads.c_str(), 1);
    } else {
        unsetenv("LP_NUM_THREADS");
    }
    return rows;
}
