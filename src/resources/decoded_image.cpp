// decoded_image.cpp -- the pixel buffer of a picture being decoded, its size checked first
#include <new>

#include "resources/image_decoders.h"

int allocate_picture(DecodedImage* image, int width, int height, int bytes_per_pixel, bool zeroed) {
    *image = DecodedImage();
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide ||
        int64_t(width) * height > kMaxImagePixels) {
        return kImageUnsupported;
    }
    const size_t bytes = size_t(width) * size_t(height) * size_t(bytes_per_pixel);
    image->pixels.reset(zeroed ? new (std::nothrow) uint8_t[bytes]() : new (std::nothrow) uint8_t[bytes]);
    if (!image->pixels) return kImageUnsupported;
    image->width = width;
    image->height = height;
    image->bytes_per_pixel = bytes_per_pixel;
    return 0;
}
