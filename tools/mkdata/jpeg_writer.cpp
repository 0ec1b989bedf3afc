// jpeg_writer.cpp -- libjpeg compression into memory, with the library's defaults otherwise
#include "jpeg_writer.h"

#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>

namespace {

// libjpeg only fails here on misuse or on running out of memory; neither can be recovered from.
void jpeg_fail(j_common_ptr info) {
    char message[JMSG_LENGTH_MAX];
    (*info->err->format_message)(info, message);
    fprintf(stderr, "varnel-mkdata: JPEG encoding failed: %s\n", message);
    exit(1);
}

}  // namespace

std::string encode_jpeg(const Raster& raster, int quality) {
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    error.error_exit = jpeg_fail;
    jpeg_create_compress(&info);

    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(raster.width);
    info.image_height = JDIMENSION(raster.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    // Optimised Huffman tables: smaller files, and still the same bytes on every run.
    info.optimize_coding = TRUE;
    jpeg_start_compress(&info, TRUE);

    const std::string rgb = to_rgb8(raster);
    const size_t stride = size_t(raster.width) * 3;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(const_cast<char*>(rgb.data() + info.next_scanline * stride));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    std::string out(reinterpret_cast<const char*>(buffer), size);
    jpeg_destroy_compress(&info);
    free(buffer);
    return out;
}
