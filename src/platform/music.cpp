// music.cpp -- reads the soundtrack into memory and drives the sound layer in its call order
#include "platform/music.h"

#include <climits>
#include <cstdio>
#include <vector>

#include "kernel/fatal.h"
#include "kernel/script.h"
#include "platform/sound.h"
#include "resources/data_source.h"

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

void open_music() {
    if (sound_version() < 3.6f) fail();
    if (!sound_set_output(kSoundDefaultOutput) || !sound_set_driver(0) || !sound_init(kSoundRate, 32, 0)) fail();

    DataSource source;
    switch (open_data_source(snd_mp3file, g_packeddata != 0, &source)) {
    case kSourceOk:
        break;
    case kSourceNotInArchive:
        fatal_error("Mp3 file not found at PAK");
    case kSourceNoArchiveFile:
        fatal_error("Error opening PAK file");
    default:
        fatal_error("Mp3 file not found");
    }
    // The whole file, or the archive entry's length of bytes; the stream reads from it while playing.
    s_music.buffer.resize(size_t(source.length));
    const bool read_whole = read_bytes(&source, s_music.buffer.data(), s_music.buffer.size());
    close_data_source(&source);
    if (!read_whole) fatal_error("%s", sound_error_text(kSoundDecodeFailed));

    s_music.stream = sound_open_stream(s_music.buffer.data(), s_music.buffer.size());
    if (!s_music.stream) fail();
    if (g_demostart > 0.0f && !sound_set_stream_time(s_music.stream, music_start_ms())) fail();
}

void start_music() {
    s_music.channel = sound_play_stream(kSoundFreeChannel, s_music.stream, true);
    if (s_music.channel < 0 || !sound_set_paused(s_music.channel, false)) fail();
}

int music_start_ms() {
    // Truncated, as the stream's time is set in whole milliseconds.
    const float ms = g_demostart * 1000.0f;
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
