// tga_fuzzer.cpp -- the TGA decoder on arbitrary bytes, large declared pictures passed over
#include "memory_file.h"
#include "picture_bound.h"
#include "resources/image_decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The header's width and height, as the decoder reads them.
    if (size >= 16 && !worth_decoding(data[12] | data[13] << 8, data[14] | data[15] << 8)) return kPassedOver;
    DataSource source;
    if (!open_memory_source(data, size, &source)) return 0;
    DecodedImage image;
    decode_tga(&source, &image);
    close_data_source(&source);
    return 0;
}
