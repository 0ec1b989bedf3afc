// audio.h -- MP3s made for the tests with libmp3lame, and reference decodes by the mpg123 program
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// An MP3 of the given length at rate, stereo or mono, with the LAME header that records the
// encoder's delay: a rising chirp in the left channel and a falling one in the right (their sum in
// mono), so that every stretch of it is unlike every other, and a click at each of the song times
// in kClickTimes.
std::string make_test_mp3(double seconds, int rate = 44100, int channels = 2);
inline constexpr double kClickTimes[] = {1.0, 13.0};

// A stereo MP3 of a sine at frequency, at rate.
std::string make_tone_mp3(double seconds, int rate, double frequency);

// The whole MP3 as the mpg123 program decodes it: interleaved signed 16-bit stereo at the file's
// rate, gapless.
std::vector<int16_t> decode_mp3(const std::string& mp3);

// Where needle first occurs in haystack, in samples, or -1.
long find_samples(const std::vector<int16_t>& haystack, const int16_t* needle, size_t count);
