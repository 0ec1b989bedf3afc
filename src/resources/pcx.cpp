// pcx.cpp -- decodes 8-bit PCX pictures with a 256-colour palette at the end of the data
#include <cstring>
#include <memory>
#include <new>

#include "resources/image_decoders.h"

namespace {

constexpr int kHeaderSize = 128;
constexpr int kPaletteSize = 768;

}  // namespace

int decode_pcx(DataSource* source, DecodedImage* image) {
    *image = DecodedImage();
    const uint64_t length = source->length;
    // The palette takes the last 768 bytes and must not start inside the header.
    if (length < kHeaderSize + kPaletteSize) return kImageBadFormat;
    uint8_t header[kHeaderSize];
    if (!read_bytes(source, header, sizeof header)) return kImageBadFormat;
    const int width = (header[8] | header[9] << 8) + 1;
    const int height = (header[10] | header[11] << 8) + 1;

    uint8_t palette[kPaletteSize];
    if (!seek_to(source, length - kPaletteSize) || !read_bytes(source, palette, sizeof palette) ||
        !seek_to(source, kHeaderSize)) {
        return kImageBadFormat;
    }

    const size_t count = size_t(width) * size_t(height);
    if (allocate_picture(image, width, height, 3) != 0) return kImageUnsupported;
    std::unique_ptr<uint8_t[]> indices(new (std::nothrow) uint8_t[count]());
    if (!indices) {
        *image = DecodedImage();
        return kImageUnsupported;
    }

    // Runs cross row ends; a run past the end of the picture is cut there, and data that end early
    // leave the rest at index 0. 0xC0 is the single value 192, not an empty run.
    uint8_t chunk[4096];
    size_t have = 0;
    size_t next = 0;
    auto next_byte = [&](uint8_t* b) {
        if (next == have) {
            have = read_some(source, chunk, sizeof chunk);
            next = 0;
            if (have == 0) return false;
        }
        *b = chunk[next++];
        return true;
    };
    size_t done = 0;
    uint8_t b = 0;
    while (done < count && next_byte(&b)) {
        size_t run = 1;
        if (b > 0xC0) {
            run = b & 0x3F;
            if (!next_byte(&b)) break;
        }
        if (run > count - done) run = count - done;
        memset(indices.get() + done, b, run);
        done += run;
    }

    uint8_t* out = image->pixels.get();
    for (size_t i = 0; i < count; ++i) memcpy(out + i * 3, palette + indices[i] * 3, 3);
    return 0;
}
