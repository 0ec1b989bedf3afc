// flash_meter.h -- general and red flashes counted over frames of RGB8 pixels, one frame at a time; no GL
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The rules' figures; varnel-capture's manual page gives their sources.
inline constexpr double kFlashLuminanceStep = 0.1;  // a pixel's change of relative luminance
inline constexpr double kFlashDarkerBelow = 0.8;    // ... where the darker of the two is below this
inline constexpr double kFlashArea = 0.25;          // a transition: this share of the frame or more
inline constexpr double kRedShare = 0.8;            // saturated red: R / (R + G + B) at least this
inline constexpr double kRedStep = 20.0;            // a red change: (R - G - B) x 320 moves by more
inline constexpr int kFlashesPerSecond = 3;         // a second with more flashes fails
// Counted transitions kept per kind: more in one second than this count as this many.
inline constexpr int kFlashRing = 256;

// How a frame differs from the frame taken before it: shares of the frame's pixels, 0 to 1.
struct FlashShares {
    float rose = 0.0f;      // luminance rose by kFlashLuminanceStep or more, the darker side below 0.8
    float fell = 0.0f;      // the same, falling
    float red_rose = 0.0f;  // a saturated red on either side, (R - G - B) x 320 up by more than 20
    float red_fell = 0.0f;
};

// A frame taken: its transitions, and the flashes of the second that ends with it.
struct FlashStep {
    int general = 0;         // +1 a rising transition, -1 a falling one, 0 none
    int red = 0;
    int general_flashes = 0;
    int red_flashes = 0;
};

// Transitions and flashes, one kind (general or red):
// - a frame is a transition when the risen or the fallen share is kFlashArea or more; when both
//   are, the larger says which way it went;
// - a transition counts when it goes the other way from the last one that counted (the first one
//   counts): a second rise after a rise is the same change going on;
// - a flash is two counted transitions: the flashes of a second are its counted transitions
//   halved, rounded down;
// - the second that ends with a frame at time t holds the frames after t - 1 s (half a
//   millisecond's slack for a clock that sums float steps): on a fixed clock of N fps, N frames;
// - that second fails when it holds more than kFlashesPerSecond flashes, general or red.
struct FlashKind {
    int last = 0;                  // the direction of the last counted transition, 0 before one
    double times[kFlashRing] = {}; // times of the counted transitions of the last second, a ring
    int first = 0;                 // the oldest of them
    int count = 0;
};

struct FlashMeter {
    int width = 0;
    int height = 0;
    int channels = 3;  // bytes per pixel, red, green and blue first: 3, or 4 for RGBA read back
    // The frame taken [taken] and the frame read or to be read [1 - taken], as given.
    std::vector<uint8_t> frames[2];
    int taken = 0;
    bool has_frame = false;  // a frame has been taken
    bool has_read = false;   // a frame has been read since
    FlashShares shares;      // the frame read, against the frame taken
    FlashKind general;
    FlashKind red;
};

// The meter for frames of width x height pixels of channels bytes: its buffers sized, nothing
// taken yet.
void open_flash_meter(FlashMeter* meter, int width, int height, int channels = 3);
// Forgets the frames and flashes seen; the buffers stay.
void clear_flash_meter(FlashMeter* meter);

// Where the next frame goes, to be read in place (rows in either order, tightly packed).
inline uint8_t* flash_frame_buffer(FlashMeter* meter) {
    return meter->frames[1 - meter->taken].data();
}
// The frame taken last, as it was given.
inline const uint8_t* taken_flash_frame(const FlashMeter& meter) {
    return meter.frames[meter.taken].data();
}
// Reads the frame in flash_frame_buffer and compares it with the frame taken last; all zero
// before one is.
FlashShares read_flash_frame(FlashMeter* meter);
// read_flash_frame in two steps, for frames read in bands: the pixels of rows [first_row,
// first_row + rows) of the frame in flash_frame_buffer that changed against the frame taken, and
// the read of the whole frame from those of all its rows, summed. count_flash_rows changes nothing:
// bands apart may be counted at once on different threads.
struct FlashCounts {
    size_t rose = 0, fell = 0, red_rose = 0, red_fell = 0;

    FlashCounts& operator+=(const FlashCounts& c) {
        rose += c.rose, fell += c.fell, red_rose += c.red_rose, red_fell += c.red_fell;
        return *this;
    }
};
FlashCounts count_flash_rows(const FlashMeter& meter, int first_row, int rows);
FlashShares read_flash_counts(FlashMeter* meter, const FlashCounts& counts);
// The same for a frame elsewhere, copied into the buffer first.
FlashShares read_flash_frame(FlashMeter* meter, const uint8_t* pixels);
// What taking the frame read last at time t would give, leaving the meter as it is.
FlashStep preview_flash_frame(const FlashMeter& meter, double t);
// Takes the frame read last, shown at time t (seconds, ascending): the next frame is compared with it.
FlashStep take_flash_frame(FlashMeter* meter, double t);

// Whether a step's second holds more flashes than allowed.
inline bool flash_step_fails(const FlashStep& step) {
    return step.general_flashes > kFlashesPerSecond || step.red_flashes > kFlashesPerSecond;
}

// The channel tables the meter reads with, for code that blends as it measures: an 8-bit sRGB
// value in linear light (1/65535), and its share of relative luminance per channel (1/65535).
extern const uint16_t* const kLinearOfSrgb;
extern const uint16_t* const kLuminanceOfSrgb[3];
// The counts of count_flash_rows between two frames of the given bytes per pixel: by the portable
// code, or with widest by the widest vectors the processor has for four bytes a pixel (the same
// counts, faster).
FlashCounts count_flash_changes(const uint8_t* old_frame, const uint8_t* new_frame, size_t pixels, int channels,
                                bool widest);
// A linear value (1/65535) back to 8-bit sRGB, rounded.
uint8_t srgb_of_linear(uint16_t linear);

// Relative luminance (1/65535) of one RGB8 pixel, and its redness as the meter keeps it.
inline uint16_t pixel_luminance(const uint8_t* p) {
    const uint32_t l = uint32_t(kLuminanceOfSrgb[0][p[0]]) + kLuminanceOfSrgb[1][p[1]] + kLuminanceOfSrgb[2][p[2]];
    return uint16_t(l > 65535 ? 65535 : l);
}
inline uint16_t pixel_redness(const uint8_t* p) {
    const int r = kLinearOfSrgb[p[0]], gb = kLinearOfSrgb[p[1]] + kLinearOfSrgb[p[2]];
    const int d = r > gb ? r - gb : 0;
    // R / (R + G + B) >= 0.8 is R >= 4 (G + B).
    const bool saturated = r > 0 && r >= 4 * gb;
    return uint16_t((d & ~1) | (saturated ? 1 : 0));
}
