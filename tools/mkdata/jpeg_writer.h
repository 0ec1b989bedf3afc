// jpeg_writer.h -- encodes a picture as a baseline JPEG through libjpeg
#pragma once

#include <string>

#include "raster.h"

// Three-component (RGB) JPEG at the given quality; the alpha channel is dropped.
std::string encode_jpeg(const Raster& raster, int quality);
