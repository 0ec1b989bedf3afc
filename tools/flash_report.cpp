// flash_report.cpp -- every frame of a run through the flash meter; the failing seconds and a verdict, as JSON
#include "flash_report.h"

#include <GL/gl.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "kernel/kernel.h"
#include "kernel/section.h"
#include "render/flash_meter.h"

namespace {

struct ReportFrame {
    double t = 0.0;
    FlashStep step;
};

// Frames that lie in failing seconds, one after another.
struct Stretch {
    int first = 0;  // the first frame of its first failing second
    int last = 0;   // the last frame of its last failing second
    int seconds = 0;  // failing seconds (frames that end one) in it
    int general = 0;  // the most flashes of any of them
    int red = 0;
};

struct ReportState {
    FlashMeter meter;
    std::vector<ReportFrame> frames;  // every frame added
    int transitions[2] = {};          // counted general and red transitions
} s_report;

// The first frame of the second that ends with frame i.
int second_begins(int i) {
    const double t = s_report.frames[size_t(i)].t;
    int first = i;
    while (first > 0 && s_report.frames[size_t(first - 1)].t > t - 1.0 + 0.0005) --first;
    return first;
}

std::vector<Stretch> failing_stretches() {
    std::vector<Stretch> stretches;
    for (int i = 0; i < int(s_report.frames.size()); ++i) {
        const FlashStep& step = s_report.frames[size_t(i)].step;
        if (!flash_step_fails(step)) continue;
        const int first = second_begins(i);
        if (stretches.empty() || first > stretches.back().last + 1) stretches.push_back({first, i, 0, 0, 0});
        Stretch& s = stretches.back();
        s.last = i;
        ++s.seconds;
        s.general = std::max(s.general, step.general_flashes);
        s.red = std::max(s.red, step.red_flashes);
    }
    return stretches;
}

// The most flashes of any second, and the seconds that fail.
struct Totals {
    int general = 0;
    int red = 0;
    int failing = 0;
};

Totals totals() {
    Totals t;
    for (const ReportFrame& f : s_report.frames) {
        t.general = std::max(t.general, f.step.general_flashes);
        t.red = std::max(t.red, f.step.red_flashes);
        t.failing += flash_step_fails(f.step);
    }
    return t;
}

}  // namespace

void begin_flash_report(int width, int height, int expected_frames) {
    open_flash_meter(&s_report.meter, width, height);
    s_report.frames.clear();
    s_report.frames.reserve(size_t(std::max(expected_frames, 0)) + 16);
    s_report.transitions[0] = s_report.transitions[1] = 0;
}

namespace {

// The frame in the meter's buffer, read and taken.
void add_frame_read(double t) {
    const int general_last = s_report.meter.general.last, red_last = s_report.meter.red.last;
    read_flash_frame(&s_report.meter);
    const FlashStep step = take_flash_frame(&s_report.meter, t);
    s_report.transitions[0] += s_report.meter.general.last != general_last;
    s_report.transitions[1] += s_report.meter.red.last != red_last;
    s_report.frames.push_back({t, step});
}

}  // namespace

void add_flash_frame(const uint8_t* rgb, double t) {
    std::copy(rgb, rgb + s_report.meter.frames[0].size(), flash_frame_buffer(&s_report.meter));
    add_frame_read(t);
}

void add_flash_frame_read_back(double t) {
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, s_report.meter.width, s_report.meter.height, GL_RGB, GL_UNSIGNED_BYTE,
                 flash_frame_buffer(&s_report.meter));
    add_frame_read(t);
}

bool flash_report_passes() {
    return totals().failing == 0;
}

bool write_flash_report(const char* path, int fps, bool gentle) {
    const Totals all = totals();
    nlohmann::ordered_json stretches = nlohmann::ordered_json::array();
    for (const Stretch& s : failing_stretches()) {
        const double from = s_report.frames[size_t(s.first)].t, to = s_report.frames[size_t(s.last)].t;
        // Demo times to the millisecond: the clock sums float steps.
        const auto ms = [](double t) { return std::round(t * 1000.0) / 1000.0; };
        // The sections of the script that were on screen at some frame of the stretch.
        nlohmann::ordered_json sections = nlohmann::ordered_json::array();
        for (const Section* section = g_kernel.script; section; section = section->next_script) {
            if (section->start > to || section->end <= from) continue;
            sections.push_back({{"type", kSectionTypes[section->type].name},
                                {"line", section->line},
                                {"start", ms(section->start)},
                                {"end", ms(section->end)},
                                {"layer", section->layer}});
        }
        stretches.push_back({{"from", ms(from)},
                             {"to", ms(to)},
                             {"seconds", s.seconds},
                             {"general_flashes", s.general},
                             {"red_flashes", s.red},
                             {"sections", sections}});
    }
    const nlohmann::ordered_json report = {
        {"fps", fps},
        {"width", s_report.meter.width},
        {"height", s_report.meter.height},
        {"gentle", gentle},
        {"frames", s_report.frames.size()},
        {"rules",
         {{"luminance_change", kFlashLuminanceStep},
          {"darker_below", kFlashDarkerBelow},
          {"area", kFlashArea},
          {"red_share", kRedShare},
          {"red_change", kRedStep},
          {"flashes_per_second", kFlashesPerSecond}}},
        {"transitions", {{"general", s_report.transitions[0]}, {"red", s_report.transitions[1]}}},
        {"most_flashes_in_a_second", {{"general", all.general}, {"red", all.red}}},
        {"failing_seconds", all.failing},
        {"failing", stretches},
        {"verdict", all.failing == 0 ? "pass" : "fail"},
        {"note", "a screening aid against the general and red flash thresholds, not a medical guarantee"},
    };
    FILE* file = fopen(path, "w");
    if (!file) return false;
    const std::string text = report.dump(2) + "\n";
    const bool ok = fwrite(text.data(), 1, text.size(), file) == text.size();
    return (fclose(file) == 0) && ok;
}

void print_flash_summary(const char* program) {
    const Totals all = totals();
    const size_t stretches = failing_stretches().size();
    printf("%s: flashes %s: %zu frames, %zu failing stretch%s (%d failing seconds), at most %d general and %d red "
           "flashes in a second\n",
           program, all.failing == 0 ? "pass" : "FAIL", s_report.frames.size(), stretches, stretches == 1 ? "" : "es",
           all.failing, all.general, all.red);
}
