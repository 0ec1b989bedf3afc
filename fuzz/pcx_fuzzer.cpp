// pcx_fuzzer.cpp -- the PCX decoder on arbitrary bytes, large declared pictures passed over
#include "memory_file.h"
#include "picture_bound.h"
#include "resources/image_decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The header's last column and row, as the decoder reads them.
    if (size >= 12 && !worth_decoding((data[8] | data[9] << 8) + 1, (data[10] | data[11] << 8) + 1)) return kPassedOver;
    DataSource source;
    if (!open_memory_source(data, size, &source)) return 0;
    DecodedImage image;
    decode_pcx(&source, &image);
    close_data_source(&source);
    return 0;
}
