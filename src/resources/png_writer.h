// png_writer.h -- writes 8-bit RGB pictures as PNG files
#pragma once

#include <cstdint>

// pixels: width x height RGB triples, rows top first. False when the file cannot be written.
bool write_png(const char* path, int width, int height, const uint8_t* pixels);

// The same with rows bottom first, as glReadPixels returns them; the file has the top row first.
bool write_png_bottom_up(const char* path, int width, int height, const uint8_t* pixels);
