// picture_file.h -- one picture file read and decoded, by whichever thread asks
#pragma once

#include <cstdint>
#include <string>

#include "resources/image_decoders.h"

// The decoder a lower-cased path takes: the first of ".pcx", ".tga" and ".jpg" found anywhere in it.
enum class PictureFormat { Pcx, Tga, Jpeg, None };
PictureFormat picture_format(const std::string& path);

// Where reading a picture's file went, for the loading phase's figures.
struct PictureTicks {
    uint64_t read = 0;    // opening the file and reading its bytes
    uint64_t decode = 0;  // decoding them
    uint64_t bytes = 0;   // bytes read
};

// Reads the picture at the lower-cased path from data.dat or disk and decodes it: 0, or the image
// loader's negative code. faults: see decode_jpeg.
int read_picture(const std::string& path, bool from_archive, JpegFaults faults, DecodedImage* picture, PictureTicks* ticks);
