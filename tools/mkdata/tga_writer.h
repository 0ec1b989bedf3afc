// tga_writer.h -- encodes a picture as a run-length true-colour TGA (type 10)
#pragma once

#include <string>

#include "raster.h"

// 32 bits per pixel with the alpha channel when alpha is true, else 24. Rows are stored bottom
// first, the format's usual origin; packets never cross a row.
std::string encode_tga(const Raster& raster, bool alpha);
