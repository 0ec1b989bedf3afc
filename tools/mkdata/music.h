// music.h -- the soundtrack: composed in code, rendered, and encoded as MP3
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The whole track: kMusicFrames frames of interleaved 16-bit stereo at 44100 Hz (see show.h).
std::vector<int16_t> render_song();

// MPEG-1 layer III, 44100 Hz joint stereo at a constant 160 kbit/s, through libmp3lame. The first
// frame is the encoder's Info tag, which tells decoders the encoder delay and padding so that the
// decoded length is the rendered one. No ID3 tag. "" and a message on failure.
std::string encode_mp3(const std::vector<int16_t>& interleaved, std::string* error);
