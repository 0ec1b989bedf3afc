// show_run.cpp -- plays the show once for the benchmark, timing its loading phase, handlers and frames
#include "show_run.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "alloc_counter.h"
#ifdef VARNEL_GLES
#include "platform/gles/gles.h"
#endif
#include "core/fatal.h"
#include "core/timer.h"
#include "decode_floor.h"
#include "kernel/kernel.h"
#include "kernel/keys.h"
#include "kernel/program.h"
#include "kernel/script.h"
#include "kernel/timeline.h"
#include "platform/text.h"
#include "platform/window.h"
#include "resources/image.h"
#include "resources/load_timings.h"

namespace {

struct RunState {
    bool timed = false;                             // every handler call finished and timed
    uint64_t frame_ticks[kSectionTypeCount] = {};   // this frame's handler ticks per type
    bool called[kSectionTypeCount] = {};            // the type ran a handler in this frame
    std::vector<float> samples[kSectionTypeCount];  // per frame the type ran in: its handler ms
    uint64_t load_ticks[kSectionTypeCount] = {};    // each type's load handler
    uint64_t screen_ticks = 0;                      // the loading screen's renders and its fade
    int screen_frames = 0;                          // frames the loading phase presented
    int presents = 0;                               // frames presented so far
    SectionType table[kSectionTypeCount];           // the kernel's table, each handler wrapped
    const ProbeOptions* probe = nullptr;            // a probe run, while its frames play: the type it isolates
    int probed_frame = -1;                          // the kernel's frame count at the last isolated call
    std::vector<float> probe_samples;               // the isolated calls' milliseconds
    ProbeResult probe_result;
#ifdef VARNEL_GLES
    GlLayerCounters es_last{};                       // the layer's counts before the handler now timed
    uint64_t es_draws[kSectionTypeCount] = {};       // ES draws and other ES calls of each type's handlers
    uint64_t es_changes[kSectionTypeCount] = {};
#endif
} s_run;

double ms(uint64_t ticks) {
    return double(ticks) * 1000.0 / double(counter_frequency());
}

double percentile(std::vector<float> values, double p) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    // Nearest rank.
    const size_t rank = size_t(std::ceil(p * double(values.size())));
    return double(values[std::clamp<size_t>(rank, 1, values.size()) - 1]);
}

// The probed handler call, finished and timed, alone in a presented frame of its own.
void probe_handler(SectionHandler handler) {
    s_run.probed_frame = int(g_kernel.frame_count);
    glFinish();
    present_frame();
    s_run.probe_result.frames.push_back(s_run.presents);
    const uint64_t start = read_counter();
    handler();
    glFinish();
    s_run.probe_samples.push_back(float(ms(read_counter() - start)));
    present_frame();
}

void time_handler(int type, SectionHandler handler) {
    if (s_run.probe && type == s_run.probe->type && handler == kSectionTypes[type].render &&
        s_run.probed_frame != int(g_kernel.frame_count)) {
        probe_handler(handler);
        return;
    }
#ifdef VARNEL_GLES
    s_run.es_last = gl_layer_counters();
#endif
    const uint64_t start = read_counter();
    handler();
    if (g_kernel.loading) {
        // The loading screen draws and presents its own frames.
        s_run.screen_ticks += read_counter() - start;
        return;
    }
    // llvmpipe draws when it is flushed: without the finish a handler's drawing would be paid for
    // by whichever handler clears or presents next.
    if (s_run.timed) glFinish();
    s_run.frame_ticks[type] += read_counter() - start;
    s_run.called[type] = true;
#ifdef VARNEL_GLES
    // The finish drew the handler's last batch: what the layer sent since the last handler is its.
    const GlLayerCounters now = gl_layer_counters();
    s_run.es_draws[type] += now.draw_calls - s_run.es_last.draw_calls;
    s_run.es_changes[type] += now.state_changes - s_run.es_last.state_changes;
    s_run.es_last = now;
#endif
}

void count_present() {
    ++s_run.presents;
    if (g_kernel.loading) ++s_run.screen_frames;
}

template <int T>
void timed_load() {
    const uint64_t start = read_counter();
    kSectionTypes[T].load();
    s_run.load_ticks[T] += read_counter() - start;
}

template <int T>
void timed_init() {
    time_handler(T, kSectionTypes[T].init);
}

template <int T>
void timed_render() {
    time_handler(T, kSectionTypes[T].render);
}

template <int T>
void timed_end() {
    time_handler(T, kSectionTypes[T].end);
}

template <size_t... T>
void wrap_table(std::index_sequence<T...>) {
    ((s_run.table[T] = kSectionTypes[T], s_run.table[T].load = timed_load<int(T)>,
      s_run.table[T].init = timed_init<int(T)>, s_run.table[T].render = timed_render<int(T)>,
      s_run.table[T].end = timed_end<int(T)>),
     ...);
}

// A field of /proc/self/status in KiB (VmHWM, VmRSS), or -1.
long status_kib(const char* field) {
    FILE* file = fopen("/proc/self/status", "r");
    if (!file) return -1;
    char line[256];
    long value = -1;
    const size_t length = strlen(field);
    while (fgets(line, sizeof line, file)) {
        if (strncmp(line, field, length) == 0 && line[length] == ':') {
            value = strtol(line + length + 1, nullptr, 10);
            break;
        }
    }
    fclose(file);
    return value;
}

nlohmann::ordered_json loading_report(uint64_t total_ticks) {
    const LoadTimings& t = g_load_timings;
    uint64_t accounted = s_run.screen_ticks + t.prefetch_wait_ticks;
    for (uint64_t ticks : t.ticks) accounted += ticks;
    uint64_t pixel_bytes = 0;
    for (int i = 0; i < image_count(); ++i) {
        const Image& image = image_record(i);
        pixel_bytes += uint64_t(image.width) * uint64_t(image.height) * (image.internal_format == GL_RGBA ? 4 : 3);
    }
    auto step = [&](LoadStep s) { return nlohmann::ordered_json{{"ms", ms(t.ticks[s])}, {"count", t.count[s]}}; };
    nlohmann::ordered_json per_type = nlohmann::ordered_json::object();
    for (int type = 0; type < kSectionTypeCount; ++type) {
        if (s_run.load_ticks[type] > 0) per_type[kSectionTypes[type].name] = ms(s_run.load_ticks[type]);
    }
    return {
        {"total_ms", ms(total_ticks)},
        {"reading", step(kLoadRead)},
        {"decoding", {{"jpeg", step(kLoadDecodeJpeg)}, {"tga", step(kLoadDecodeTga)}, {"pcx", step(kLoadDecodePcx)}}},
        {"mipmaps", step(kLoadMipmaps)},
        {"upload", step(kLoadUpload)},
        {"parsing_3ds", step(kLoadParse3ds)},
        {"loading_screen", {{"ms", ms(s_run.screen_ticks)}, {"count", s_run.screen_frames}}},
        {"waiting_for_pictures_ms", ms(t.prefetch_wait_ticks)},
        {"other_ms", ms(total_ticks > accounted ? total_ticks - accounted : 0)},
        {"bytes_read", t.bytes_read},
        {"pixel_bytes", pixel_bytes},
        {"model_bytes", t.model_bytes},
        {"load_handler_ms", per_type},
    };
}

// A probe plays a few frames: sections that start later are left out, and their types not loaded.
void drop_sections_after(float time) {
    Section** link = &g_kernel.script;
    while (*link) {
        if ((*link)->start > time) {
            *link = (*link)->next_script;
        } else {
            link = &(*link)->next_script;
        }
    }
}

// The player's start-up on an offscreen window, without sound, on a fixed clock, every handler
// wrapped; from demo time `from` to `to` when `from` is not negative. Returns the loading phase's ticks.
uint64_t start_show(int width, int height, int fps, float from, float to) {
    wrap_table(std::make_index_sequence<kSectionTypeCount>());
    if (from >= 0.0f) {
        // A probe times frames of the show alone: the loading screen and its fade are left undrawn.
        s_run.table[kLoadingType].render = empty_handler;
        s_run.table[kLoadingType].end = empty_handler;
    }
    g_kernel.types = s_run.table;

    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    set_fatal_message_box(false);
    set_shutdown_routine(shutdown);
    parse_script();
    if (from >= 0.0f) drop_sections_after(to + 0.5f / float(fps));
    gl_fullscreen = 0;
    gl_width = width;
    gl_height = height;
    // The soundtrack would take its share of the two cores on its own thread.
    snd_enable = 0;
    if (from >= 0.0f) g_demostart = from;
    use_fixed_clock(fps);
    set_present_hook(count_present);

    if (g_packeddata && !g_kernel.archive_loaded) fatal_error("PAK not found");
    if (open_graphics(g_demoname) < 0) fatal_error("Error opening graphics mode");
    create_font("Arial");
    reset_timeline();
    const uint64_t start = read_counter();
    run_loading_phase();
    return read_counter() - start;
}

void run_one_frame() {
    process_window_event();
    if (!run_frame()) g_kernel.quit = true;
    advance_clock();
}

}  // namespace

nlohmann::ordered_json run_show(const ShowRunOptions& options) {
    s_run.timed = options.timed;
    const uint64_t loading_ticks = start_show(options.width, options.height, options.fps, -1.0f, -1.0f);
    const long peak_kib = status_kib("VmHWM");
    start_clock();

    nlohmann::ordered_json report = {
        {"width", options.width},
        {"height", options.height},
        {"renderer", reinterpret_cast<const char*>(glGetString(GL_RENDERER))},
        {"loading", loading_report(loading_ticks)},
        {"peak_resident_kib", peak_kib},
    };
    report["loading"]["floor"] = measure_decode_floor(g_packeddata != 0);

    const size_t expected = size_t(std::max(0.0f, g_kernel.demo_end) * float(options.fps)) + 16;
    for (auto& samples : s_run.samples) samples.reserve(expected);
    find_driver_code();
    reset_allocation_count();

#ifdef VARNEL_GLES
    const GlLayerCounters before_frames = gl_layer_counters();
    std::fill(std::begin(s_run.es_draws), std::end(s_run.es_draws), 0);
    std::fill(std::begin(s_run.es_changes), std::end(s_run.es_changes), 0);
#endif
    int frames = 0;
    uint64_t frame_ticks = 0;
    uint64_t handler_ticks = 0;
    const uint64_t begin = read_counter();
    while (!g_kernel.quit) {
        std::fill(std::begin(s_run.frame_ticks), std::end(s_run.frame_ticks), 0);
        std::fill(std::begin(s_run.called), std::end(s_run.called), false);
        const uint64_t start = read_counter();
        count_allocations(true);
        process_window_event();
        if (!run_frame()) g_kernel.quit = true;
        count_allocations(false);
        frame_ticks += read_counter() - start;
        advance_clock();
        ++frames;
        for (int type = 0; type < kSectionTypeCount; ++type) {
            if (!s_run.called[type]) continue;
            handler_ticks += s_run.frame_ticks[type];
            s_run.samples[type].push_back(float(ms(s_run.frame_ticks[type])));
        }
        if (options.to >= 0.0 && g_kernel.demo_time >= options.to) break;
    }
    glFinish();
    const uint64_t elapsed = read_counter() - begin;

#ifdef VARNEL_GLES
    const GlLayerCounters after_frames = gl_layer_counters();
    report["gl_layer"] = {{"draws_per_frame", double(after_frames.draw_calls - before_frames.draw_calls) / std::max(frames, 1)},
                          {"state_changes_per_frame",
                           double(after_frames.state_changes - before_frames.state_changes) / std::max(frames, 1)},
                          {"programs_at_loading", before_frames.programs},
                          {"programs_compiled_in_frames", after_frames.programs - before_frames.programs}};
#endif
    report["frames"] = frames;
    report["demo_seconds"] = double(frames) / options.fps;
    report["allocations"] = counted_allocations();
    report["allocations_per_frame"] = frames > 0 ? double(counted_allocations()) / frames : 0.0;
    if (options.timed) {
        nlohmann::ordered_json types = nlohmann::ordered_json::array();
        for (int type = 0; type < kSectionTypeCount; ++type) {
            const std::vector<float>& samples = s_run.samples[type];
            if (samples.empty()) continue;
            types.push_back({{"type", kSectionTypes[type].name},
                             {"frames", samples.size()},
                             {"median_ms", percentile(samples, 0.5)},
                             {"p95_ms", percentile(samples, 0.95)}});
#ifdef VARNEL_GLES
            types.back()["es_draws_per_frame"] = double(s_run.es_draws[type]) / double(samples.size());
            types.back()["es_state_changes_per_frame"] = double(s_run.es_changes[type]) / double(samples.size());
#endif
        }
        report["types"] = types;
        report["frame_ms"] = ms(frame_ticks) / std::max(frames, 1);
        report["kernel_share_percent"] =
            frame_ticks > 0 ? 100.0 * double(frame_ticks - std::min(frame_ticks, handler_ticks)) / double(frame_ticks)
                            : 0.0;
    } else {
        report["render_rate_fps"] = elapsed > 0 ? frames / (ms(elapsed) / 1000.0) : 0.0;
    }

    close_graphics();
    return report;
}

ProbeResult run_probe(const ProbeOptions& options) {
    s_run.timed = false;
    const double step = 1.0 / options.fps;
    start_show(options.width, options.height, options.fps, float(std::max(0.0, options.at - step)),
               float(options.at + (options.frames - 1) * step));
    start_clock();
    // The frame before the first one probed, so that each probed frame has a frame time.
    run_one_frame();
    s_run.probe = &options;
    for (int i = 0; i < options.frames && !g_kernel.quit; ++i) run_one_frame();
    s_run.probe = nullptr;
    glFinish();
    close_graphics();
    if (!s_run.probe_samples.empty()) s_run.probe_result.median_ms = percentile(s_run.probe_samples, 0.5);
    return s_run.probe_result;
}
