// decode_floor.cpp -- times decoding the loaded pictures alone, from memory, as the loading phase's floor
#include "decode_floor.h"

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "core/timer.h"
#include "resources/data_source.h"
#include "resources/image.h"
#include "resources/image_decoders.h"

namespace {

enum Format { kJpeg, kTga, kPcx, kFormatCount };

constexpr const char* kFormatNames[kFormatCount] = {"jpeg", "tga", "pcx"};

// The whole file or archive entry; empty when it cannot be read.
std::vector<uint8_t> read_whole(const char* path, bool from_archive) {
    DataSource source;
    if (open_data_source(path, from_archive, &source) != kSourceOk) return {};
    return std::vector<uint8_t>(source.data, source.data + source.length);
}

// libjpeg alone: header, RGB scanlines into one buffer, finish.
void decode_jpeg_bare(const std::vector<uint8_t>& bytes) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    const size_t stride = size_t(cinfo.output_width) * size_t(cinfo.output_components);
    std::unique_ptr<uint8_t[]> pixels(new uint8_t[stride * cinfo.output_height]);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pixels.get() + size_t(cinfo.output_scanline) * stride;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
}

void decode_ours(const std::vector<uint8_t>& bytes, Format format) {
    DataSource source = memory_source(bytes.data(), bytes.size());
    DecodedImage image;
    if (format == kTga) {
        decode_tga(&source, &image);
    } else {
        decode_pcx(&source, &image);
    }
}

}  // namespace

nlohmann::ordered_json measure_decode_floor(bool from_archive) {
    uint64_t ticks[kFormatCount] = {};
    int files[kFormatCount] = {};
    for (int i = 0; i < image_count(); ++i) {
        const std::string& name = image_record(i).name;
        // The loader's own choice of decoder: the first of these anywhere in the path.
        const Format format = name.find(".pcx") != std::string::npos   ? kPcx
                              : name.find(".tga") != std::string::npos ? kTga
                                                                       : kJpeg;
        std::vector<uint8_t> bytes = read_whole(name.c_str(), from_archive);
        if (bytes.empty()) continue;
        const uint64_t start = read_counter();
        if (format == kJpeg) {
            decode_jpeg_bare(bytes);
        } else {
            decode_ours(bytes, format);
        }
        ticks[format] += read_counter() - start;
        ++files[format];
    }

    const double ms_per_tick = 1000.0 / double(counter_frequency());
    nlohmann::ordered_json floor;
    uint64_t total = 0;
    for (int f = 0; f < kFormatCount; ++f) {
        floor[kFormatNames[f]] = {{"files", files[f]}, {"ms", double(ticks[f]) * ms_per_tick}};
        total += ticks[f];
    }
    floor["total_ms"] = double(total) * ms_per_tick;
    return floor;
}
