// wav_writer.cpp -- the RIFF header of a PCM WAV file
#include "wav_writer.h"

namespace {

void put_u32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

void put_u16(unsigned char* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

}  // namespace

bool write_wav_header(FILE* file, uint32_t frames) {
    const uint32_t rate = 44100;
    const uint16_t channels = 2;
    const uint16_t bits = 16;
    const uint32_t data_bytes = frames * channels * (bits / 8);
    unsigned char h[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
    put_u32(h + 4, 36 + data_bytes);
    put_u32(h + 16, 16);
    put_u16(h + 20, 1);  // PCM
    put_u16(h + 22, channels);
    put_u32(h + 24, rate);
    put_u32(h + 28, rate * channels * (bits / 8));
    put_u16(h + 32, channels * (bits / 8));
    put_u16(h + 34, bits);
    h[36] = 'd';
    h[37] = 'a';
    h[38] = 't';
    h[39] = 'a';
    put_u32(h + 40, data_bytes);
    return fwrite(h, 1, sizeof h, file) == sizeof h;
}
