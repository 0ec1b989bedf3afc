// flash_meter.cpp -- general and red flashes counted over frames of RGB8 pixels, one frame at a time; no GL
#include "render/flash_meter.h"

#include <algorithm>
#include <cmath>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define VARNEL_FLASH_AVX2 1
#endif

namespace {

struct ChannelTables {
    uint16_t linear[256];        // sRGB decoded, 1/65535
    uint16_t luminance[3][256];  // 0.2126, 0.7152 and 0.0722 of it
    uint8_t srgb[65536];         // linear back to sRGB, rounded
    int32_t linear32[256];       // the same tables in 32-bit entries, to gather from
    int32_t luminance32[3][256];
};

ChannelTables make_tables() {
    ChannelTables t;
    const double weights[3] = {0.2126, 0.7152, 0.0722};
    for (int i = 0; i < 256; ++i) {
        const double c = i / 255.0;
        const double linear = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        t.linear[i] = uint16_t(std::lround(linear * 65535.0));
        for (int k = 0; k < 3; ++k) t.luminance[k][i] = uint16_t(std::lround(weights[k] * linear * 65535.0));
        t.linear32[i] = t.linear[i];
        for (int k = 0; k < 3; ++k) t.luminance32[k][i] = t.luminance[k][i];
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

void count_pixel(const uint8_t* o, const uint8_t* n, FlashCounts* counts) {
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
FlashCounts count_changes(const uint8_t* o, const uint8_t* n, size_t pixels) {
    constexpr size_t kRun = 16;
    FlashCounts counts;
    size_t i = 0;
    for (; i + kRun <= pixels; i += kRun, o += kRun * kChannels, n += kRun * kChannels) {
        if (most_moved<kRun * kChannels>(o, n) <= kStillForRed) continue;
        for (size_t j = 0; j < kRun; ++j) count_pixel(o + j * kChannels, n + j * kChannels, &counts);
    }
    for (; i < pixels; ++i, o += kChannels, n += kChannels) count_pixel(o, n, &counts);
    return counts;
}

#if VARNEL_FLASH_AVX2

// Eight RGBA pixels in 32-bit lanes: their luminance and their redness as pixel_luminance and
// pixel_redness give them, zero where red is not above green and blue.
struct Lanes {
    __m256i luminance, redness;
};

__attribute__((target("avx2"))) inline Lanes lanes_of(__m256i pixels) {
    const __m256i byte = _mm256_set1_epi32(0xFF), zero = _mm256_setzero_si256();
    const __m256i one = _mm256_set1_epi32(1), even = _mm256_set1_epi32(~1);
    const __m256i r = _mm256_and_si256(pixels, byte);
    const __m256i g = _mm256_and_si256(_mm256_srli_epi32(pixels, 8), byte);
    const __m256i b = _mm256_and_si256(_mm256_srli_epi32(pixels, 16), byte);
    const int32_t(*lum)[256] = s_tables.luminance32;
    __m256i l = _mm256_add_epi32(_mm256_i32gather_epi32(lum[0], r, 4), _mm256_i32gather_epi32(lum[1], g, 4));
    l = _mm256_min_epi32(_mm256_add_epi32(l, _mm256_i32gather_epi32(lum[2], b, 4)), _mm256_set1_epi32(65535));
    const __m256i red = _mm256_and_si256(_mm256_cmpgt_epi32(r, g), _mm256_cmpgt_epi32(r, b));
    if (_mm256_testz_si256(red, red)) return {l, zero};
    const __m256i lr = _mm256_i32gather_epi32(s_tables.linear32, r, 4);
    const __m256i gb = _mm256_add_epi32(_mm256_i32gather_epi32(s_tables.linear32, g, 4),
                                        _mm256_i32gather_epi32(s_tables.linear32, b, 4));
    const __m256i d = _mm256_max_epi32(_mm256_sub_epi32(lr, gb), zero);
    // r > 0 and r >= 4 (g + b)
    const __m256i saturated = _mm256_and_si256(_mm256_cmpgt_epi32(lr, zero),
                                               _mm256_cmpgt_epi32(lr, _mm256_sub_epi32(_mm256_slli_epi32(gb, 2), one)));
    const __m256i redness = _mm256_or_si256(_mm256_and_si256(d, even), _mm256_and_si256(saturated, one));
    return {l, _mm256_and_si256(red, redness)};
}

// count_changes<4>, eight pixels at a time: the same counts.
__attribute__((target("avx2"))) FlashCounts count_changes_avx2(const uint8_t* o, const uint8_t* n, size_t pixels) {
    const __m256i zero = _mm256_setzero_si256(), one = _mm256_set1_epi32(1), even = _mm256_set1_epi32(~1);
    const __m256i step = _mm256_set1_epi32(kStep - 1), darker = _mm256_set1_epi32(kDarker);
    const __m256i red_change = _mm256_set1_epi32(kRedChange);
    const __m256i colour = _mm256_set1_epi32(0x00FFFFFF), still = _mm256_set1_epi8(char(kStillForRed));
    // Lanes count down by one for each pixel that counts.
    __m256i rose = zero, fell = zero, red_rose = zero, red_fell = zero;
    size_t i = 0;
    for (; i + 8 <= pixels; i += 8) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(o + 4 * i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(n + 4 * i));
        const __m256i moved = _mm256_or_si256(_mm256_subs_epu8(a, b), _mm256_subs_epu8(b, a));
        if (_mm256_testz_si256(_mm256_subs_epu8(moved, still), colour)) continue;
        const Lanes was = lanes_of(a), is = lanes_of(b);
        const __m256i dl = _mm256_sub_epi32(is.luminance, was.luminance);
        rose = _mm256_add_epi32(rose, _mm256_and_si256(_mm256_cmpgt_epi32(dl, step),
                                                       _mm256_cmpgt_epi32(darker, was.luminance)));
        fell = _mm256_add_epi32(fell, _mm256_and_si256(_mm256_cmpgt_epi32(_mm256_sub_epi32(zero, dl), step),
                                                       _mm256_cmpgt_epi32(darker, is.luminance)));
        const __m256i either = _mm256_cmpeq_epi32(_mm256_and_si256(_mm256_or_si256(was.redness, is.redness), one), one);
        const __m256i dr = _mm256_sub_epi32(_mm256_and_si256(is.redness, even), _mm256_and_si256(was.redness, even));
        red_rose = _mm256_add_epi32(red_rose, _mm256_and_si256(either, _mm256_cmpgt_epi32(dr, red_change)));
        red_fell = _mm256_add_epi32(red_fell, _mm256_and_si256(either, _mm256_cmpgt_epi32(_mm256_sub_epi32(zero, dr), red_change)));
    }
    alignas(32) int32_t lanes[4][8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes[0]), rose);
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes[1]), fell);
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes[2]), red_rose);
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes[3]), red_fell);
    FlashCounts counts;
    for (int k = 0; k < 8; ++k) {
        counts.rose -= lanes[0][k];
        counts.fell -= lanes[1][k];
        counts.red_rose -= lanes[2][k];
        counts.red_fell -= lanes[3][k];
    }
    for (; i < pixels; ++i) count_pixel(o + 4 * i, n + 4 * i, &counts);
    return counts;
}

const bool s_has_avx2 = __builtin_cpu_supports("avx2");

#endif

}  // namespace

FlashCounts count_flash_changes(const uint8_t* old_frame, const uint8_t* new_frame, size_t pixels, int channels, bool widest) {
#if VARNEL_FLASH_AVX2
    if (widest && channels == 4 && s_has_avx2) return count_changes_avx2(old_frame, new_frame, pixels);
#endif
    (void)widest;
    return channels == 4 ? count_changes<4>(old_frame, new_frame, pixels) : count_changes<3>(old_frame, new_frame, pixels);
}

FlashCounts count_flash_rows(const FlashMeter& meter, int first_row, int rows) {
    const size_t row = size_t(meter.width) * size_t(meter.channels);
    const size_t offset = size_t(first_row) * row;
    return count_flash_changes(meter.frames[meter.taken].data() + offset, meter.frames[1 - meter.taken].data() + offset,
                               size_t(rows) * size_t(meter.width), meter.channels, true);
}

FlashShares read_flash_counts(FlashMeter* meter, const FlashCounts& c) {
    const size_t pixels = size_t(meter->width) * size_t(meter->height);
    FlashShares shares;
    if (meter->has_frame && pixels > 0) {
        const float count = float(pixels);
        shares = {float(c.rose) / count, float(c.fell) / count, float(c.red_rose) / count, float(c.red_fell) / count};
    }
    meter->shares = shares;
    meter->has_read = true;
    return shares;
}

FlashShares read_flash_frame(FlashMeter* meter) {
    return read_flash_counts(meter, count_flash_rows(*meter, 0, meter->height));
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
