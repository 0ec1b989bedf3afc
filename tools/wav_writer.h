// wav_writer.h -- 16-bit stereo 44100 Hz WAV files
#pragma once

#include <cstdint>
#include <cstdio>

// Writes the 44-byte header of a WAV holding frames stereo frames; the samples follow it.
bool write_wav_header(FILE* file, uint32_t frames);
