// decoded_image.cpp -- the pixel buffer of a picture being decoded, its size checked first
#include <new>

#include "resources/image_decoders.h"

bool picture_fits(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

int allocate_picture(DecodedImage* image, int width, int height, int bytes_per_pixel, bool zeroed) {
    *image = DecodedImage();
    if (!picture_fits(width, height)) return refuse_picture(image, kImageUnsupported, kTooLargeText);
    const size_t bytes = size_t(width) * size_t(height) * size_t(bytes_per_pixel);
    image->pixels.reset(zeroed ? new (std::nothrow) uint8_t[bytes]() : new (std::nothrow) uint8_t[bytes]);
    if (!image->pixels) return refuse_picture(image, kImageUnsupported, "no memory for the picture");
    image->width = width;
    image->height = height;
    image->bytes_per_pixel = bytes_per_pixel;
    return 0;
}

int refuse_picture(DecodedImage* image, int code, const char* why) {
    *image = DecodedImage();
    image->failure = why;
    return code;
}
