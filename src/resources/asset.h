// asset.h -- the record of a data file that a section type's load handler reads
#pragma once

#include <cstdint>

// Kept with the type, so that the files can be listed, prefetched and checked without playing.
struct SectionAsset {
    enum Kind : uint8_t {
        kImage,        // path: a picture
        kModel,        // path: the model's directory, file: its 3DS file
        kSkybox,       // path: the prefix of six JPEG faces
        kSkyboxImage,  // path: one JPEG for all six faces
    };
    Kind kind;
    const char* path;
    const char* file;
};
