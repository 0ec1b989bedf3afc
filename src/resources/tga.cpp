// tga.cpp -- decodes uncompressed and run-length true-colour TGA pictures of 24 and 32 bits
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "resources/image_decoders.h"

namespace {

constexpr int kHeaderSize = 18;
constexpr uint8_t kTopFirst = 0x20;  // image descriptor: rows stored top row first

// Swaps n bytes at a and b through a buffer, a block at a time.
void swap_bytes(uint8_t* a, uint8_t* b, size_t n) {
    uint8_t block[4096];
    for (size_t done = 0; done < n; done += sizeof block) {
        const size_t size = n - done < sizeof block ? n - done : sizeof block;
        memcpy(block, a + done, size);
        memcpy(a + done, b + done, size);
        memcpy(b + done, block, size);
    }
}

void flip_rows(DecodedImage* image) {
    const size_t stride = size_t(image->width) * size_t(image->bytes_per_pixel);
    uint8_t* p = image->pixels.get();
    for (int top = 0, bottom = image->height - 1; top < bottom; ++top, --bottom) {
        swap_bytes(p + size_t(top) * stride, p + size_t(bottom) * stride, stride);
    }
}

// B, G, R (, A) to R, G, B (, A) for n pixels.
void swap_red_blue(uint8_t* p, size_t n, int bpp) {
    for (size_t i = 0; i < n; ++i, p += bpp) std::swap(p[0], p[2]);
}

// Run-length packets, the first decoded row into the last row of the picture and upward, until
// the top row is full. Data that end early leave the rest zero.
void decode_runs(DataSource* source, DecodedImage* image) {
    const int bpp = image->bytes_per_pixel;
    const size_t stride = size_t(image->width) * size_t(bpp);
    int row = image->height - 1;
    int column = 0;
    auto put = [&](const uint8_t* pixel) {
        memcpy(image->pixels.get() + size_t(row) * stride + size_t(column) * size_t(bpp), pixel, size_t(bpp));
        if (++column == image->width) {
            column = 0;
            --row;
        }
        return row >= 0;
    };
    uint8_t header = 0;
    uint8_t pixel[4];
    while (row >= 0 && read_u8(source, &header)) {
        const int n = (header & 0x7F) + 1;
        if (header & 0x80) {
            if (!read_bytes(source, pixel, size_t(bpp))) return;
            swap_red_blue(pixel, 1, bpp);
            for (int i = 0; i < n; ++i) {
                if (!put(pixel)) return;
            }
        } else {
            for (int i = 0; i < n; ++i) {
                if (!read_bytes(source, pixel, size_t(bpp))) return;
                swap_red_blue(pixel, 1, bpp);
                if (!put(pixel)) return;
            }
        }
    }
}

}  // namespace

int decode_tga(DataSource* source, DecodedImage* image) {
    *image = DecodedImage();
    uint8_t h[kHeaderSize];
    if (!read_bytes(source, h, sizeof h)) return refuse_picture(image, kImageBadFormat, "TGA shorter than its 18-byte header");
    const int type = h[2];
    if (type != 2 && type != 10) {
        return refuse_picture(image, kImageUnsupported, "TGA of an image type other than 2 or 10 (true colour)");
    }
    const int bpp = h[16] == 24 ? 3 : h[16] == 32 ? 4 : 0;
    if (h[1] != 0 || bpp == 0) {
        return refuse_picture(image, kImageBadFormat, "TGA with a colour map or a depth other than 24 or 32 bits");
    }
    if (h[0] != 0 && !skip_bytes(source, h[0])) return refuse_picture(image, kImageBadFormat, "TGA ends inside its ID field");
    const int width = h[12] | h[13] << 8;
    const int height = h[14] | h[15] << 8;
    if (width == 0 || height == 0) return refuse_picture(image, kImageBadFormat, "TGA of width or height 0");
    if (const int allocated = allocate_picture(image, width, height, bpp)) return allocated;

    const bool top_first = (h[17] & kTopFirst) != 0;
    // Channels are swapped in what was read only, the rest being zero, so that the work follows
    // the data, not the size the header claims.
    if (type == 2) {
        const size_t got = read_some(source, image->pixels.get(), size_t(width) * size_t(height) * size_t(bpp));
        swap_red_blue(image->pixels.get(), (got + size_t(bpp) - 1) / size_t(bpp), bpp);
        if (!top_first) flip_rows(image);
    } else {
        decode_runs(source, image);
        if (top_first) flip_rows(image);
    }
    return 0;
}
