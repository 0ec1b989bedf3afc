// gentle_view.cpp -- gentle viewing: a frame that would flash beyond the limits blended toward the one shown before
#include "render/gentle_view.h"

#include <GL/gl.h>

#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>
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
constexpr int kBands = 8;                     // bands of rows read back one by one, counted as they come

enum { kRise, kFall, kRedRise, kRedFall };

// A thread that counts the bands of the frame against the last frame shown while the next ones are
// read back; what it has not taken when the last band is in, this thread counts beside it. Bands
// are numbered over all frames: frame f's are f x kBands to f x kBands + kBands - 1.
struct BandCounter {
    std::thread thread;
    std::atomic<uint32_t> read{0};     // bands read back
    std::atomic<uint32_t> claimed{0};  // bands taken to count, by either thread: never more than read
    std::atomic<uint32_t> counted{0};  // bands counted
    std::atomic<bool> stop{false};
    FlashCounts counts[kBands];        // the frame's bands, each once counted says it is there
    double cpu_seconds[kBands];        // the counting thread's processor time on each, 0 on this one's
};

struct GentleState {
    bool open = false;
    int width = 0;
    int height = 0;
    FlashMeter meter;                  // over the frames shown, RGBA as read back: its frame taken is
                                       // the last frame shown
    std::vector<uint8_t> drawn;        // the frame as drawn, kept while blends of it are measured
    int histogram[4][kBins];           // per kind of change, the pixels that would count, by size of change
    BandCounter bands;                 // on a processor with more than one core
    GentleViewStats stats;
} s_gentle;

// This thread's processor time: on a busy machine, what the pass costs without the time others ran.
double thread_seconds() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

int band_row(int band) {
    return int(int64_t(s_gentle.height) * band / kBands);
}

// Counts band `band` unless the other thread has taken it first.
void count_band(uint32_t band, bool on_counter) {
    BandCounter& c = s_gentle.bands;
    if (!c.claimed.compare_exchange_strong(band, band + 1, std::memory_order_acq_rel)) return;
    const int k = int(band % kBands);
    const double begun = on_counter ? thread_seconds() : 0.0;
    c.counts[k] = count_flash_rows(s_gentle.meter, band_row(k), band_row(k + 1) - band_row(k));
    c.cpu_seconds[k] = on_counter ? thread_seconds() - begun : 0.0;
    c.counted.fetch_add(1, std::memory_order_release);
    c.counted.notify_one();
}

void count_bands() {
    BandCounter& c = s_gentle.bands;
    for (;;) {
        const uint32_t next = c.claimed.load(std::memory_order_acquire);
        const uint32_t read = c.read.load(std::memory_order_acquire);
        if (c.stop.load(std::memory_order_acquire)) return;
        if (next == read) {
            c.read.wait(read, std::memory_order_acquire);
        } else {
            count_band(next, true);
        }
    }
}

// Reads the frame drawn back into the meter and counts it there.
void read_back() {
    uint8_t* frame = flash_frame_buffer(&s_gentle.meter);
    const size_t row = size_t(s_gentle.width) * 4;
    if (!s_gentle.bands.thread.joinable()) {
        glReadPixels(0, 0, s_gentle.width, s_gentle.height, GL_RGBA, GL_UNSIGNED_BYTE, frame);
        read_flash_frame(&s_gentle.meter);
        return;
    }
    BandCounter& c = s_gentle.bands;
    for (int k = 0; k < kBands; ++k) {
        const int y = band_row(k);
        glReadPixels(0, y, s_gentle.width, band_row(k + 1) - y, GL_RGBA, GL_UNSIGNED_BYTE, frame + size_t(y) * row);
        c.read.fetch_add(1, std::memory_order_release);
        c.read.notify_one();
    }
    const uint32_t end = c.read.load(std::memory_order_relaxed);  // this thread's own count
    for (uint32_t next; (next = c.claimed.load(std::memory_order_acquire)) != end;) count_band(next, false);
    for (uint32_t counted; (counted = c.counted.load(std::memory_order_acquire)) != end;) {
        c.counted.wait(counted, std::memory_order_acquire);
    }
    FlashCounts sum;
    for (int k = 0; k < kBands; ++k) {
        sum += c.counts[k];
        s_gentle.stats.cpu_seconds += c.cpu_seconds[k];
    }
    read_flash_counts(&s_gentle.meter, sum);
}

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

}  // namespace

void open_gentle_view(int width, int height) {
    s_gentle.width = width;
    s_gentle.height = height;
    s_gentle.drawn.assign(size_t(width) * size_t(height) * 4, 0);
    open_flash_meter(&s_gentle.meter, width, height, 4);
    s_gentle.stats = GentleViewStats();
    if (std::thread::hardware_concurrency() > 1 && !s_gentle.bands.thread.joinable()) {
        s_gentle.bands.read = s_gentle.bands.claimed = s_gentle.bands.counted = 0;
        s_gentle.bands.stop = false;
        s_gentle.bands.thread = std::thread(count_bands);
    }
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
    // RGBA, which the meter counts eight pixels at a time; the alpha is never counted.
    read_back();
    const auto read = std::chrono::steady_clock::now();

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
    if (s_gentle.bands.thread.joinable()) {
        s_gentle.bands.stop.store(true, std::memory_order_release);
        s_gentle.bands.read.fetch_add(1, std::memory_order_release);
        s_gentle.bands.read.notify_one();
        s_gentle.bands.thread.join();
    }
    std::vector<uint8_t>().swap(s_gentle.drawn);
    s_gentle.meter = FlashMeter();
    s_gentle.open = false;
}
