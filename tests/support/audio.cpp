// audio.cpp -- test MP3s and their reference decodes
#include "support/audio.h"

#include <lame/lame.h>
#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

std::string make_test_mp3(double seconds) {
    const int rate = 44100;
    const int frames = int(seconds * rate);
    std::vector<short> left(static_cast<size_t>(frames));
    std::vector<short> right(static_cast<size_t>(frames));
    double phase_l = 0.0;
    double phase_r = 0.0;
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        phase_l += 2.0 * M_PI * (200.0 + 60.0 * t) / rate;
        phase_r += 2.0 * M_PI * (1800.0 - 50.0 * t) / rate;
        left[size_t(i)] = short(9000.0 * std::sin(phase_l));
        right[size_t(i)] = short(7000.0 * std::sin(phase_r));
    }

    lame_global_flags* lame = lame_init();
    lame_set_in_samplerate(lame, rate);
    lame_set_out_samplerate(lame, rate);
    lame_set_num_channels(lame, 2);
    lame_set_brate(lame, 128);
    lame_set_quality(lame, 5);
    if (lame_init_params(lame) < 0) throw std::runtime_error("lame_init_params failed");
    std::vector<unsigned char> out(size_t(frames) * 5 / 4 + 7200 + 16384);
    int bytes = lame_encode_buffer(lame, left.data(), right.data(), frames, out.data(), int(out.size()));
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

std::vector<int16_t> decode_mp3(const std::string& mp3) {
    mpg123_init();
    int error = 0;
    mpg123_handle* mh = mpg123_new(nullptr, &error);
    mpg123_param(mh, MPG123_FLAGS, MPG123_FORCE_STEREO | MPG123_QUIET, 0.0);
    mpg123_format_none(mh);
    mpg123_format(mh, 44100, MPG123_STEREO, MPG123_ENC_SIGNED_16);
    mpg123_open_feed(mh);
    std::vector<int16_t> samples;
    std::vector<unsigned char> chunk(1 << 16);
    size_t done = 0;
    int result = mpg123_decode(mh, reinterpret_cast<const unsigned char*>(mp3.data()), mp3.size(), chunk.data(),
                               chunk.size(), &done);
    for (;;) {
        const int16_t* p = reinterpret_cast<const int16_t*>(chunk.data());
        samples.insert(samples.end(), p, p + done / 2);
        if (result == MPG123_ERR || result == MPG123_NEED_MORE) break;
        result = mpg123_decode(mh, nullptr, 0, chunk.data(), chunk.size(), &done);
    }
    mpg123_delete(mh);
    return samples;
}

long find_samples(const std::vector<int16_t>& haystack, const int16_t* needle, size_t count) {
    const auto at = std::search(haystack.begin(), haystack.end(), needle, needle + count);
    return at == haystack.end() ? -1 : long(at - haystack.begin());
}
