// pcx_fuzzer.cpp -- the PCX decoder on arbitrary bytes
#include "memory_file.h"
#include "resources/image_decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DataSource source;
    if (!open_memory_source(data, size, &source)) return 0;
    DecodedImage image;
    decode_pcx(&source, &image);
    close_data_source(&source);
    return 0;
}
