// flash_meter.cpp -- general and red flashes counted over frames of RGB8 pixels, one frame at a time; no GL
#include "render/flash_meter.h"

#include <algorithm>
#include <cmath>

namespace {

struct ChannelTables {
    uint16_t linear[256];        // sRGB decoded, 1/65535
    uint16_t luminance[3][256];  // 0.2126, 0.7152 and 0.0722 of it
    uint8_t srgb[65536];         // linear back to sRGB, rounded
};

ChannelTables make_tables() {
    ChannelTables t;
    const double weights[3] = {0.2126, 0.7152, 0.0722};
    for (int i = 0; i < 256; ++i) {
        const double c = i / 255.0;
        const double linear = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        t.linear[i] = uint16_t(std::lround(linear * 65535.0));
        for (int k = 0; k < 3; ++k) t.luminance[k][i] = uint16_t(std::lround(weights[k] * linear * 65535.0));
    }
    for (int i = 0; i < 65536; ++i) {
        const double linear = i / 65535.0;
        const double c = linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
        t.srgb[i] = uint8_t(std::lround(std::fmin(std::fmax(c, 0.0), 1.0) * 255.0));
    }
    return t;
}

const ChannelTables s_tables = make_tables();

// The thresholds in the meter's units of 1/65535.
constexpr int kStep = 6554;       // 0.1, rounded up: a change of 0.1 or more
constexpr int kDarker = 52428;    // 0.8: the darker side below it
constexpr int kRedChange = 4096;  // 20 / 320 = 1/16: a change of more than it

constexpr double kSlack = 0.0005;  // seconds: a second of frames on a clock that sums float steps

int direction_of(float rose, float fell) {
    if (rose < kFlashArea && fell < kFlashArea) return 0;
    return rose >= fell ? 1 : -1;
}

// The counted transitions still inside the second that ends at t, after a transition of the given
// direction at t is counted or not; with commit, the kind keeps it.
int count_kind(FlashKind* kind, int direction, double t, bool commit) {
    int first = kind->first, count = kind->count;
    while (count > 0 && kind->times[first] <= t - 1.0 + kSlack) {
        first = (first + 1) % kFlashRing;
        --count;
    }
    const bool counted = direction != 0 && direction != kind->last;
    if (counted) ++count;
    if (commit) {
        if (counted) {
            if (count > kFlashRing) {
                first = (first + 1) % kFlashRing;
                count = kFlashRing;
            }
            kind->times[(first + count - 1) % kFlashRing] = t;
            kind->last = direction;
        }
        kind->first = first;
        kind->count = count;
    }
    return (count > kFlashRing ? kFlashRing : count) / 2;
}

FlashStep step_of(FlashMeter* meter, double t, bool commit) {
    FlashStep step;
    if (meter->has_read) {
        step.general = direction_of(meter->shares.rose, meter->shares.fell);
        step.red = direction_of(meter->shares.red_rose, meter->shares.red_fell);
    }
    step.general_flashes = count_kind(&meter->general, step.general, t, commit);
    step.red_flashes = count_kind(&meter->red, step.red, t, commit);
    return step;
}

}  // namespace

const uint16_t* const kLinearOfSrgb = s_tables.linear;
const uint16_t* const kLuminanceOfSrgb[3] = {s_tables.luminance[0], s_tables.luminance[1], s_tables.luminance[2]};

uint8_t srgb_of_linear(uint16_t linear) {
    return s_tables.srgb[linear];
}

void open_flash_meter(FlashMeter* meter, int width, int height, int channels) {
    meter->width = width;
    meter->height = height;
    meter->channels = channels;
    for (std::vector<uint8_t>& frame : meter->frames) frame.assign(size_t(width) * size_t(height) * size_t(channels), 0);
    clear_flash_meter(meter);
}

void clear_flash_meter(FlashMeter* meter) {
    meter->taken = 0;
    meter->has_frame = meter->has_read = false;
    meter->shares = FlashShares();
    meter->general = FlashKind();
    meter->red = FlashKind();
}

namespace {

struct Counts {
    size_t rose = 0, fell = 0, red_rose = 0, red_fell = 0;
};

// How far the bytes of the two moved, at most.
template <size_t kBytes>
uint8_t most_moved(const uint8_t* o, const uint8_t* n) {
    uint8_t most = 0;
    for (size_t j = 0; j < kBytes; ++j) {
        const uint8_t d = n[j] > o[j] ? uint8_t(n[j] - o[j]) : uint8_t(o[j] - n[j]);
        most = d > most ? d : most;
    }
    return most;
}

// One 8-bit sRGB step is at most 0.0089 in linear light (from 254 to 255). So a pixel whose bytes
// moved by 10 or less changed luminance by less than 0.1, and one whose bytes moved by 2 or less
// changed R - G - B by less than 3 x 0.018 = 0.053, under 20 / 320: nothing that counts.
constexpr uint8_t kStillForLuminance = 10;
constexpr uint8_t kStillForRed = 2;

void count_pixel(const uint8_t* o, const uint8_t* n, Counts* counts) {
    const uint8_t moved = most_moved<3>(o, n);
    if (moved <= kStillForRed) return;
    if (moved > kStillForLuminance) {
        const int l_old = pixel_luminance(o), l_new = pixel_luminance(n);
        const int dl = l_new - l_old;
        // The darker side: the old value on a rise, the new one on a fall.
        counts->rose += dl >= kStep && l_old < kDarker;
        counts->fell += -dl >= kStep && l_new < kDarker;
    }
    // Red above green and blue in sRGB is red above them in linear light: any other pixel has no
    // redness and is no saturated red.
    const bool red_old = o[0] > o[1] && o[0] > o[2], red_new = n[0] > n[1] && n[0] > n[2];
    if (!red_old && !red_new) return;
    const int r_old = red_old ? pixel_redness(o) : 0;
    const int r_new = red_new ? pixel_redness(n) : 0;
    if ((r_old | r_new) & 1) {
        const int dr = (r_new & ~1) - (r_old & ~1);
        counts->red_rose += dr > kRedChange;
        counts->red_fell += -dr > kRedChange;
    }
}

// The frame in runs of 16 pixels: a run where nothing moved that could count is passed over whole.
template <int kChannels>
Counts count_changes(const uint8_t* o, const uint8_t* n, size_t pixels) {
    constexpr size_t kRun = 16;
    Counts counts;
    size_t i = 0;
    for (; i + kRun <= pixels; i += kRun, o += kRun * kChannels, n += kRun * kChannels) {
        if (most_moved<kRun * kChannels>(o, n) <= kStillForRed) continue;
        for (size_t j = 0; j < kRun; ++j) count_pixel(o + j * kChannels, n + j * kChannels, &counts);
    }
    for (; i < pixels; ++i, o += kChannels, n += kChannels) count_pixel(o, n, &counts);
    return counts;
}

}  // namespace

FlashShares read_flash_frame(FlashMeter* meter) {
    const size_t pixels = size_t(meter->width) * size_t(meter->height);
    const uint8_t* old_frame = meter->frames[meter->taken].data();
    const uint8_t* new_frame = meter->frames[1 - meter->taken].data();
    const Counts c = meter->channels == 4 ? count_changes<4>(old_frame, new_frame, pixels)
                                          : count_changes<3>(old_frame, new_frame, pixels);
    FlashShares shares;
    if (meter->has_frame && pixels > 0) {
        const float count = float(pixels);
        shares = {float(c.rose) / count, float(c.fell) / count, float(c.red_rose) / count, float(c.red_fell) / count};
    }
    meter->shares = shares;
    meter->has_read = true;
    return shares;
}

FlashShares read_flash_frame(FlashMeter* meter, const uint8_t* pixels) {
    std::copy(pixels, pixels + meter->frames[0].size(), flash_frame_buffer(meter));
    return read_flash_frame(meter);
}

FlashStep preview_flash_frame(const FlashMeter& meter, double t) {
    return step_of(const_cast<FlashMeter*>(&meter), t, false);
}

FlashStep take_flash_frame(FlashMeter* meter, double t) {
    const FlashStep step = step_of(meter, t, true);
    if (meter->has_read) {
        meter->taken = 1 - meter->taken;
        meter->has_frame = true;
        meter->has_read = false;
    }
    return step;
}
