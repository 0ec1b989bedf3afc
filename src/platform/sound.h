// sound.h -- the sound layer: MP3 streams decoded from memory and played through SDL audio
#pragma once

#include <cstddef>
#include <cstdint>

// Error codes of sound_last_error; their texts are sound_error_text's.
enum SoundError {
    kSoundOk = 0,
    kSoundAlreadyInitialized = 1,
    kSoundNotInitialized = 2,
    kSoundOutputFailed = 3,  // the output device could not be opened
    kSoundNotMp3 = 10,
    kSoundDecodeFailed = 11,
    kSoundNoMemory = 12,
    kSoundBadArgument = 14,
    kSoundNoFreeChannel = 16,
};

inline constexpr int kSoundRate = 44100;       // output: signed 16-bit stereo at this rate
inline constexpr int kSoundDefaultOutput = 2;  // the system's default output
inline constexpr int kSoundFreeChannel = -1;   // play on the first free channel

struct SoundStream;

float sound_version();
bool sound_set_output(int output);
bool sound_set_driver(int driver);
// Opens the output device at rate with the given number of channels; flags must be 0.
bool sound_init(int rate, int channels, unsigned flags);

// A stream over an MP3 held in memory; the caller keeps data alive while the stream exists. Any
// MP3 sample rate, mono or stereo, is read as stereo at kSoundRate, without the encoder's delay.
// nullptr when it is no MP3 or the layer is not initialised.
SoundStream* sound_open_stream(const uint8_t* data, size_t length);
// Opens data as sound_open_stream does, but without the layer or an output device, decodes its first
// frame and closes it again: kSoundOk, or the code that opening or decoding would set for these bytes.
int sound_check_stream(const uint8_t* data, size_t length);
// Positions the stream so that the first sample read is the one at ms milliseconds.
bool sound_set_stream_time(SoundStream* stream, int ms);
// Plays the stream on channel (kSoundFreeChannel: the first free one); returns the channel or -1.
int sound_play_stream(int channel, SoundStream* stream, bool paused);
bool sound_set_paused(int channel, bool paused);
// Decodes the next frames of the stream as interleaved stereo samples; frames past its end are
// silence. This is what playback hears; varnel-capture uses it to write the soundtrack.
void sound_read_stream(SoundStream* stream, int16_t* samples, int frames);
void sound_close_stream(SoundStream* stream);
void sound_close();

int sound_last_error();
const char* sound_error_text(int code);
// Share of wall time the audio thread spends decoding and mixing, in percent, smoothed over about
// a second. Safe to read from any thread.
float sound_cpu_usage();
