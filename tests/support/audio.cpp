// audio.cpp -- test MP3s and their reference decodes
#include "support/audio.h"

#include <lame/lame.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace {

// The samples as an MP3 at rate, with the LAME header that records the encoder's delay.
std::string encode_mp3(std::vector<short>& left, std::vector<short>& right, int rate, int channels) {
    const int frames = int(left.size());
    lame_global_flags* lame = lame_init();
    lame_set_in_samplerate(lame, rate);
    lame_set_out_samplerate(lame, rate);
    lame_set_num_channels(lame, channels);
    lame_set_mode(lame, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(lame, rate < 32000 ? 64 : 128);
    lame_set_quality(lame, 5);
    if (lame_init_params(lame) < 0) throw std::runtime_error("lame_init_params failed");
    std::vector<unsigned char> out(size_t(frames) * 5 / 4 + 7200 + 16384);
    int bytes = lame_encode_buffer(lame, left.data(), channels == 1 ? nullptr : right.data(), frames, out.data(),
                                   int(out.size()));
    if (bytes < 0) throw std::runtime_error("lame_encode_buffer failed");
    const int tail = lame_encode_flush(lame, out.data() + bytes, int(out.size()) - bytes);
    if (tail < 0) throw std::runtime_error("lame_encode_flush failed");
    bytes += tail;
    // The Xing/LAME header carries the encoder delay, so a decoder gives back exactly the input.
    const size_t header = lame_get_lametag_frame(lame, out.data(), 0);
    std::vector<unsigned char> tag(header);
    if (header) lame_get_lametag_frame(lame, tag.data(), tag.size());
    lame_close(lame);
    std::string mp3(reinterpret_cast<const char*>(out.data()), size_t(bytes));
    if (header) mp3.replace(0, header, reinterpret_cast<const char*>(tag.data()), header);
    return mp3;
}

}  // namespace

std::string make_test_mp3(double seconds, int rate, int channels) {
    const int frames = int(seconds * rate);
    std::vector<short> left(static_cast<size_t>(frames));
    std::vector<short> right(static_cast<size_t>(frames));
    // Starting at the crest, so that the song's first sample is not silence.
    double phase_l = M_PI / 2;
    double phase_r = M_PI / 2;
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        left[size_t(i)] = short(9000.0 * std::sin(phase_l));
        right[size_t(i)] = short(7000.0 * std::sin(phase_r));
        if (channels == 1) left[size_t(i)] = short((left[size_t(i)] + right[size_t(i)]) / 2);
        phase_l += 2.0 * M_PI * (200.0 + 60.0 * t) / rate;
        phase_r += 2.0 * M_PI * (1800.0 - 50.0 * t) / rate;
    }
    // Three samples high, starting on the click's time.
    for (double click : kClickTimes) {
        for (int i = int(click * rate); i < int(click * rate) + 3 && i < frames; ++i) {
            left[size_t(i)] = short(left[size_t(i)] / 2 + 20000);
            right[size_t(i)] = short(right[size_t(i)] / 2 + 20000);
        }
    }

    return encode_mp3(left, right, rate, channels);
}

std::string make_tone_mp3(double seconds, int rate, double frequency) {
    std::vector<short> left(size_t(seconds * rate));
    for (size_t i = 0; i < left.size(); ++i) left[i] = short(10000.0 * std::sin(2.0 * M_PI * frequency * double(i) / rate));
    std::vector<short> right = left;
    return encode_mp3(left, right, rate, 2);
}

std::vector<int16_t> decode_mp3(const std::string& mp3) {
    char path[] = "/tmp/varnel-mp3-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) throw std::runtime_error("cannot make a temporary file");
    const bool written = write(fd, mp3.data(), mp3.size()) == ssize_t(mp3.size());
    close(fd);
    std::vector<int16_t> samples;
    const std::string command = std::string("mpg123 -q --stereo -s ") + path;
    FILE* pipe = written ? popen(command.c_str(), "r") : nullptr;
    if (pipe) {
        int16_t chunk[8192];
        size_t n = 0;
        while ((n = fread(chunk, 2, 8192, pipe)) > 0) samples.insert(samples.end(), chunk, chunk + n);
        if (pclose(pipe) != 0) samples.clear();
    }
    unlink(path);
    if (samples.empty()) throw std::runtime_error("the mpg123 program cannot decode the test MP3 (is it installed?)");
    return samples;
}

long find_samples(const std::vector<int16_t>& haystack, const int16_t* needle, size_t count) {
    const auto at = std::search(haystack.begin(), haystack.end(), needle, needle + count);
    return at == haystack.end() ? -1 : long(at - haystack.begin());
}
