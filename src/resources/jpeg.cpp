// jpeg.cpp -- decodes JPEG pictures through libjpeg's stdio source and standard error manager
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

// libjpeg's header needs size_t and FILE declared before it.
#include <jpeglib.h>

#include "kernel/fatal.h"
#include "resources/image_decoders.h"

namespace {

// libjpeg's standard error manager with its fatal exit replaced.
struct JpegErrors {
    jpeg_error_mgr standard;  // first, so that libjpeg's pointer to it is a pointer to this
    jmp_buf back;             // where a fault returns to under JpegFaults::Return
};

// libjpeg's own exit (its message on standard error, status 1), but through the shutdown, so that
// the display mode, the window and the music are given back first.
[[noreturn]] void exit_through_shutdown(j_common_ptr cinfo) {
    (*cinfo->err->output_message)(cinfo);
    jpeg_destroy(cinfo);
    exit_program(EXIT_FAILURE);
}

[[noreturn]] void return_to_caller(j_common_ptr cinfo) {
    longjmp(reinterpret_cast<JpegErrors*>(cinfo->err)->back, 1);
}

void say_nothing(j_common_ptr) {}

}  // namespace

int decode_jpeg(FILE* file, DecodedImage* image, JpegFaults faults) {
    *image = DecodedImage();
    jpeg_decompress_struct cinfo;
    JpegErrors errors;
    cinfo.err = jpeg_std_error(&errors.standard);
    if (faults == JpegFaults::Return) {
        errors.standard.error_exit = return_to_caller;
        errors.standard.output_message = say_nothing;
    } else {
        errors.standard.error_exit = exit_through_shutdown;
    }
    jpeg_create_decompress(&cinfo);
    // Everything allocated after this point is libjpeg's own (the row pointers too), so that a
    // fault that returns here leaves nothing behind but the picture, dropped below.
    if (setjmp(errors.back)) {
        jpeg_destroy_decompress(&cinfo);
        return refuse_picture(image, kImageBadFormat, "JPEG that libjpeg cannot decode");
    }
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    // Colour and greyscale pictures come out as RGB; CMYK cannot.
    if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK) {
        jpeg_destroy_decompress(&cinfo);
        return refuse_picture(image, kImageBadFormat, "CMYK JPEG");
    }
    // Before libjpeg sizes its own buffers by the header.
    if (!picture_fits(cinfo.image_width, cinfo.image_height)) {
        jpeg_destroy_decompress(&cinfo);
        return refuse_picture(image, kImageUnsupported, kTooLargeText);
    }
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);

    const int allocated = cinfo.output_components == 3
                              ? allocate_picture(image, int(cinfo.output_width), int(cinfo.output_height), 3)
                              : refuse_picture(image, kImageUnsupported, "JPEG that does not decode to RGB");
    if (allocated != 0) {
        jpeg_destroy_decompress(&cinfo);
        return allocated;
    }
    const size_t stride = size_t(cinfo.output_width) * 3;
    JSAMPARRAY rows = static_cast<JSAMPARRAY>((*cinfo.mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, cinfo.output_height * sizeof(JSAMPROW)));
    for (JDIMENSION y = 0; y < cinfo.output_height; ++y) rows[y] = image->pixels.get() + y * stride;
    while (cinfo.output_scanline < cinfo.output_height) {
        jpeg_read_scanlines(&cinfo, rows + cinfo.output_scanline, cinfo.output_height - cinfo.output_scanline);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return 0;
}
