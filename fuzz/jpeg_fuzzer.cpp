// jpeg_fuzzer.cpp -- the JPEG loader on arbitrary bytes, libjpeg's faults returned instead of exiting
#include "memory_file.h"
#include "resources/image_decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* file = open_memory_file(data, size, "rb");
    if (!file) return 0;
    DecodedImage image;
    decode_jpeg(file, &image, JpegFaults::Return);
    fclose(file);
    return 0;
}
