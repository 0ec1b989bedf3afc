// flash_meter.cpp -- general and red flashes counted over frames of RGB8 pixels, one frame at a time; no GL
#include "render/flash_meter.h"

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

void open_flash_meter(FlashMeter* meter, int width, int height) {
    meter->width = width;
    meter->height = height;
    const size_t pixels = size_t(width) * size_t(height);
    for (int i = 0; i < 2; ++i) {
        meter->luminance[i].assign(pixels, 0);
        meter->redness[i].assign(pixels, 0);
    }
    clear_flash_meter(meter);
}

void clear_flash_meter(FlashMeter* meter) {
    meter->taken = 0;
    meter->has_frame = meter->has_read = false;
    meter->shares = FlashShares();
    meter->general = FlashKind();
    meter->red = FlashKind();
}

FlashShares read_flash_frame(FlashMeter* meter, const uint8_t* rgb) {
    const size_t pixels = meter->luminance[0].size();
    const uint16_t* old_l = meter->luminance[meter->taken].data();
    const uint16_t* old_r = meter->redness[meter->taken].data();
    uint16_t* new_l = meter->luminance[1 - meter->taken].data();
    uint16_t* new_r = meter->redness[1 - meter->taken].data();
    size_t rose = 0, fell = 0, red_rose = 0, red_fell = 0;
    for (size_t i = 0; i < pixels; ++i, rgb += 3) {
        const int l = pixel_luminance(rgb);
        new_l[i] = uint16_t(l);
        const int dl = l - old_l[i];
        // The darker side: the old value on a rise, the new one on a fall.
        rose += dl >= kStep && old_l[i] < kDarker;
        fell += -dl >= kStep && l < kDarker;
        // Red above green and blue in sRGB is red above them in linear light: any other pixel has
        // no redness and is no saturated red.
        const int r = rgb[0] > rgb[1] && rgb[0] > rgb[2] ? pixel_redness(rgb) : 0;
        new_r[i] = uint16_t(r);
        if ((r | old_r[i]) & 1) {
            const int dr = (r & ~1) - (old_r[i] & ~1);
            red_rose += dr > kRedChange;
            red_fell += -dr > kRedChange;
        }
    }
    FlashShares shares;
    if (meter->has_frame && pixels > 0) {
        const float n = float(pixels);
        shares = {float(rose) / n, float(fell) / n, float(red_rose) / n, float(red_fell) / n};
    }
    meter->shares = shares;
    meter->has_read = true;
    return shares;
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
