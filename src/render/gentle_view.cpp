// gentle_view.cpp -- gentle viewing: a frame that would flash beyond the limits blended toward the one shown before
#include "render/gentle_view.h"

#include <GL/gl.h>

#include <time.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/gl_state.h"
#include "render/flash_meter.h"

namespace {

constexpr int kBinShift = 6;                  // changes in 1/65535, 64 to a bin
constexpr int kBins = (65536 >> kBinShift) + 1;
// The blend aims below the rules' figures, so that rounding to 8 bits cannot carry it back over:
// half an 8-bit step is at most 0.0044 in linear light.
constexpr double kAimedStep = 0.09;           // of kFlashLuminanceStep's 0.1
constexpr double kAimedRedStep = 0.045;       // of kRedStep's 20 / 320 = 0.0625, on R - G - B
constexpr double kAimedArea = 0.24;           // of kFlashArea's 0.25
constexpr int kTries = 8;                     // halvings of the factor before the last frame is shown again

enum { kRise, kFall, kRedRise, kRedFall };

struct GentleState {
    bool open = false;
    int width = 0;
    int height = 0;
    FlashMeter meter;                  // over the frames shown, RGBA as read back: its frame taken is
                                       // the last frame shown
    std::vector<uint8_t> drawn;        // the frame as drawn, kept while blends of it are measured
    int histogram[4][kBins];           // per kind of change, the pixels that would count, by size of change
    GentleViewStats stats;
} s_gentle;

// The largest factor, in 1/65536, that leaves fewer than `most` pixels of the histogram over the
// step: every pixel whose change is below the bin edge found stays under it.
uint32_t factor_for(const int* histogram, int most, double step) {
    int above = 0;
    for (int bin = kBins - 1; bin > 0; --bin) {
        if (above + histogram[bin] >= most) {
            const double edge = double((bin + 1) << kBinShift);
            const double factor = step * 65535.0 / edge;
            return factor >= 1.0 ? 65536u : uint32_t(factor * 65536.0);
        }
        above += histogram[bin];
    }
    return 65536u;
}

// The factor that keeps the frame read from being a transition of the kinds asked for, against the
// last frame shown: pixels whose blended change could reach the rule's step, counted by their
// full change.
uint32_t blend_factor(bool general, bool red) {
    memset(s_gentle.histogram, 0, sizeof s_gentle.histogram);
    const uint8_t* s = taken_flash_frame(s_gentle.meter);
    const uint8_t* f = s_gentle.drawn.data();
    const size_t pixels = size_t(s_gentle.width) * size_t(s_gentle.height);
    constexpr int kDarker = 52428;  // 0.8
    for (size_t i = 0; i < pixels; ++i, s += 4, f += 4) {
        if (general) {
            const int ls = pixel_luminance(s), lf = pixel_luminance(f);
            // A rise's darker side is the shown frame's; a fall's, the blend's, which is never darker
            // than the frame read.
            if (lf > ls && ls < kDarker) ++s_gentle.histogram[kRise][(lf - ls) >> kBinShift];
            if (lf < ls && lf < kDarker) ++s_gentle.histogram[kFall][(ls - lf) >> kBinShift];
        }
        if (red && ((pixel_redness(s) | pixel_redness(f)) & 1)) {
            // R - G - B blends linearly, and max(0, R - G - B) changes by no more than it; a blend
            // between two colours is saturated only if one of them is.
            const int ds = kLinearOfSrgb[s[0]] - kLinearOfSrgb[s[1]] - kLinearOfSrgb[s[2]];
            const int df = kLinearOfSrgb[f[0]] - kLinearOfSrgb[f[1]] - kLinearOfSrgb[f[2]];
            int change = df - ds;
            const int kind = change > 0 ? kRedRise : kRedFall;
            if (change < 0) change = -change;
            if (change > 65535) change = 65535;
            ++s_gentle.histogram[kind][change >> kBinShift];
        }
    }
    const int most = int(kAimedArea * double(pixels));
    uint32_t factor = 65536u;
    auto lower = [&](int kind, double step) {
        const uint32_t f = factor_for(s_gentle.histogram[kind], most, step);
        if (f < factor) factor = f;
    };
    if (general) {
        lower(kRise, kAimedStep);
        lower(kFall, kAimedStep);
    }
    if (red) {
        lower(kRedRise, kAimedRedStep);
        lower(kRedFall, kAimedRedStep);
    }
    return factor;
}

// The meter's next frame = shown + factor x (drawn - shown), per channel in linear light.
void blend_frames(uint32_t factor) {
    const uint8_t* s = taken_flash_frame(s_gentle.meter);
    const uint8_t* f = s_gentle.drawn.data();
    uint8_t* out = flash_frame_buffer(&s_gentle.meter);
    const size_t bytes = s_gentle.drawn.size();
    for (size_t i = 0; i < bytes; ++i) {
        const int from = kLinearOfSrgb[s[i]];
        const int to = kLinearOfSrgb[f[i]];
        const int linear = from + int((int64_t(to - from) * factor) >> 16);
        out[i] = srgb_of_linear(uint16_t(linear));
    }
}

// The frame last shown over the whole back buffer, every state it needs set and put back.
void draw_blend() {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    draw_window_pixels(s_gentle.width, s_gentle.height, taken_flash_frame(s_gentle.meter));
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
}

// This thread's processor time: on a busy machine, what the pass costs without the time others ran.
double thread_seconds() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

}  // namespace

void open_gentle_view(int width, int height) {
    s_gentle.width = width;
    s_gentle.height = height;
    s_gentle.drawn.assign(size_t(width) * size_t(height) * 4, 0);
    open_flash_meter(&s_gentle.meter, width, height, 4);
    s_gentle.stats = GentleViewStats();
    s_gentle.open = true;
}

void gentle_view_frame(double t) {
    if (!s_gentle.open) return;
    // Reading back waits for the frame to be drawn, as the swap would: that wait is timed apart.
    const auto asked = std::chrono::steady_clock::now();
    glFinish();
    const auto begun = std::chrono::steady_clock::now();
    const double cpu_begun = thread_seconds();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    // RGBA reads back faster than RGB; the alpha is the same in every frame and is never counted.
    glReadPixels(0, 0, s_gentle.width, s_gentle.height, GL_RGBA, GL_UNSIGNED_BYTE, flash_frame_buffer(&s_gentle.meter));
    const auto read = std::chrono::steady_clock::now();

    read_flash_frame(&s_gentle.meter);
    const FlashStep step = preview_flash_frame(s_gentle.meter, t);
    if (!flash_step_fails(step)) {
        take_flash_frame(&s_gentle.meter, t);
    } else {
        memcpy(s_gentle.drawn.data(), flash_frame_buffer(&s_gentle.meter), s_gentle.drawn.size());
        const bool general = step.general_flashes > kFlashesPerSecond;
        const bool red = step.red_flashes > kFlashesPerSecond;
        uint32_t factor = blend_factor(general, red);
        // The blend is measured as it will be shown; a factor that rounding carried over is halved.
        for (int tries = 0;; ++tries) {
            if (tries == kTries) factor = 0;
            blend_frames(factor);
            read_flash_frame(&s_gentle.meter);
            if (factor == 0 || !flash_step_fails(preview_flash_frame(s_gentle.meter, t))) break;
            factor /= 2;
        }
        take_flash_frame(&s_gentle.meter, t);
        draw_blend();
        ++s_gentle.stats.blended;
    }

    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
    s_gentle.stats.cpu_seconds += thread_seconds() - cpu_begun;
    s_gentle.stats.wait_seconds += std::chrono::duration<double>(begun - asked).count();
    s_gentle.stats.read_seconds += std::chrono::duration<double>(read - begun).count();
    ++s_gentle.stats.frames;
    s_gentle.stats.seconds += seconds;
    if (seconds > s_gentle.stats.worst) s_gentle.stats.worst = seconds;
}

GentleViewStats gentle_view_stats() {
    return s_gentle.stats;
}

void close_gentle_view() {
    std::vector<uint8_t>().swap(s_gentle.drawn);
    s_gentle.meter = FlashMeter();
    s_gentle.open = false;
}
