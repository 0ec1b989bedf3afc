// jpeg.cpp -- decodes JPEG pictures from memory through libjpeg and its standard error manager
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <new>

// libjpeg's header needs size_t and FILE declared before it.
#include <jpeglib.h>

#include "resources/image_decoders.h"

namespace {

// libjpeg's standard error manager, made to jump back instead of exiting or printing.
struct QuietError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void quiet_exit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<QuietError*>(cinfo->err)->jump, 1);
}

void quiet_message(j_common_ptr cinfo, int level) {
    // Level -1 is a warning, which the loud decode prints; trace messages are never shown.
    if (level < 0) std::longjmp(reinterpret_cast<QuietError*>(cinfo->err)->jump, 1);
}

}  // namespace

int decode_jpeg(const uint8_t* data, size_t length, DecodedImage* image, bool quiet) {
    *image = DecodedImage();
    jpeg_decompress_struct cinfo;
    QuietError error;
    // Loud, a corrupt file ends the process here with libjpeg's own message and status 1.
    cinfo.err = jpeg_std_error(&error.manager);
    if (quiet) {
        error.manager.error_exit = quiet_exit;
        error.manager.emit_message = quiet_message;
    }
    // Nothing with a destructor lives between here and a jump back.
    JSAMPROW* volatile rows = nullptr;
    if (quiet) {
        if (setjmp(error.jump)) {
            jpeg_destroy_decompress(&cinfo);
            delete[] rows;
            *image = DecodedImage();
            return kImageDecodeAloud;
        }
    }
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
    rows = new (std::nothrow) JSAMPROW[cinfo.output_height];
    if (!rows) {
        jpeg_destroy_decompress(&cinfo);
        *image = DecodedImage();
        return kImageUnsupported;
    }
    const size_t stride = size_t(cinfo.output_width) * 3;
    for (JDIMENSION y = 0; y < cinfo.output_height; ++y) rows[y] = image->pixels.get() + y * stride;
    while (cinfo.output_scanline < cinfo.output_height) {
        jpeg_read_scanlines(&cinfo, rows + cinfo.output_scanline, cinfo.output_height - cinfo.output_scanline);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    delete[] rows;
    return 0;
}
