// flash_meter_test.cpp -- the flash meter on synthetic strobes: rates, red, area and the darker side
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "render/flash_meter.h"

namespace {

constexpr int kSize = 40;
constexpr int kFps = 60;

struct Colour {
    uint8_t r, g, b;
};

struct Strobe {
    const char* name;
    Colour off, on;
    int on_frames, off_frames;  // one period of the strobe, at 60 fps
    double area;                // share of the frame, a band of rows from the top, that strobes
    bool fails;
    int general, red;           // the most flashes in a second
};

// Three seconds of the strobe through a fresh meter: the most flashes of any second.
FlashStep run(const Strobe& s) {
    FlashMeter meter;
    open_flash_meter(&meter, kSize, kSize);
    std::vector<uint8_t> frame(size_t(kSize) * kSize * 3);
    FlashStep most;
    for (int i = 0; i < 3 * kFps; ++i) {
        const bool on = i % (s.on_frames + s.off_frames) < s.on_frames;
        const int rows = int(s.area * kSize + 0.5);
        for (int y = 0; y < kSize; ++y) {
            const Colour c = on && y < rows ? s.on : s.off;
            for (int x = 0; x < kSize; ++x) {
                uint8_t* p = &frame[(size_t(y) * kSize + x) * 3];
                p[0] = c.r, p[1] = c.g, p[2] = c.b;
            }
        }
        read_flash_frame(&meter, frame.data());
        const FlashStep step = take_flash_frame(&meter, double(i) / kFps);
        most.general_flashes = std::max(most.general_flashes, step.general_flashes);
        most.red_flashes = std::max(most.red_flashes, step.red_flashes);
    }
    return most;
}

TEST(FlashMeter, CountsFlashesPerSecond) {
    constexpr Colour kBlack{0, 0, 0}, kWhite{255, 255, 255}, kRed{149, 0, 0}, kPale{235, 235, 235};
    const Strobe strobes[] = {
        {"10 Hz black and white", kBlack, kWhite, 3, 3, 1.0, true, 10, 0},
        {"4 Hz: 8 transitions in a second", kBlack, kWhite, 8, 7, 1.0, true, 4, 0},
        {"3 Hz: three flashes are allowed", kBlack, kWhite, 10, 10, 1.0, false, 3, 0},
        {"2 Hz", kBlack, kWhite, 15, 15, 1.0, false, 2, 0},
        // Linear red 0.3: luminance moves by 0.064, under the general step; the red rule alone fails.
        {"10 Hz saturated red", kBlack, kRed, 3, 3, 1.0, true, 0, 10},
        {"10 Hz over a fifth of the frame", kBlack, kWhite, 3, 3, 0.2, false, 0, 0},
        {"10 Hz on a quarter of the frame", kBlack, kWhite, 3, 3, 0.25, true, 10, 0},
        {"10 Hz between two bright greys", kPale, kWhite, 3, 3, 1.0, false, 0, 0},
    };
    for (const Strobe& s : strobes) {
        SCOPED_TRACE(s.name);
        const FlashStep most = run(s);
        EXPECT_EQ(flash_step_fails(most), s.fails);
        EXPECT_EQ(most.general_flashes, s.general);
        EXPECT_EQ(most.red_flashes, s.red);
    }
}

// A cut to a bright scene and, later, a fade back are one flash, however many frames the fade takes
// past the first transition; a second that begins after the first transition no longer holds it.
TEST(FlashMeter, RepeatedRisesAreOneTransition) {
    FlashMeter meter;
    open_flash_meter(&meter, 4, 4);
    std::vector<uint8_t> frame(4 * 4 * 3);
    const uint8_t levels[] = {0, 120, 180, 255, 255, 0};
    FlashStep step;
    for (int i = 0; i < 6; ++i) {
        std::fill(frame.begin(), frame.end(), levels[i]);
        read_flash_frame(&meter, frame.data());
        step = take_flash_frame(&meter, i / 60.0);
        if (i >= 1 && i <= 3) {
            EXPECT_EQ(step.general, 1) << i;
        }
    }
    EXPECT_EQ(step.general, -1);
    EXPECT_EQ(step.general_flashes, 1);
    std::fill(frame.begin(), frame.end(), 0);
    read_flash_frame(&meter, frame.data());
    EXPECT_EQ(take_flash_frame(&meter, 1.5).general_flashes, 0);
}

// Frames whose pixels move by every size that the counting passes over or counts, red ones among
// them, an odd number of pixels wide: the vectors count what the portable code counts, per band
// and over the frame, in RGBA as in RGB.
TEST(FlashMeter, EveryWayOfCountingAgrees) {
    constexpr int kWidth = 203, kHeight = 9;
    constexpr size_t kPixels = size_t(kWidth) * kHeight;
    std::mt19937 random(7);
    auto byte = [&](int lo, int hi) { return uint8_t(std::uniform_int_distribution<int>(lo, hi)(random)); };
    FlashMeter meter;
    open_flash_meter(&meter, kWidth, kHeight, 4);
    std::vector<uint8_t> old_rgb(kPixels * 3), new_rgb(kPixels * 3);
    for (int round = 0; round < 40; ++round) {
        uint8_t* old_rgba = meter.frames[meter.taken].data();
        uint8_t* new_rgba = flash_frame_buffer(&meter);
        const int moves[] = {0, 2, 3, 10, 11, 40, 255};
        const int most = moves[round % 7];
        for (size_t i = 0; i < kPixels; ++i) {
            uint8_t o[4] = {byte(0, 255), byte(0, 255), byte(0, 255), byte(0, 255)};
            if (i % 3 == 0) o[1] = byte(0, 40), o[2] = byte(0, 40);  // red above the others
            for (int c = 0; c < 4; ++c) {
                const int moved = o[c] + (i % 5 == 0 ? 0 : std::uniform_int_distribution<int>(-most, most)(random));
                old_rgba[i * 4 + c] = o[c];
                new_rgba[i * 4 + c] = uint8_t(std::clamp(moved, 0, 255));
                if (c < 3) old_rgb[i * 3 + c] = o[c], new_rgb[i * 3 + c] = new_rgba[i * 4 + c];
            }
        }
        SCOPED_TRACE(round);
        const FlashCounts portable = count_flash_changes(old_rgba, new_rgba, kPixels, 4, false);
        const FlashCounts rgb = count_flash_changes(old_rgb.data(), new_rgb.data(), kPixels, 3, false);
        FlashCounts widest = count_flash_changes(old_rgba, new_rgba, kPixels, 4, true), bands;
        for (int y = 0; y < kHeight; y += 4) bands += count_flash_rows(meter, y, std::min(4, kHeight - y));
        for (const FlashCounts& c : {rgb, widest, bands}) {
            EXPECT_EQ(c.rose, portable.rose);
            EXPECT_EQ(c.fell, portable.fell);
            EXPECT_EQ(c.red_rose, portable.red_rose);
            EXPECT_EQ(c.red_fell, portable.red_fell);
        }
        if (most >= 40) {
            EXPECT_GT(portable.rose + portable.red_rose, 0u);
        }
    }
}

}  // namespace
