// sound.cpp -- the sound layer: libmpg123 decodes on SDL's audio thread, SDL plays
#include "platform/sound.h"

#include <SDL.h>
#include <mpg123.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <new>
#include <numeric>
#include <vector>

// A file at another rate than the output's is resampled with a windowed-sinc filter: output frame
// k after a seek to input position x0 is the band-limited input at x0 + k * step / phases, with
// positions counted in input frames and x0 held to 1/phases of a frame.
struct SoundStream {
    mpg123_handle* decoder = nullptr;
    const uint8_t* data = nullptr;  // the whole MP3, the caller's
    size_t length = 0;
    size_t position = 0;            // read position of the decoder's reader
    bool ended = false;             // the decoder has delivered its last sample
    long rate = 0;                  // the file's sample rate; no resampling at kSoundRate
    int step = 1;                   // file rate / output rate = step / phases, in lowest terms
    int phases = 1;
    int taps = 0;                   // filter length in input frames
    std::vector<float> kernel;      // taps weights for each of the phases, phase-major
    std::vector<int16_t> input;     // decoded stereo frames, the first at input_first
    int64_t input_first = 0;        // input frame of input[0]; negative ones are silence before the song
    int input_count = 0;            // frames held in input
    int64_t input_end = -1;         // the song's length in input frames once the decoder has ended
    int64_t at = 0;                 // input frame and phase of the next output frame
    int phase = 0;
};

namespace {

constexpr int kMaxChannels = 256;
constexpr int kMaxStreams = 8;
constexpr int kCallbackFrames = 1024;  // ~23 ms at 44100 Hz
constexpr int kInputFrames = 4096;     // decoded frames held for resampling, beyond the filter's length
constexpr int kZeroCrossings = 32;     // of the sinc on each side of the centre, at the cutoff
constexpr double kCutoff = 0.92;       // of the lower of the two Nyquist frequencies
constexpr double kKaiserBeta = 8.0;    // about 80 dB of stopband

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

// Modified Bessel function of the first kind, order 0, for the Kaiser window.
double bessel_i0(double x) {
    double sum = 1.0;
    double term = 1.0;
    for (int k = 1; k < 50 && term > sum * 1e-12; ++k) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
    }
    return sum;
}

// Sizes the stream's filter and buffer for its rate and computes the filter.
void setup_resampler(SoundStream* stream) {
    const int divisor = std::gcd(int(stream->rate), kSoundRate);
    stream->step = int(stream->rate) / divisor;
    stream->phases = kSoundRate / divisor;
    // Cut below the lower Nyquist frequency, in units of the input's.
    const double cutoff = kCutoff * (stream->rate > kSoundRate ? double(kSoundRate) / double(stream->rate) : 1.0);
    const int half = int(std::ceil(kZeroCrossings / cutoff));
    stream->taps = 2 * half;
    stream->kernel.assign(size_t(stream->phases) * size_t(stream->taps), 0.0f);
    stream->input.assign(size_t(kInputFrames + stream->taps) * 2, 0);
    // Playing from the start: the filter's frames before the first are silence.
    stream->input_first = 1 - half;
    // Tap j of phase p weighs input frame at - half + 1 + j for the output at at + p / phases.
    const double norm = bessel_i0(kKaiserBeta);
    for (int p = 0; p < stream->phases; ++p) {
        float* weights = &stream->kernel[size_t(p) * size_t(stream->taps)];
        double sum = 0.0;
        for (int j = 0; j < stream->taps; ++j) {
            const double t = double(j - half + 1) - double(p) / stream->phases;
            const double x = M_PI * cutoff * t;
            const double sinc = x == 0.0 ? 1.0 : std::sin(x) / x;
            const double r = t / half;
            const double window = r * r < 1.0 ? bessel_i0(kKaiserBeta * std::sqrt(1.0 - r * r)) / norm : 0.0;
            weights[j] = float(sinc * window);
            sum += sinc * window;
        }
        // Unity gain at 0 Hz in every phase, so that no phase is louder than another.
        for (int j = 0; j < stream->taps; ++j) weights[j] = float(weights[j] / sum);
    }
}

// Decodes straight into out at the output rate; past the end, silence.
void read_direct(SoundStream* stream, unsigned char* out, size_t wanted) {
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

// Fills the input buffer so that it holds the filter's frames around stream->at: those before
// the song and after its end are silence.
void fill_input(SoundStream* stream) {
    const int64_t first = stream->at - stream->taps / 2 + 1;
    const int64_t keep_from = first - stream->input_first;
    // A fill comes as soon as the filter reaches past the buffer's end, and at moves on by at most
    // two frames at a time, so the frames the filter still needs are at the end: they move to the start.
    if (keep_from > 0) {
        stream->input_count -= int(keep_from);
        memmove(stream->input.data(), stream->input.data() + keep_from * 2, size_t(stream->input_count) * 4);
        stream->input_first = first;
    }
    const int capacity = int(stream->input.size() / 2);
    while (stream->input_count < capacity) {
        const int64_t next = stream->input_first + stream->input_count;
        int16_t* out = stream->input.data() + size_t(stream->input_count) * 2;
        int frames = capacity - stream->input_count;
        if (next < 0 || stream->input_end >= 0) {
            if (next < 0 && -next < frames) frames = int(-next);
            memset(out, 0, size_t(frames) * 4);
            stream->input_count += frames;
            continue;
        }
        size_t done = 0;
        const int result = mpg123_read(stream->decoder, out, size_t(frames) * 4, &done);
        stream->input_count += int(done / 4);
        if (result == MPG123_DONE || (result != MPG123_OK && result != MPG123_NEW_FORMAT && done == 0)) {
            stream->input_end = stream->input_first + stream->input_count;
        }
    }
}

void read_resampled(SoundStream* stream, int16_t* samples, int frames) {
    int k = 0;
    for (; k < frames; ++k) {
        if (stream->input_end >= 0 && stream->at >= stream->input_end) {
            stream->ended = true;
            break;
        }
        if (stream->at + stream->taps / 2 >= stream->input_first + stream->input_count) fill_input(stream);
        const int16_t* in = stream->input.data() + (stream->at - stream->taps / 2 + 1 - stream->input_first) * 2;
        const float* weights = stream->kernel.data() + size_t(stream->phase) * size_t(stream->taps);
        float left = 0.0f;
        float right = 0.0f;
        for (int j = 0; j < stream->taps; ++j) {
            left += float(in[2 * j]) * weights[j];
            right += float(in[2 * j + 1]) * weights[j];
        }
        samples[2 * k] = int16_t(std::lrint(left < -32768.0f ? -32768.0f : left > 32767.0f ? 32767.0f : left));
        samples[2 * k + 1] = int16_t(std::lrint(right < -32768.0f ? -32768.0f : right > 32767.0f ? 32767.0f : right));
        stream->phase += stream->step;
        stream->at += stream->phase / stream->phases;
        stream->phase %= stream->phases;
    }
    memset(samples + 2 * k, 0, size_t(frames - k) * 4);
}

// Opens a decoder over the MP3 in data as every stream reads it, and reads the first frame's format
// and every frame's position: kSoundOk with stream->decoder and stream->rate set, or the error code.
int open_decoder(SoundStream* stream, const uint8_t* data, size_t length) {
    if (length == 0) return kSoundNotMp3;
    if (!data) return kSoundBadArgument;
    int result = MPG123_OK;
    mpg123_handle* decoder = mpg123_new(nullptr, &result);
    if (!decoder) return kSoundNoMemory;
    *stream = SoundStream();
    stream->data = data;
    stream->length = length;
    // Signed 16-bit stereo at the file's own rate, mono doubled; no resyncing into junk. Flags are
    // added to the defaults, not set over them: gapless decoding drops the encoder's delay and
    // padding that the file's header records, so that sample t of the output is time t of the song.
    mpg123_param(decoder, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_FORCE_STEREO | MPG123_QUIET, 0.0);
    mpg123_param(decoder, MPG123_RESYNC_LIMIT, 2048, 0.0);
    mpg123_format_none(decoder);
    const long* rates = nullptr;
    size_t rate_count = 0;
    mpg123_rates(&rates, &rate_count);
    for (size_t i = 0; i < rate_count; ++i) mpg123_format(decoder, rates[i], MPG123_STEREO, MPG123_ENC_SIGNED_16);
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_replace_reader_handle(decoder, read_memory, seek_memory, nullptr) != MPG123_OK ||
        mpg123_open_handle(decoder, stream) != MPG123_OK ||
        mpg123_getformat(decoder, &rate, &channels, &encoding) != MPG123_OK || rate <= 0 || channels != 2 ||
        encoding != MPG123_ENC_SIGNED_16) {
        mpg123_delete(decoder);
        return kSoundNotMp3;
    }
    // Scanning the whole stream makes seeks land on the exact sample.
    if (mpg123_scan(decoder) != MPG123_OK) {
        mpg123_delete(decoder);
        return kSoundDecodeFailed;
    }
    stream->rate = rate;
    stream->decoder = decoder;
    return kSoundOk;
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
    const int error = open_decoder(stream, data, length);
    if (error != kSoundOk) {
        fail(error);
        return nullptr;
    }
    if (stream->rate != kSoundRate) setup_resampler(stream);
    return stream;
}

int sound_check_stream(const uint8_t* data, size_t length) {
    mpg123_init();
    SoundStream stream;
    int error = open_decoder(&stream, data, length);
    if (!stream.decoder) return error;
    // The first frame decoded as playback would decode it.
    off_t frame = 0;
    unsigned char* audio = nullptr;
    size_t bytes = 0;
    const int decoded = mpg123_decode_frame(stream.decoder, &frame, &audio, &bytes);
    if (decoded != MPG123_OK && decoded != MPG123_NEW_FORMAT && decoded != MPG123_DONE) error = kSoundDecodeFailed;
    mpg123_delete(stream.decoder);
    return error;
}

bool sound_set_stream_time(SoundStream* stream, int ms) {
    if (!stream || !stream->decoder || ms < 0) return fail(kSoundBadArgument);
    // The time in 1/phases of a frame of the file's rate, truncated: the first output frame is the
    // one whose span holds it.
    const int64_t position = int64_t(ms) * stream->rate * stream->phases / 1000;
    const int64_t sample = position / stream->phases;
    const int64_t length = mpg123_length(stream->decoder);
    if (s_sound.device) SDL_LockAudioDevice(s_sound.device);
    // A time past the end leaves the stream over, with nothing more to sound.
    const bool past_end = length >= 0 && sample >= length;
    // The resampler reads the frames before the first one too, so that a seek sounds as playing
    // through to that point would.
    const int64_t first = stream->kernel.empty() ? sample : sample - stream->taps / 2 + 1;
    off_t at = off_t(sample);
    if (!past_end) at = mpg123_seek(stream->decoder, off_t(first > 0 ? first : 0), SEEK_SET);
    stream->ended = past_end;
    stream->at = sample;
    stream->phase = int(position % stream->phases);
    stream->input_first = first;
    stream->input_count = 0;
    stream->input_end = -1;
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
    if (stream->kernel.empty()) {
        read_direct(stream, reinterpret_cast<unsigned char*>(samples), size_t(frames) * 4);
    } else if (stream->ended) {
        memset(samples, 0, size_t(frames) * 4);
    } else {
        read_resampled(stream, samples, frames);
    }
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
