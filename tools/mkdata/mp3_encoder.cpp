// mp3_encoder.cpp -- libmp3lame at fixed settings, and the Info tag written back over the first frame
#include <lame/lame.h>

#include <algorithm>
#include <cstring>

#include "music.h"
#include "show.h"

std::string encode_mp3(const std::vector<int16_t>& interleaved, std::string* error) {
    lame_global_flags* lame = lame_init();
    if (!lame) {
        *error = "libmp3lame cannot be initialised";
        return "";
    }
    lame_set_num_channels(lame, 2);
    lame_set_in_samplerate(lame, kSampleRate);
    lame_set_out_samplerate(lame, kSampleRate);
    lame_set_mode(lame, JOINT_STEREO);
    lame_set_VBR(lame, vbr_off);
    lame_set_brate(lame, 160);
    lame_set_quality(lame, 5);
    lame_set_bWriteVbrTag(lame, 1);
    lame_set_write_id3tag_automatic(lame, 0);
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        *error = "libmp3lame refuses the encoding parameters";
        return "";
    }

    std::string out;
    const int chunk = 1152 * 16;
    std::vector<unsigned char> buffer(size_t(chunk) * 5 / 4 + 7200);
    const size_t frames = interleaved.size() / 2;
    for (size_t first = 0; first < frames; first += size_t(chunk)) {
        const int count = int(std::min(frames - first, size_t(chunk)));
        const int written = lame_encode_buffer_interleaved(lame, const_cast<short*>(interleaved.data() + first * 2), count,
                                                           buffer.data(), int(buffer.size()));
        if (written < 0) {
            lame_close(lame);
            *error = "libmp3lame failed to encode";
            return "";
        }
        out.append(reinterpret_cast<const char*>(buffer.data()), size_t(written));
    }
    const int tail = lame_encode_flush(lame, buffer.data(), int(buffer.size()));
    if (tail < 0) {
        lame_close(lame);
        *error = "libmp3lame failed to finish the stream";
        return "";
    }
    out.append(reinterpret_cast<const char*>(buffer.data()), size_t(tail));
    // The first frame was held for the Info tag, now that the stream's length is known.
    unsigned char tag[2880];
    const size_t tag_size = lame_get_lametag_frame(lame, tag, sizeof tag);
    if (tag_size > 0 && tag_size <= out.size()) memcpy(out.data(), tag, tag_size);
    lame_close(lame);
    return out;
}
