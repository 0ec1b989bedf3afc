// jpeg.cpp -- decodes JPEG pictures from memory through libjpeg and its standard error manager
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

// libjpeg's header needs size_t and FILE declared before it.
#include <jpeglib.h>

#include "core/fatal.h"
#include "resources/image_decoders.h"

namespace {

// libjpeg's standard error manager with its fatal exit replaced.
struct JpegErrors {
    jpeg_error_mgr standard;  // first, so that libjpeg's pointer to it is a pointer to this
    jmp_buf back;             // where a fault returns to, unless it ends the program
    int code = kImageBadFormat;
};

[[noreturn]] void return_to_caller(j_common_ptr cinfo) {
    longjmp(reinterpret_cast<JpegErrors*>(cinfo->err)->back, 1);
}

// libjpeg's own exit (its message on standard error, status 1), but through the shutdown, so that
// the display mode, the window and the music are given back first. While the failure routine
// recovers, the message is said and the decode fails as a bad picture, for its loader to report.
[[noreturn]] void exit_through_shutdown(j_common_ptr cinfo) {
    (*cinfo->err->output_message)(cinfo);
    if (failure_policy() == FailurePolicy::Recover) return_to_caller(cinfo);
    jpeg_destroy(cinfo);
    exit_program(EXIT_FAILURE);
}

void say_nothing(j_common_ptr) {}

// Deferred, a warning (level -1) is a fault too: the loader's thread decodes the picture again and
// lets libjpeg say it there. Trace messages are never shown.
void defer_warnings(j_common_ptr cinfo, int level) {
    if (level < 0) return_to_caller(cinfo);
}

}  // namespace

int decode_jpeg(const uint8_t* data, size_t length, DecodedImage* image, JpegFaults faults) {
    *image = DecodedImage();
    jpeg_decompress_struct cinfo;
    JpegErrors errors;
    cinfo.err = jpeg_std_error(&errors.standard);
    switch (faults) {
    case JpegFaults::ExitProgram:
        errors.standard.error_exit = exit_through_shutdown;
        break;
    case JpegFaults::Return:
        errors.standard.error_exit = return_to_caller;
        errors.standard.output_message = say_nothing;
        break;
    case JpegFaults::Defer:
        errors.standard.error_exit = return_to_caller;
        errors.standard.emit_message = defer_warnings;
        errors.code = kImageDecodeAloud;
        break;
    }
    jpeg_create_decompress(&cinfo);
    // Everything allocated after this point is libjpeg's own (the row pointers too), so that a
    // fault that returns here leaves nothing behind but the picture, dropped below.
    if (setjmp(errors.back)) {
        jpeg_destroy_decompress(&cinfo);
        return refuse_picture(image, errors.code, "JPEG that libjpeg cannot decode");
    }
    // The file's own bytes: a picture cut short inside data.dat ends where its entry ends, not in
    // the next one.
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(length));
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

    // libjpeg writes every pixel, a picture cut short included.
    const int allocated = cinfo.output_components == 3
                              ? allocate_picture(image, int(cinfo.output_width), int(cinfo.output_height), 3, false)
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
