// image.cpp -- the image table, texture upload and the binding caches
#include "resources/image.h"

#include <GL/glu.h>

#include <cstring>

#include "kernel/ascii_case.h"

namespace {

struct ImageState {
    Image images[kImageTableSize];  // records in load order; the index is the handle
    int count = 0;
    GLint bound_texture = -1;       // last bound through bind_texture; -1 for none
    GLint env_mode = -1;            // last environment mode set through bind_texture
} s_image;

enum class Decoder { Pcx, Tga, Jpeg, None };

Decoder choose_decoder(const std::string& path) {
    // The first that appears anywhere in the path wins, in this order.
    if (path.find(".pcx") != std::string::npos) return Decoder::Pcx;
    if (path.find(".tga") != std::string::npos) return Decoder::Tga;
    if (path.find(".jpg") != std::string::npos) return Decoder::Jpeg;
    return Decoder::None;
}

bool valid(int image) {
    return image >= 0 && image < s_image.count;
}

// The code, and its words where asked for.
int refuse(int code, const char* why, const char** failure) {
    if (failure) *failure = why;
    return code;
}

}  // namespace

int load_texture(const char* path, bool from_archive, const char** failure) {
    std::string name(path);
    for (char& c : name) c = ascii_lower(c);
    const Decoder decoder = choose_decoder(name);
    if (decoder == Decoder::None) return refuse(kImageUnknownType, "no .pcx, .tga or .jpg in the name", failure);

    DataSource source;
    switch (open_data_source(name.c_str(), from_archive, &source)) {
    case kSourceOk:
        break;
    case kSourceNoFile:
        return refuse(kImageUnknownType, "no such file", failure);
    case kSourceNoArchiveFile:
        return refuse(kImageNoArchiveFile, "data.dat cannot be opened or is shorter than its directory says", failure);
    default:
        return refuse(kImageNotInArchive, "not in data.dat", failure);
    }

    DecodedImage decoded;
    int result = kImageUnsupported;
    switch (decoder) {
    case Decoder::Pcx:
        result = decode_pcx(&source, &decoded);
        break;
    case Decoder::Tga:
        result = decode_tga(&source, &decoded);
        break;
    case Decoder::Jpeg:
        result = decode_jpeg(source.file, &decoded);
        break;
    case Decoder::None:
        break;
    }
    close_data_source(&source);
    if (result != 0) return refuse(result, decoded.failure, failure);
    if (s_image.count == kImageTableSize) return refuse(kImageTableFull, "all 1024 image records are taken", failure);

    Image& image = s_image.images[s_image.count];
    image = Image();
    image.name = std::move(name);
    image.width = decoded.width;
    image.height = decoded.height;
    image.pixels = std::move(decoded.pixels);
    image.internal_format = image.pixel_format = decoded.bytes_per_pixel == 4 ? GL_RGBA : GL_RGB;
    return s_image.count++;
}

void set_texture_options(int image, int bits) {
    if (!valid(image)) return;
    Image& record = s_image.images[image];
    record.filter = (bits & kTextureNoMipmaps) ? GL_LINEAR : GL_LINEAR_MIPMAP_NEAREST;
    record.wrap = (bits & kTextureClamp) ? GL_CLAMP : GL_REPEAT;
    record.env_mode = (bits & kTextureModulate) ? GL_MODULATE : GL_REPLACE;
}

void upload_texture(int image) {
    if (!valid(image)) return;
    Image& record = s_image.images[image];
    glGenTextures(1, &record.texture);
    glBindTexture(GL_TEXTURE_2D, record.texture);
    // The next bind_texture binds whatever it is asked for.
    s_image.bound_texture = -1;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GLint(record.wrap));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GLint(record.wrap));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLint(record.filter));

    // Rows are packed without padding, whatever their width.
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (record.filter == GL_LINEAR_MIPMAP_NEAREST) {
        gluBuild2DMipmaps(GL_TEXTURE_2D, GLint(record.internal_format), record.width, record.height,
                          record.pixel_format, GL_UNSIGNED_BYTE, record.pixels.get());
    } else {
        glTexImage2D(GL_TEXTURE_2D, 0, GLint(record.internal_format), record.width, record.height, 0,
                     record.pixel_format, GL_UNSIGNED_BYTE, record.pixels.get());
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
}

void bind_texture(int image) {
    if (!valid(image)) return;
    const Image& record = s_image.images[image];
    if (GLint(record.texture) != s_image.bound_texture) {
        glBindTexture(GL_TEXTURE_2D, record.texture);
        s_image.bound_texture = GLint(record.texture);
    }
    if (GLint(record.env_mode) != s_image.env_mode) {
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GLint(record.env_mode));
        s_image.env_mode = GLint(record.env_mode);
    }
}

int image_count() {
    return s_image.count;
}

const Image& image_record(int image) {
    return s_image.images[image];
}
