// music.cpp -- drives the sound layer in its call order over the soundtrack's bytes
#include "platform/music.h"

#include <climits>
#include <utility>

#include "core/fatal.h"
#include "platform/sound.h"

namespace {

struct MusicState {
    std::vector<uint8_t> buffer;     // the whole MP3; the stream reads from it while playing
    SoundStream* stream = nullptr;
    int channel = -1;
} s_music;

[[noreturn]] void fail() {
    fatal_error("%s", sound_error_text(sound_last_error()));
}

}  // namespace

void open_music_output() {
    if (sound_version() < 3.6f) fail();
    if (!sound_set_output(kSoundDefaultOutput) || !sound_set_driver(0) || !sound_init(kSoundRate, 32, 0)) fail();
}

void open_music(std::vector<uint8_t> mp3, float start) {
    s_music.buffer = std::move(mp3);
    s_music.stream = sound_open_stream(s_music.buffer.data(), s_music.buffer.size());
    if (!s_music.stream) fail();
    if (start > 0.0f && !sound_set_stream_time(s_music.stream, music_time_ms(start))) fail();
}

void check_music(const std::vector<uint8_t>& mp3) {
    const int error = sound_check_stream(mp3.data(), mp3.size());
    if (error != kSoundOk) fatal_error("%s", sound_error_text(error));
}

void start_music() {
    s_music.channel = sound_play_stream(kSoundFreeChannel, s_music.stream, true);
    if (s_music.channel < 0 || !sound_set_paused(s_music.channel, false)) fail();
}

void pause_music(bool paused) {
    if (s_music.channel >= 0) sound_set_paused(s_music.channel, paused);
}

bool seek_music(float seconds) {
    if (!s_music.stream) return true;
    return sound_set_stream_time(s_music.stream, music_time_ms(seconds > 0.0f ? seconds : 0.0f));
}

bool replace_music(std::vector<uint8_t> mp3, float seconds, bool paused, const char** why) {
    SoundStream* stream = sound_open_stream(mp3.data(), mp3.size());
    if (!stream) {
        *why = sound_error_text(sound_last_error());
        return false;
    }
    if (seconds > 0.0f) sound_set_stream_time(stream, music_time_ms(seconds));
    // The old stream stops reading its bytes before they go.
    if (s_music.stream) sound_close_stream(s_music.stream);
    s_music.buffer = std::move(mp3);
    s_music.stream = stream;
    s_music.channel = sound_play_stream(kSoundFreeChannel, stream, paused);
    return true;
}

int music_time_ms(float seconds) {
    // Truncated, as the stream's time is set in whole milliseconds.
    const float ms = seconds * 1000.0f;
    return ms < float(INT_MAX) ? int(ms) : INT_MAX;
}

float music_cpu_usage() {
    return sound_cpu_usage();
}

void close_music() {
    if (s_music.stream) sound_close_stream(s_music.stream);
    s_music.stream = nullptr;
    s_music.channel = -1;
    sound_close();
}

const uint8_t* music_data(size_t* length) {
    *length = s_music.buffer.size();
    return s_music.buffer.empty() ? nullptr : s_music.buffer.data();
}
