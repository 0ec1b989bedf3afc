// sound.cpp -- the sound layer: libmpg123 decodes on SDL's audio thread, SDL plays
#include "platform/sound.h"

#include <SDL.h>
#include <mpg123.h>

#include <atomic>
#include <cstring>
#include <new>
#include <vector>

struct SoundStream {
    mpg123_handle* decoder = nullptr;
    const uint8_t* data = nullptr;  // the whole MP3, the caller's
    size_t length = 0;
    size_t position = 0;            // read position of the decoder's reader
    bool ended = false;             // the decoder has delivered its last sample
};

namespace {

constexpr int kMaxChannels = 256;
constexpr int kMaxStreams = 8;
constexpr int kCallbackFrames = 1024;  // ~23 ms at 44100 Hz

struct Channel {
    SoundStream* stream = nullptr;  // nullptr: free
    bool paused = true;
};

struct SoundState {
    int error = kSoundOk;
    int output = kSoundDefaultOutput;
    int driver = 0;
    bool initialized = false;
    SDL_AudioDeviceID device = 0;
    int channel_count = 0;
    Channel channels[kMaxChannels];             // written under the device lock
    SoundStream streams[kMaxStreams];           // a stream is in use while it has a decoder
    std::vector<int16_t> mix;                   // one callback's worth, sized at init
    uint64_t last_callback = 0;                 // counter at the start of the previous callback
    std::atomic<float> cpu_usage{0.0f};
} s_sound;

bool fail(int code) {
    s_sound.error = code;
    return false;
}

int fail_channel(int code) {
    s_sound.error = code;
    return -1;
}

// The decoder's reader over the caller's buffer.
mpg123_ssize_t read_memory(void* handle, void* buffer, size_t bytes) {
    SoundStream* stream = static_cast<SoundStream*>(handle);
    const size_t left = stream->length - stream->position;
    if (bytes > left) bytes = left;
    memcpy(buffer, stream->data + stream->position, bytes);
    stream->position += bytes;
    return mpg123_ssize_t(bytes);
}

off_t seek_memory(void* handle, off_t offset, int whence) {
    SoundStream* stream = static_cast<SoundStream*>(handle);
    off_t base = 0;
    if (whence == SEEK_CUR) base = off_t(stream->position);
    if (whence == SEEK_END) base = off_t(stream->length);
    const off_t target = base + offset;
    if (target < 0 || target > off_t(stream->length)) return -1;
    stream->position = size_t(target);
    return target;
}

// Adds src to dst with saturation.
void mix_into(int16_t* dst, const int16_t* src, int count) {
    for (int i = 0; i < count; ++i) {
        const int sum = dst[i] + src[i];
        dst[i] = int16_t(sum > 32767 ? 32767 : sum < -32768 ? -32768 : sum);
    }
}

void SDLCALL audio_callback(void*, Uint8* out, int bytes) {
    const uint64_t begin = SDL_GetPerformanceCounter();
    int16_t* samples = reinterpret_cast<int16_t*>(out);
    const int frames = bytes / 4;
    memset(out, 0, size_t(bytes));

    bool first = true;
    for (int i = 0; i < s_sound.channel_count; ++i) {
        Channel& channel = s_sound.channels[i];
        if (!channel.stream || channel.paused) continue;
        if (first) {
            sound_read_stream(channel.stream, samples, frames);
            first = false;
        } else {
            const int chunk = frames < kCallbackFrames ? frames : kCallbackFrames;
            for (int done = 0; done < frames;) {
                const int n = frames - done < chunk ? frames - done : chunk;
                sound_read_stream(channel.stream, s_sound.mix.data(), n);
                mix_into(samples + done * 2, s_sound.mix.data(), n * 2);
                done += n;
            }
        }
    }

    // Busy time over the wall time since the previous callback, smoothed with a time constant of
    // about a second.
    const uint64_t end = SDL_GetPerformanceCounter();
    if (s_sound.last_callback != 0 && begin > s_sound.last_callback) {
        const float wall = float(begin - s_sound.last_callback);
        const float busy = float(end - begin);
        const float weight = wall / float(SDL_GetPerformanceFrequency());
        const float a = weight < 1.0f ? weight : 1.0f;
        const float old = s_sound.cpu_usage.load(std::memory_order_relaxed);
        s_sound.cpu_usage.store(old + (busy * 100.0f / wall - old) * a, std::memory_order_relaxed);
    }
    s_sound.last_callback = begin;
}

bool valid_channel(int channel) {
    return channel >= 0 && channel < s_sound.channel_count;
}

}  // namespace

float sound_version() {
    return 3.75f;
}

bool sound_set_output(int output) {
    if (s_sound.initialized) return fail(kSoundAlreadyInitialized);
    if (output != kSoundDefaultOutput) return fail(kSoundBadArgument);
    s_sound.output = output;
    return true;
}

bool sound_set_driver(int driver) {
    if (s_sound.initialized) return fail(kSoundAlreadyInitialized);
    // Driver 0 is the system's default device, the only one offered.
    if (driver != 0) return fail(kSoundBadArgument);
    s_sound.driver = driver;
    return true;
}

bool sound_init(int rate, int channels, unsigned flags) {
    if (s_sound.initialized) return fail(kSoundAlreadyInitialized);
    if (rate != kSoundRate || channels < 1 || channels > kMaxChannels || flags != 0) return fail(kSoundBadArgument);
    if (mpg123_init() != MPG123_OK) return fail(kSoundOutputFailed);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return fail(kSoundOutputFailed);

    SDL_AudioSpec want = {};
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = kCallbackFrames;
    want.callback = audio_callback;
    SDL_AudioSpec have = {};
    s_sound.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (s_sound.device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return fail(kSoundOutputFailed);
    }
    s_sound.mix.assign(size_t(kCallbackFrames) * 2, 0);
    s_sound.channel_count = channels;
    for (Channel& c : s_sound.channels) c = Channel();
    s_sound.last_callback = 0;
    s_sound.cpu_usage.store(0.0f);
    s_sound.initialized = true;
    // The device runs from now on; until a channel plays it sounds silence.
    SDL_PauseAudioDevice(s_sound.device, 0);
    return true;
}

SoundStream* sound_open_stream(const uint8_t* data, size_t length) {
    if (!s_sound.initialized) {
        fail(kSoundNotInitialized);
        return nullptr;
    }
    if (length == 0) {
        fail(kSoundNotMp3);
        return nullptr;
    }
    if (!data) {
        fail(kSoundBadArgument);
        return nullptr;
    }
    SoundStream* stream = nullptr;
    for (SoundStream& s : s_sound.streams) {
        if (!s.decoder) {
            stream = &s;
            break;
        }
    }
    if (!stream) {
        fail(kSoundNoMemory);
        return nullptr;
    }

    int result = MPG123_OK;
    mpg123_handle* decoder = mpg123_new(nullptr, &result);
    if (!decoder) {
        fail(kSoundNoMemory);
        return nullptr;
    }
    *stream = SoundStream();
    stream->data = data;
    stream->length = length;
    // Signed 16-bit stereo at the output rate, whatever the file holds; no resyncing into junk.
    mpg123_param(decoder, MPG123_FLAGS, MPG123_FORCE_STEREO | MPG123_QUIET, 0.0);
    mpg123_param(decoder, MPG123_RESYNC_LIMIT, 2048, 0.0);
    mpg123_format_none(decoder);
    mpg123_format(decoder, kSoundRate, MPG123_STEREO, MPG123_ENC_SIGNED_16);
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_replace_reader_handle(decoder, read_memory, seek_memory, nullptr) != MPG123_OK ||
        mpg123_open_handle(decoder, stream) != MPG123_OK ||
        mpg123_getformat(decoder, &rate, &channels, &encoding) != MPG123_OK || rate != kSoundRate ||
        channels != 2 || encoding != MPG123_ENC_SIGNED_16) {
        mpg123_delete(decoder);
        fail(kSoundNotMp3);
        return nullptr;
    }
    // Scanning the whole stream makes seeks land on the exact sample.
    if (mpg123_scan(decoder) != MPG123_OK) {
        mpg123_delete(decoder);
        fail(kSoundDecodeFailed);
        return nullptr;
    }
    stream->decoder = decoder;
    return stream;
}

bool sound_set_stream_time(SoundStream* stream, int ms) {
    if (!stream || !stream->decoder || ms < 0) return fail(kSoundBadArgument);
    const off_t sample = off_t(int64_t(ms) * kSoundRate / 1000);
    const off_t length = mpg123_length(stream->decoder);
    if (s_sound.device) SDL_LockAudioDevice(s_sound.device);
    // A time past the end leaves the stream over, with nothing more to sound.
    const bool past_end = length >= 0 && sample >= length;
    const off_t at = past_end ? sample : mpg123_seek(stream->decoder, sample, SEEK_SET);
    stream->ended = past_end;
    if (s_sound.device) SDL_UnlockAudioDevice(s_sound.device);
    return at >= 0 || fail(kSoundDecodeFailed);
}

int sound_play_stream(int channel, SoundStream* stream, bool paused) {
    if (!s_sound.initialized) return fail_channel(kSoundNotInitialized);
    if (!stream || !stream->decoder || (channel != kSoundFreeChannel && !valid_channel(channel))) {
        return fail_channel(kSoundBadArgument);
    }
    if (channel == kSoundFreeChannel) {
        for (int i = 0; i < s_sound.channel_count && channel < 0; ++i) {
            if (!s_sound.channels[i].stream) channel = i;
        }
        if (channel < 0) return fail_channel(kSoundNoFreeChannel);
    }
    SDL_LockAudioDevice(s_sound.device);
    s_sound.channels[channel].stream = stream;
    s_sound.channels[channel].paused = paused;
    SDL_UnlockAudioDevice(s_sound.device);
    return channel;
}

bool sound_set_paused(int channel, bool paused) {
    if (!s_sound.initialized) return fail(kSoundNotInitialized);
    if (!valid_channel(channel) || !s_sound.channels[channel].stream) return fail(kSoundBadArgument);
    SDL_LockAudioDevice(s_sound.device);
    s_sound.channels[channel].paused = paused;
    SDL_UnlockAudioDevice(s_sound.device);
    return true;
}

void sound_read_stream(SoundStream* stream, int16_t* samples, int frames) {
    size_t wanted = size_t(frames) * 4;
    unsigned char* out = reinterpret_cast<unsigned char*>(samples);
    while (wanted > 0 && !stream->ended) {
        size_t done = 0;
        const int result = mpg123_read(stream->decoder, out, wanted, &done);
        out += done;
        wanted -= done;
        // A damaged frame is skipped by the decoder; only the end or a hard error stops the stream.
        if (result == MPG123_DONE || (result != MPG123_OK && result != MPG123_NEW_FORMAT && done == 0)) {
            stream->ended = true;
        }
    }
    memset(out, 0, wanted);
}

void sound_close_stream(SoundStream* stream) {
    if (!stream || !stream->decoder) return;
    if (s_sound.device) SDL_LockAudioDevice(s_sound.device);
    for (Channel& c : s_sound.channels) {
        if (c.stream == stream) c = Channel();
    }
    if (s_sound.device) SDL_UnlockAudioDevice(s_sound.device);
    mpg123_delete(stream->decoder);
    *stream = SoundStream();
}

void sound_close() {
    if (!s_sound.initialized) return;
    SDL_CloseAudioDevice(s_sound.device);
    s_sound.device = 0;
    for (SoundStream& s : s_sound.streams) {
        if (s.decoder) mpg123_delete(s.decoder);
        s = SoundStream();
    }
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    s_sound.initialized = false;
}

int sound_last_error() {
    return s_sound.error;
}

const char* sound_error_text(int code) {
    static const char* const kTexts[] = {
        "No errors",
        "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.",
        "This command failed because FSOUND_Init was not called",
        "Error initializing output device.",
        "The output device is already in use and cannot be reused.",
        "Playing the sound failed.",
        "Soundcard does not support the features needed for this soundsystem (16bit stereo output)",
        "Error setting cooperative level for hardware.",
        "Error creating hardware sound buffer.",
        "File not found",
        "Unknown file format",
        "Error loading file",
        "Not enough memory ",
        "The version number of this file format is not supported",
        "An invalid parameter was passed to this function",
        "Tried to use an EAX command on a non EAX enabled channel or output.",
        "Failed to allocate a new channel",
        "Recording not supported on this device",
        "Required Mediaplayer codec is not installed",
    };
    if (code < 0 || code >= int(sizeof kTexts / sizeof kTexts[0])) return "Unknown error";
    return kTexts[code];
}

float sound_cpu_usage() {
    return s_sound.cpu_usage.load(std::memory_order_relaxed);
}
