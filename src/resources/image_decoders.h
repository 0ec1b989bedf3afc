// image_decoders.h -- PCX, TGA and JPEG pictures decoded to RGB or RGBA pixels, top row first
#pragma once

#include <cstdint>
#include <cstddef>
#include <memory>

#include "resources/data_source.h"

// Codes that the decoders return; the image table reports them as they are.
enum ImageError {
    kImageUnknownType = -1,   // no ".pcx", ".tga" or ".jpg" in the path; or the loose file is missing
    kImageNoArchiveFile = -2, // data.dat cannot be opened
    kImageNotInArchive = -3,  // no such entry, or no archive
    kImageUnsupported = -4,   // TGA type other than 2 and 10; a picture too large to hold
    kImageBadFormat = -5,     // TGA colour map or depth other than 24 or 32; PCX too short for its palette
    kImageTableFull = -6,     // all 1024 image records are taken
    kImageDecodeAloud = -7,   // a quiet JPEG decode met a fault or a warning: decode it again, aloud
};

// Pictures with a side above this, or more pixels than kMaxImagePixels, are refused.
inline constexpr int kMaxImageSide = 16384;
inline constexpr int64_t kMaxImagePixels = int64_t(16) << 20;
inline constexpr const char* kTooLargeText = "picture larger than 16384 pixels a side or 16 M pixels in all";

struct DecodedImage {
    int width = 0;
    int height = 0;
    int bytes_per_pixel = 0;            // 3: R, G, B; 4: R, G, B, A
    std::shared_ptr<uint8_t[]> pixels;  // width x height pixels, rows top first, no padding
    const char* failure = nullptr;      // why the decode failed, in words for the tools
};

// True when a picture of that size is within the limits above.
bool picture_fits(int64_t width, int64_t height);

// Checks the size against the limits above and allocates the pixels, zeroed unless the decoder
// writes every one of them: 0, or kImageUnsupported.
int allocate_picture(DecodedImage* image, int width, int height, int bytes_per_pixel, bool zeroed = true);

// Empties image, notes why and returns code, for a decoder's failure.
int refuse_picture(DecodedImage* image, int code, const char* why);

// Each returns 0 or a negative ImageError, and on failure leaves image empty. Data that end before
// the picture is complete leave the rest of it zero.
int decode_pcx(DataSource* source, DecodedImage* image);
int decode_tga(DataSource* source, DecodedImage* image);

// What a fault inside libjpeg does.
enum class JpegFaults {
    ExitProgram,  // the player's way: libjpeg's message on standard error, then status 1 through the shutdown
    Return,       // the fuzz targets': kImageBadFormat, quietly; warnings are not shown
    Defer,        // a second thread's: any fault or warning returns kImageDecodeAloud, having printed nothing
};

// Decodes the file's bytes through libjpeg. One that ends early is completed from what there is,
// with libjpeg's warning.
int decode_jpeg(const uint8_t* data, size_t length, DecodedImage* image, JpegFaults faults = JpegFaults::ExitProgram);
