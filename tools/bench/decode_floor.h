// decode_floor.h -- the bare decode time of the loaded pictures, straight through libjpeg and our decoders
#pragma once

#include <nlohmann/json.hpp>

// Reads every picture of the image table into memory, then times decoding each one once: JPEG
// through libjpeg alone, TGA and PCX through our own decoders. Milliseconds per format and in all.
nlohmann::ordered_json measure_decode_floor(bool from_archive);
