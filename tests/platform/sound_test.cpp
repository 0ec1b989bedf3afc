// sound_test.cpp -- the sound layer: error codes and texts, streams, seeking, channels, CPU usage
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/sound.h"
#include "support/audio.h"

namespace {

class SoundTest : public testing::Test {
protected:
    static void SetUpTestSuite() { mp3_ = new std::string(make_test_mp3(15.0)); }
    static void TearDownTestSuite() {
        delete mp3_;
        mp3_ = nullptr;
    }
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        ASSERT_TRUE(sound_set_output(kSoundDefaultOutput));
        ASSERT_TRUE(sound_set_driver(0));
        ASSERT_TRUE(sound_init(kSoundRate, 32, 0));
    }
    void TearDown() override { sound_close(); }

    const uint8_t* data() const { return reinterpret_cast<const uint8_t*>(mp3_->data()); }
    static std::string* mp3_;
};

std::string* SoundTest::mp3_ = nullptr;

TEST(SoundErrors, TextsOfTheCodes) {
    EXPECT_STREQ(sound_error_text(0), "No errors");
    EXPECT_STREQ(sound_error_text(1), "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.");
    EXPECT_STREQ(sound_error_text(3), "Error initializing output device.");
    EXPECT_STREQ(sound_error_text(10), "Unknown file format");
    EXPECT_STREQ(sound_error_text(12), "Not enough memory ");
    EXPECT_STREQ(sound_error_text(18), "Required Mediaplayer codec is not installed");
    EXPECT_STREQ(sound_error_text(19), "Unknown error");
    EXPECT_STREQ(sound_error_text(-1), "Unknown error");
}

TEST(SoundErrors, CallsOutOfOrder) {
    const uint8_t byte = 0;
    EXPECT_EQ(sound_open_stream(&byte, 1), nullptr);
    EXPECT_EQ(sound_last_error(), kSoundNotInitialized);
    EXPECT_FALSE(sound_set_output(3));
    EXPECT_EQ(sound_last_error(), kSoundBadArgument);

    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_FALSE(sound_init(kSoundRate, 32, 0));
    EXPECT_EQ(sound_last_error(), kSoundOutputFailed);
    sound_close();
}

TEST_F(SoundTest, StreamsDecodeAndSeekToTheExactSample) {
    const std::vector<int16_t> reference = decode_mp3(*mp3_);
    ASSERT_GE(reference.size(), size_t(15 * kSoundRate * 2));

    SoundStream* stream = sound_open_stream(data(), mp3_->size());
    ASSERT_NE(stream, nullptr);
    std::vector<int16_t> got(4096 * 2);
    sound_read_stream(stream, got.data(), 4096);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), reference.begin())) << "from the start";

    for (int ms : {12500, 1, 7777}) {
        SCOPED_TRACE(ms);
        ASSERT_TRUE(sound_set_stream_time(stream, ms));
        sound_read_stream(stream, got.data(), 4096);
        const size_t first = size_t(ms) * kSoundRate / 1000 * 2;
        EXPECT_TRUE(std::equal(got.begin(), got.end(), reference.begin() + long(first)));
    }

    // Past the end: silence, and the stream stays over.
    ASSERT_TRUE(sound_set_stream_time(stream, 60000));
    sound_read_stream(stream, got.data(), 4096);
    EXPECT_EQ(std::count(got.begin(), got.end(), 0), long(got.size()));
    sound_close_stream(stream);
}

// Other rates are resampled to the output's; a seek must sound exactly as playing through to
// the same time does, the filter's frames before the seek included.
TEST_F(SoundTest, OtherRatesSeekAsPlayingThrough) {
    for (const auto& [rate, channels] : {std::pair{48000, 2}, std::pair{22050, 1}}) {
        SCOPED_TRACE(rate);
        const std::string mp3 = make_test_mp3(13.0, rate, channels);
        SoundStream* stream = sound_open_stream(reinterpret_cast<const uint8_t*>(mp3.data()), mp3.size());
        ASSERT_NE(stream, nullptr);
        const int at = 12500 * kSoundRate / 1000;
        std::vector<int16_t> through(size_t(at + 4096) * 2);
        sound_read_stream(stream, through.data(), at + 4096);
        std::vector<int16_t> seeked(4096 * 2);
        ASSERT_TRUE(sound_set_stream_time(stream, 12500));
        sound_read_stream(stream, seeked.data(), 4096);
        EXPECT_TRUE(std::equal(seeked.begin(), seeked.end(), through.begin() + long(at) * 2));
        EXPECT_GT(std::count_if(seeked.begin(), seeked.end(), [](int16_t v) { return std::abs(v) > 1000; }), 1000);

        ASSERT_TRUE(sound_set_stream_time(stream, 13000));
        sound_read_stream(stream, seeked.data(), 4096);
        EXPECT_EQ(std::count(seeked.begin(), seeked.end(), 0), long(seeked.size())) << "past the end";
        sound_close_stream(stream);
    }
}

// At 32000 Hz: played through, the song ends on its last frame, however long the filter reaches
// past it, and stays over; sought back to its start, where the filter reaches before the song, it
// sounds as it did the first time.
TEST_F(SoundTest, ResampledSongEndsOnTimeAndStartsAgain) {
    const std::string mp3 = make_test_mp3(2.0, 32000, 2);
    ASSERT_EQ(decode_mp3(mp3).size(), size_t(64000 * 2)) << "the reference is gapless";
    const long end = 64000L * kSoundRate / 32000;
    SoundStream* stream = sound_open_stream(reinterpret_cast<const uint8_t*>(mp3.data()), mp3.size());
    ASSERT_NE(stream, nullptr);
    std::vector<int16_t> through(size_t(end + 4096) * 2);
    sound_read_stream(stream, through.data(), int(end + 4096));
    long last = end + 4095;
    while (last >= 0 && through[size_t(last) * 2] == 0 && through[size_t(last) * 2 + 1] == 0) --last;
    EXPECT_GE(last, end - 3);
    EXPECT_LT(last, end) << "sound past the song's end";
    std::vector<int16_t> got(4096 * 2);
    sound_read_stream(stream, got.data(), 4096);
    EXPECT_EQ(std::count(got.begin(), got.end(), 0), long(got.size())) << "the stream starts again by itself";

    for (int ms : {0, 10}) {
        SCOPED_TRACE(ms);
        ASSERT_TRUE(sound_set_stream_time(stream, ms));
        sound_read_stream(stream, got.data(), 4096);
        EXPECT_TRUE(std::equal(got.begin(), got.end(), through.begin() + long(ms) * kSoundRate / 1000 * 2));
    }
    sound_close_stream(stream);
}

// A tone keeps its level through the resampler, to a tenth of a decibel, down from 48000 Hz and up
// from 32000, low and high in the band.
TEST_F(SoundTest, ResamplingKeepsATonesLevel) {
    const auto rms = [](const int16_t* samples, size_t frames) {
        double sum = 0.0;
        for (size_t i = 0; i < frames * 2; ++i) sum += double(samples[i]) * samples[i];
        return std::sqrt(sum / double(frames * 2));
    };
    for (int rate : {48000, 32000}) {
        for (double frequency : {1000.0, 10000.0}) {
            SCOPED_TRACE(std::to_string(rate) + " Hz, a tone of " + std::to_string(frequency));
            const std::string mp3 = make_tone_mp3(2.0, rate, frequency);
            // The file's own decode, its second half second to one and a half: whole periods.
            const std::vector<int16_t> reference = decode_mp3(mp3);
            const double in = rms(reference.data() + rate / 2 * 2, size_t(rate));
            SoundStream* stream = sound_open_stream(reinterpret_cast<const uint8_t*>(mp3.data()), mp3.size());
            ASSERT_NE(stream, nullptr);
            std::vector<int16_t> out(size_t(kSoundRate) * 3 / 2 * 2);
            sound_read_stream(stream, out.data(), kSoundRate * 3 / 2);
            sound_close_stream(stream);
            EXPECT_GT(in, 5000.0);
            EXPECT_NEAR(20.0 * std::log10(rms(out.data() + kSoundRate / 2 * 2, kSoundRate) / in), 0.0, 0.1);
        }
    }
}

TEST_F(SoundTest, WhatIsNoMp3) {
    const std::string text = "this is not an mp3 file at all, only words\n";
    std::string noise(20000, '\0');
    uint32_t x = 12345;
    for (char& c : noise) c = char((x = x * 1103515245 + 12345) >> 24);
    for (const std::string& bytes : {text, noise, std::string()}) {
        const uint8_t* first = reinterpret_cast<const uint8_t*>(bytes.data());
        EXPECT_EQ(sound_open_stream(first, bytes.size()), nullptr);
        EXPECT_EQ(sound_last_error(), kSoundNotMp3);
        EXPECT_EQ(sound_check_stream(first, bytes.size()), kSoundNotMp3) << "the check says what opening says";
    }
    EXPECT_EQ(sound_check_stream(data(), mp3_->size()), kSoundOk);
}

TEST_F(SoundTest, ChannelsAndPausing) {
    EXPECT_FALSE(sound_init(kSoundRate, 32, 0));
    EXPECT_EQ(sound_last_error(), kSoundAlreadyInitialized);

    SoundStream* stream = sound_open_stream(data(), mp3_->size());
    ASSERT_NE(stream, nullptr);
    for (int i = 0; i < 32; ++i) ASSERT_EQ(sound_play_stream(kSoundFreeChannel, stream, true), i);
    EXPECT_EQ(sound_play_stream(kSoundFreeChannel, stream, true), -1);
    EXPECT_EQ(sound_last_error(), kSoundNoFreeChannel);
    EXPECT_FALSE(sound_set_paused(32, false));
    EXPECT_EQ(sound_last_error(), kSoundBadArgument);
    EXPECT_TRUE(sound_set_paused(0, false));
    sound_close_stream(stream);
    EXPECT_FALSE(sound_set_paused(0, false)) << "closing the stream frees its channels";
}

// The statistics line shows it: some share once the stream plays, however slow the machine, within a
// generous wait.
TEST_F(SoundTest, CpuUsageOfAPlayingStream) {
    SoundStream* stream = sound_open_stream(data(), mp3_->size());
    ASSERT_NE(stream, nullptr);
    const int channel = sound_play_stream(kSoundFreeChannel, stream, true);
    ASSERT_GE(channel, 0);
    ASSERT_TRUE(sound_set_paused(channel, false));
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (sound_cpu_usage() == 0.0f && std::chrono::steady_clock::now() < give_up) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_GT(sound_cpu_usage(), 0.0f);
}

}  // namespace
