// pictures.cpp -- test pictures and their JPEG encoding
#include "support/pictures.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "support/scratch.h"

TestPicture gradient_picture(int width, int height) {
    TestPicture p;
    p.width = width;
    p.height = height;
    p.rgb.resize(size_t(width) * size_t(height) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* px = &p.rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
            px[0] = uint8_t(x * 255 / (width > 1 ? width - 1 : 1));
            px[1] = uint8_t(y * 255 / (height > 1 ? height - 1 : 1));
            px[2] = (x / 8 + y / 8) % 2 ? 200 : 40;
        }
    }
    return p;
}

std::string encode_jpeg(const TestPicture& picture, int quality) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(picture.width);
    cinfo.image_height = JDIMENSION(picture.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(&picture.rgb[size_t(cinfo.next_scanline) * size_t(picture.width) * 3]);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::string bytes(reinterpret_cast<const char*>(buffer), size);
    free(buffer);
    return bytes;
}

void write_loading_picture() {
    write_file("textures/loading.jpg", encode_jpeg(gradient_picture(64, 48)));
}

void write_picture_assets(std::span<const SectionAsset> assets) {
    const std::string jpeg = encode_jpeg(gradient_picture(8, 8));
    // 2 x 2, opaque white, rows top first, with an alpha channel.
    std::string tga(18, '\0');
    tga[2] = 2;
    tga[12] = tga[14] = 2;
    tga[16] = 32;
    tga[17] = 0x28;
    tga += std::string(16, '\xff');
    for (const SectionAsset& a : assets) {
        const std::string path = a.path;
        if (a.kind == SectionAsset::kSkybox) {
            for (const char* face : {"rt", "lf", "bk", "ft", "up", "dn"}) write_file(path + face + ".jpg", jpeg);
        } else if (a.kind != SectionAsset::kModel) {
            write_file(path, path.ends_with(".tga") ? tga : jpeg);
        }
    }
}
