// jpeg.cpp -- decodes JPEG pictures from memory through libjpeg and its standard error manager
#include <cstddef>
#include <cstdio>
#include <memory>
#include <new>

// libjpeg's header needs size_t and FILE declared before it.
#include <jpeglib.h>

#include "resources/image_decoders.h"

int decode_jpeg(const uint8_t* data, size_t length, DecodedImage* image) {
    *image = DecodedImage();
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr error;
    // A corrupt file ends the process here with libjpeg's own message and status 1.
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_decompress(&cinfo);
    // The entry's own bytes: a picture cut short ends where its entry ends, not in the next one.
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(length));
    jpeg_read_header(&cinfo, TRUE);
    // Colour and greyscale pictures come out as RGB; CMYK cannot.
    if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK) {
        jpeg_destroy_decompress(&cinfo);
        return kImageBadFormat;
    }
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);

    if (cinfo.output_components != 3 ||
        allocate_picture(image, int(cinfo.output_width), int(cinfo.output_height), 3, false) != 0) {
        jpeg_destroy_decompress(&cinfo);
        *image = DecodedImage();
        return kImageUnsupported;
    }
    const size_t stride = size_t(cinfo.output_width) * 3;
    std::unique_ptr<JSAMPROW[]> rows(new (std::nothrow) JSAMPROW[cinfo.output_height]);
    if (!rows) {
        jpeg_destroy_decompress(&cinfo);
        *image = DecodedImage();
        return kImageUnsupported;
    }
    for (JDIMENSION y = 0; y < cinfo.output_height; ++y) rows[y] = image->pixels.get() + y * stride;
    while (cinfo.output_scanline < cinfo.output_height) {
        jpeg_read_scanlines(&cinfo, rows.get() + cinfo.output_scanline, cinfo.output_height - cinfo.output_scanline);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return 0;
}
