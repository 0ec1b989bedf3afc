// audio.h -- MP3s made for the tests with libmp3lame, and reference decodes with libmpg123
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A stereo 44100 Hz MP3 of the given length: a rising chirp in the left channel and a falling one
// in the right, so that every stretch of it is unlike every other.
std::string make_test_mp3(double seconds);

// The whole MP3 decoded to interleaved signed 16-bit stereo samples at 44100 Hz.
std::vector<int16_t> decode_mp3(const std::string& mp3);

// Where needle first occurs in haystack, in samples, or -1.
long find_samples(const std::vector<int16_t>& haystack, const int16_t* needle, size_t count);
