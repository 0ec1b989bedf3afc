// varnel_bench.cpp -- varnel-bench: the show's handler times, frame rate, loading phase and memory, as JSON and a table
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench/edit_run.h"
#include "bench/process.h"
#include "bench/replay.h"
#include "bench/report_table.h"
#include "bench/show_run.h"
#include "graphics_failure.h"

namespace {

using Json = nlohmann::ordered_json;

struct Size {
    int width;
    int height;
};

bool parse_size(const std::string& text, Size* size) {
    return sscanf(text.c_str(), "%dx%d", &size->width, &size->height) == 2 && size->width > 0 && size->height > 0;
}

std::string read_text(const char* path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string cpu_model() {
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
    }
    return "unknown";
}

std::string load_average() {
    std::string text = read_text("/proc/loadavg");
    // The three averages only.
    size_t end = 0;
    for (int i = 0; i < 3 && end != std::string::npos; ++i) end = text.find(' ', end + 1);
    return text.substr(0, end);
}

// This program's own path, for the passes it runs in fresh processes.
std::string self_path() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, size_t(n)) : std::string("varnel-bench");
}

// Runs this program again for one pass at one size; its report, or null when it failed.
Json run_child(const std::vector<std::string>& args, const std::string& result) {
    if (run_process(args) != 0) return nullptr;
    Json report = Json::parse(read_text(result.c_str()), nullptr, false);
    std::remove(result.c_str());
    return report.is_discarded() ? Json(nullptr) : report;
}

// A pass's report, for the process that ran it: 0, or 1 when it cannot be written.
int write_result(const std::string& path, const Json& report) {
    std::ofstream out(path);
    out << report.dump() << "\n";
    return out.good() ? 0 : 1;
}

// One pass at one size by a build's varnel-bench (this one's, or the layer build's) in a fresh process.
Json run_pass(const std::string& program, const std::string& size_text, const char* name, int fps, double to,
              const std::string& scratch) {
    std::vector<std::string> args = {program, "--run", size_text, "--pass", name, "--result", scratch,
                                     "--fps", std::to_string(fps)};
    if (to >= 0.0) args.insert(args.end(), {"--to", std::to_string(to)});
    return run_child(args, scratch);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

int run_one(const std::string& size_text, const std::string& pass, const std::string& result, int fps, double to) {
    ShowRunOptions options;
    Size size{};
    if (!parse_size(size_text, &size)) return 2;
    options.width = size.width;
    options.height = size.height;
    options.fps = fps;
    options.to = to;
    options.timed = pass == "timed";
    if (pass == "edit") return write_result(result, run_edit(options.width, options.height, fps));
    return write_result(result, run_show(options));
}

int run_one_probe(const std::string& size_text, int type, double at, int frames, const std::string& result, int fps) {
    ProbeOptions options;
    Size size{};
    if (!parse_size(size_text, &size)) return 2;
    options.width = size.width;
    options.height = size.height;
    options.fps = fps;
    options.type = type;
    options.at = at;
    options.frames = frames;
    const ProbeResult probe = run_probe(options);
    return write_result(result, Json{{"ms", probe.median_ms}, {"frames", probe.frames}});
}

}  // namespace

int main(int argc, char** argv) {
    explain_graphics_failures("varnel-bench");
    CLI::App app("Plays the show in the working directory headless on a fixed clock and reports where its time "
                 "goes: handler times per section type, the frame rate, the loading phase, memory and heap "
                 "allocations per frame",
                 "varnel-bench");
    app.set_version_flag("--version", "varnel-bench " VARNEL_VERSION);
    // Two blanks at least between each option and its text, as the manual page's generator needs.
    app.get_formatter()->column_width(34);
    int fps = 20;
    std::vector<std::string> sizes = {"800x600", "1920x1080"};
    double to = -1.0;
    std::string out = "bench.json";
    bool short_run = false;
    bool no_replay = false;
    ReplayOptions replay_options;
    replay_options.core = first_allowed_core();
    bool replay_only = false;
    std::string run_size, pass, result;
    int probe_type = -1;
    double probe_at = 0.0;
    int probe_frames = 1;
    std::string layer;
    int layer_rounds = 1;
    app.add_option("--fps", fps, "Frames per second of the fixed clock")->check(CLI::Range(1, 1000));
    app.add_option("--sizes", sizes, "Display sizes, WIDTHxHEIGHT")->delimiter(',');
    app.add_option("--to", to, "Stop each run after the first frame at or after this demo time")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--out", out, "The JSON report (default: bench.json)");
    app.add_flag("--short", short_run,
                 "A few seconds: 4 frames a second, small sizes, the first 6 s of the show, one replay");
    app.add_flag("--no-replay", no_replay, "Leave out the replays of recorded GL streams");
    app.add_option("--replay-types", replay_options.only, "Replay only these section types")->delimiter(',');
    app.add_flag("--replay-only", replay_only, "The replay comparison alone, without the runs of the whole show");
    app.add_option("--replay-rounds", replay_options.rounds, "Rounds of the replay comparison (default: 9)")
        ->check(CLI::PositiveNumber);
    app.add_option("--replay-core", replay_options.core, "The core the replay comparison runs on (default: the first)");
    app.add_option("--layer", layer,
                   "The varnel-bench of the build on the GL layer over ES 2.0 (build-gles/bin/varnel-bench): each "
                   "of its passes runs right after this build's, and the report holds both")
        ->check(CLI::ExistingFile);
    app.add_option("--layer-rounds", layer_rounds,
                   "Whole-show rate passes of each build, in turns, for the layer's ratio (default: 1)")
        ->check(CLI::PositiveNumber)
        ->needs("--layer");
    // One pass at one size, run by the benchmark itself in a fresh process.
    app.add_option("--run", run_size)->group("");
    app.add_option("--pass", pass)->group("");
    app.add_option("--result", result)->group("");
    app.add_option("--probe", probe_type)->group("");
    app.add_option("--at", probe_at)->group("");
    app.add_option("--frames", probe_frames)->group("");
    CLI11_PARSE(app, argc, argv);

    if (!run_size.empty() && probe_type >= 0) {
        return run_one_probe(run_size, probe_type, probe_at, probe_frames, result, fps);
    }
    if (!run_size.empty()) return run_one(run_size, pass, result, fps, to);

    if (short_run) {
        fps = 4;
        sizes = {"160x120", "320x240"};
        to = 6.0;
        replay_options.limit = 1;
        if (app.count("--replay-rounds") == 0) replay_options.rounds = 1;
    }
    std::string command = "varnel-bench";
    for (int i = 1; i < argc; ++i) command += std::string(" ") + argv[i];

    Json report = {
        {"command", command},
        {"machine", {{"cpu", cpu_model()}, {"cores", sysconf(_SC_NPROCESSORS_ONLN)}, {"load_before", load_average()}}},
        {"fps", fps},
        {"sizes", Json::array()},
    };
    const std::string scratch = out + ".pass.json";
    const std::string self = self_path();
    const bool replay = !no_replay && replay_available();
    if (!no_replay && !replay) fprintf(stderr, "varnel-bench: apitrace or eglretrace missing; no replay times\n");
    if (replay && !core_allowed(replay_options.core)) {
        fprintf(stderr, "varnel-bench: core %d is not one this process may run on\n", replay_options.core);
        return 2;
    }
    for (const std::string& size_text : sizes) {
        Size size{};
        if (!parse_size(size_text, &size)) {
            fprintf(stderr, "varnel-bench: %s is not a size like 800x600\n", size_text.c_str());
            return 2;
        }
        Json entry = {{"width", size.width}, {"height", size.height}};
        // The layer's passes follow this build's one by one, so that the machine's load weighs on
        // both alike; the rate passes take turns for as many rounds as asked.
        std::vector<double> rates, layer_rates, ratios;
        for (const char* name : {"timed", "rate", "edit"}) {
            if (replay_only) break;
            const bool rate = std::string(name) == "rate";
            const int rounds = !layer.empty() && rate ? layer_rounds : 1;
            for (int round = 0; round < rounds; ++round) {
                for (const std::string& program : {self, layer}) {
                    if (program.empty() || (program == layer && std::string(name) == "edit")) continue;
                    const char* build = program == self ? "" : "the layer's ";
                    fprintf(stderr, "varnel-bench: %s, %s%s pass\n", size_text.c_str(), build, name);
                    Json part = run_pass(program, size_text, name, fps, to, scratch);
                    if (part.is_null()) {
                        fprintf(stderr, "varnel-bench: %s%s pass at %s failed\n", build, name, size_text.c_str());
                        return 1;
                    }
                    Json& into = program == self ? entry : entry["layer"];
                    if (rate) (program == self ? rates : layer_rates).push_back(part["render_rate_fps"].get<double>());
                    if (round == 0) into[name] = part;
                }
                if (rate && !layer.empty() && layer_rates.back() > 0.0) ratios.push_back(rates.back() / layer_rates.back());
            }
        }
        if (!ratios.empty()) {
            entry["layer"]["rate_rounds"] = {{"gl11_fps", rates}, {"layer_fps", layer_rates}, {"ratios", ratios}};
            // How many times slower the whole show plays through the layer: the median round's ratio.
            entry["layer"]["slower_by"] = median(ratios);
        }
        // The short run replays one type at its first size, so that the replay cannot rot either.
        if (replay && (!short_run || report["sizes"].empty())) {
            entry["replay"] = compare_with_replay(self, out, size.width, size.height, fps, replay_options);
        }
        report["sizes"].push_back(entry);
    }
    report["machine"]["load_after"] = load_average();
    if (replay) report["machine"]["replay_core"] = replay_options.core;
    report["machine"]["renderer"] = replay_only ? Json("") : report["sizes"][0]["timed"]["renderer"];

    std::ofstream file(out);
    file << report.dump(2) << "\n";
    if (!file.good()) {
        fprintf(stderr, "varnel-bench: cannot write %s\n", out.c_str());
        return 1;
    }
    if (replay_only) {
        printf("%s\n", report.dump(2).c_str());
    } else {
        print_report_table(report, stdout);
    }
    fprintf(stderr, "varnel-bench: report written to %s\n", out.c_str());
    return 0;
}
