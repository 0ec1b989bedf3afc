// load_timings.h -- where the loading phase's time goes: reading, decoding, mipmaps, upload, 3DS parsing
#pragma once

#include <cstdint>

enum LoadStep {
    kLoadRead,         // opening data files and reading their bytes
    kLoadDecodePcx,    // decoding pictures, per format
    kLoadDecodeTga,
    kLoadDecodeJpeg,
    kLoadMipmaps,      // gluBuild2DMipmaps: scaling, the mipmap chain and its upload
    kLoadUpload,       // glTexImage2D of pictures without mipmaps
    kLoadParse3ds,     // 3DS chunks and normals, less the texture maps they load
    kLoadStepCount,
};

// Always kept: a few counter reads per file cost nothing beside the file.
struct LoadTimings {
    uint64_t ticks[kLoadStepCount] = {};  // performance counter ticks per step
    int32_t count[kLoadStepCount] = {};   // files or pictures through each step
    uint64_t image_ticks = 0;             // all of load_texture, so that 3DS parsing can leave out its maps
    uint64_t prefetch_wait_ticks = 0;     // the loaders waiting for pictures the second thread is decoding
    uint64_t bytes_read = 0;              // bytes of the data files opened
    uint64_t model_bytes = 0;             // faces, vertices, texture coordinates and materials of the models loaded
};

extern LoadTimings g_load_timings;

// Adds the ticks from start until now to step, and one to its count.
void add_load_time(LoadStep step, uint64_t start);
