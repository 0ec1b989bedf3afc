// pcx.cpp -- decodes 8-bit PCX pictures with a 256-colour palette at the end of the data
#include <cstring>

#include "resources/image_decoders.h"

namespace {

constexpr int kHeaderSize = 128;
constexpr int kPaletteSize = 768;

// n pixels of one colour from out on, in a few copies however long the run.
void fill_pixels(uint8_t* out, const uint8_t* rgb, size_t n) {
    if (n == 0) return;
    memcpy(out, rgb, 3);
    for (size_t done = 1; done < n;) {
        const size_t copy = done < n - done ? done : n - done;
        memcpy(out + done * 3, out, copy * 3);
        done += copy;
    }
}

}  // namespace

int decode_pcx(DataSource* source, DecodedImage* image) {
    *image = DecodedImage();
    const uint64_t length = source->length;
    // The palette takes the last 768 bytes and must not start inside the header.
    if (length < kHeaderSize + kPaletteSize) {
        return refuse_picture(image, kImageBadFormat, "PCX shorter than its 128-byte header and 768-byte palette");
    }
    uint8_t header[kHeaderSize];
    if (!read_bytes(source, header, sizeof header)) return refuse_picture(image, kImageBadFormat, "PCX header cannot be read");
    const int width = (header[8] | header[9] << 8) + 1;
    const int height = (header[10] | header[11] << 8) + 1;

    uint8_t palette[kPaletteSize];
    if (!seek_to(source, length - kPaletteSize) || !read_bytes(source, palette, sizeof palette) ||
        !seek_to(source, kHeaderSize)) {
        return refuse_picture(image, kImageBadFormat, "PCX palette cannot be read");
    }

    const size_t count = size_t(width) * size_t(height);
    if (const int allocated = allocate_picture(image, width, height, 3)) return allocated;
    uint8_t* out = image->pixels.get();

    // Runs cross row ends; a run past the end of the picture is cut there, and data that end early
    // leave the rest at index 0. 0xC0 is the single value 192, not an empty run. The indices turn
    // into colours as they are read, so the work follows the data, not the size the header claims.
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
        fill_pixels(out + done * 3, palette + b * 3, run);
        done += run;
    }
    // The pixels are zero already; only a colour 0 that is not black needs writing.
    if (palette[0] | palette[1] | palette[2]) fill_pixels(out + done * 3, palette, count - done);
    return 0;
}
