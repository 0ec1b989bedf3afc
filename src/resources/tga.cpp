// tga.cpp -- decodes uncompressed and run-length true-colour TGA pictures of 24 and 32 bits
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "resources/image_decoders.h"

namespace {

constexpr int kHeaderSize = 18;
constexpr uint8_t kTopFirst = 0x20;  // image descriptor: rows stored top row first

void flip_rows(DecodedImage* image) {
    const size_t stride = size_t(image->width) * size_t(image->bytes_per_pixel);
    uint8_t* p = image->pixels.get();
    for (int top = 0, bottom = image->height - 1; top < bottom; ++top, --bottom) {
        std::swap_ranges(p + size_t(top) * stride, p + size_t(top + 1) * stride, p + size_t(bottom) * stride);
    }
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
            for (int i = 0; i < n; ++i) {
                if (!put(pixel)) return;
            }
        } else {
            for (int i = 0; i < n; ++i) {
                if (!read_bytes(source, pixel, size_t(bpp)) || !put(pixel)) return;
            }
        }
    }
}

}  // namespace

int decode_tga(DataSource* source, DecodedImage* image) {
    *image = DecodedImage();
    uint8_t h[kHeaderSize];
    if (!read_bytes(source, h, sizeof h)) return kImageBadFormat;
    const int type = h[2];
    if (type != 2 && type != 10) return kImageUnsupported;
    if (h[1] != 0) return kImageBadFormat;
    const int bpp = h[16] == 24 ? 3 : h[16] == 32 ? 4 : 0;
    if (bpp == 0) return kImageBadFormat;
    if (h[0] != 0 && !skip_bytes(source, h[0])) return kImageBadFormat;
    const int width = h[12] | h[13] << 8;
    const int height = h[14] | h[15] << 8;
    if (width == 0 || height == 0) return kImageBadFormat;
    if (allocate_picture(image, width, height, bpp) != 0) return kImageUnsupported;

    const bool top_first = (h[17] & kTopFirst) != 0;
    if (type == 2) {
        read_some(source, image->pixels.get(), size_t(width) * size_t(height) * size_t(bpp));
        if (!top_first) flip_rows(image);
    } else {
        decode_runs(source, image);
        if (top_first) flip_rows(image);
    }

    // B, G, R (, A) to R, G, B (, A).
    uint8_t* p = image->pixels.get();
    const size_t count = size_t(width) * size_t(height);
    for (size_t i = 0; i < count; ++i, p += bpp) std::swap(p[0], p[2]);
    return 0;
}
