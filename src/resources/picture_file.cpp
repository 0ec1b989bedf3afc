// picture_file.cpp -- the decoder a path takes, and its file read and decoded into pixels
#include "resources/picture_file.h"

#include "core/timer.h"
#include "resources/data_source.h"

PictureFormat picture_format(const std::string& path) {
    // The first that appears anywhere in the path wins, in this order.
    if (path.find(".pcx") != std::string::npos) return PictureFormat::Pcx;
    if (path.find(".tga") != std::string::npos) return PictureFormat::Tga;
    if (path.find(".jpg") != std::string::npos) return PictureFormat::Jpeg;
    return PictureFormat::None;
}

int read_picture(const std::string& path, bool from_archive, JpegFaults faults, DecodedImage* picture, PictureTicks* ticks) {
    *picture = DecodedImage();
    const PictureFormat format = picture_format(path);
    if (format == PictureFormat::None) return kImageUnknownType;

    DataSource source;
    const uint64_t opening = read_counter();
    const int opened = open_data_source(path.c_str(), from_archive, &source);
    if (opened != kSourceOk) return opened;
    const uint64_t decoding = read_counter();
    ticks->read = decoding - opening;
    ticks->bytes = source.length;

    int result = kImageUnsupported;
    switch (format) {
    case PictureFormat::Pcx:
        result = decode_pcx(&source, picture);
        break;
    case PictureFormat::Tga:
        result = decode_tga(&source, picture);
        break;
    case PictureFormat::Jpeg:
        result = decode_jpeg(source.data, size_t(source.length), picture, faults);
        break;
    case PictureFormat::None:
        break;
    }
    ticks->decode = read_counter() - decoding;
    return result;
}
