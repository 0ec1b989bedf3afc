// jpeg_fuzzer.cpp -- the JPEG loader on arbitrary bytes, libjpeg's faults returned instead of exiting
#include "memory_file.h"
#include "resources/image_decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DecodedImage image;
    decode_jpeg(data, size, &image, JpegFaults::Return);
    return 0;
}
