// png_writer.cpp -- PNG output through libpng
#include "resources/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>

namespace {

bool write_rows(const char* path, int width, int height, const uint8_t* pixels, bool bottom_up) {
    FILE* file = fopen(path, "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        fclose(file);
        return false;
    }
    png_init_io(png, file);
    // Frames are written often; speed matters more than the last few percent of size.
    png_set_compression_level(png, 3);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const size_t stride = size_t(width) * 3;
    for (int row = 0; row < height; ++row) png_write_row(png, pixels + size_t(bottom_up ? height - 1 - row : row) * stride);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return fclose(file) == 0;
}

}  // namespace

bool write_png(const char* path, int width, int height, const uint8_t* pixels) {
    return write_rows(path, width, height, pixels, false);
}

bool write_png_bottom_up(const char* path, int width, int height, const uint8_t* pixels) {
    return write_rows(path, width, height, pixels, true);
}
