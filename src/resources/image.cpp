// image.cpp -- the image table, texture upload and the binding caches
#include "resources/image.h"

#include <GL/glu.h>

#include <cstring>

#include "core/ascii_case.h"
#include "core/timer.h"
#include "platform/gl_log.h"
#include "resources/load_timings.h"
#include "resources/mipmaps.h"
#include "resources/picture_file.h"
#include "resources/picture_prefetch.h"

namespace {

// While a second show loads beside the one that plays, its images follow the first show's records:
// handles count from first, so that each show's handles are what they would be alone.
struct ImageState {
    Image images[kImageTableSize];  // records in load order
    int first = 0;                  // the record of handle 0
    int count = 0;                  // handles in use, from first on
    int first_count = 0;            // while a second table is open: the first one's count
} s_image;

// What bind_texture believes GL has, so that it skips the calls that would change nothing.
struct BindCache {
    GLint bound_texture = -1;  // last bound through bind_texture; -1 for none
    GLint env_mode = -1;       // last environment mode set through bind_texture
} s_bind;

bool valid(int image) {
    return image >= 0 && image < s_image.count;
}

Image& record_of(int image) {
    return s_image.images[s_image.first + image];
}

// Deletes the textures of records [from, to) and empties them.
void free_records(int from, int to) {
    for (int i = from; i < to; ++i) {
        Image& record = s_image.images[i];
        if (record.texture != 0) glDeleteTextures(1, &record.texture);
        record = Image();
    }
    s_bind.bound_texture = -1;
}

// The code, and its words where asked for.
int refuse(int code, const char* why, const char** failure) {
    if (failure) *failure = why;
    return code;
}

int load_picture(const char* path, bool from_archive, const char** failure) {
    std::string name = ascii_lower(path);
    const PictureFormat format = picture_format(name);
    if (format == PictureFormat::None) return refuse(kImageUnknownType, "no .pcx, .tga or .jpg in the name", failure);

    // The loading phase decodes its pictures ahead, on a second thread.
    DecodedImage decoded;
    PictureTicks ticks;
    int result = 0;
    if (!take_prefetched_picture(name, from_archive, &decoded, &result, &ticks)) {
        result = read_picture(name, from_archive, JpegFaults::ExitProgram, &decoded, &ticks);
    }
    // The source's codes are the loader's codes for the same faults.
    if (result == kSourceNoFile || result == kSourceNoArchiveFile || result == kSourceNotInArchive) {
        return refuse(result, data_source_failure(result), failure);
    }
    g_load_timings.ticks[kLoadRead] += ticks.read;
    ++g_load_timings.count[kLoadRead];
    g_load_timings.bytes_read += ticks.bytes;
    const LoadStep step = format == PictureFormat::Pcx   ? kLoadDecodePcx
                          : format == PictureFormat::Tga ? kLoadDecodeTga
                                                         : kLoadDecodeJpeg;
    g_load_timings.ticks[step] += ticks.decode;
    ++g_load_timings.count[step];
    if (result != 0) return refuse(result, decoded.failure, failure);
    if (s_image.first + s_image.count == kImageTableSize) {
        return refuse(kImageTableFull, "all 1024 image records are taken", failure);
    }

    Image& image = record_of(s_image.count);
    image = Image();
    image.name = std::move(name);
    image.width = decoded.width;
    image.height = decoded.height;
    image.pixels = std::move(decoded.pixels);
    image.internal_format = image.pixel_format = decoded.bytes_per_pixel == 4 ? GL_RGBA : GL_RGB;
    return s_image.count++;
}

}  // namespace

const Snapshot kTextureBindSnapshot = kSnapshotOf<s_bind>;

int load_texture(const char* path, bool from_archive, const char** failure) {
    const uint64_t start = read_counter();
    const int image = load_picture(path, from_archive, failure);
    g_load_timings.image_ticks += read_counter() - start;
    return image;
}

void set_texture_options(int image, int bits) {
    if (!valid(image)) return;
    Image& record = record_of(image);
    record.filter = (bits & kTextureNoMipmaps) ? GL_LINEAR : GL_LINEAR_MIPMAP_NEAREST;
    record.wrap = (bits & kTextureClamp) ? GL_CLAMP : GL_REPEAT;
    record.env_mode = (bits & kTextureModulate) ? GL_MODULATE : GL_REPLACE;
}

namespace {

// The record's pixels into its texture object, with its options.
void send_texture(const Image& record) {
    glBindTexture(GL_TEXTURE_2D, record.texture);
    // The next bind_texture binds whatever it is asked for.
    s_bind.bound_texture = -1;
    // Clamped pictures clamp to their edge texels where the context can.
    const GLint wrap = GLint(record.wrap == GL_CLAMP ? g_clamp_wrap : record.wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLint(record.filter));

    // Rows are packed without padding, whatever their width.
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const uint64_t start = read_counter();
    if (record.filter == GL_LINEAR_MIPMAP_NEAREST && mipmaps_fit(record.width, record.height)) {
        // The same levels as GLU's, made without its generic per-pixel conversions.
        upload_mipmaps(record.pixels.get(), record.width, record.height, record.internal_format == GL_RGBA ? 4 : 3,
                       record.pixel_format);
        add_load_time(kLoadMipmaps, start);
    } else if (record.filter == GL_LINEAR_MIPMAP_NEAREST) {
        // Scaled to powers of two first.
        gluBuild2DMipmaps(GL_TEXTURE_2D, GLint(record.internal_format), record.width, record.height,
                          record.pixel_format, GL_UNSIGNED_BYTE, record.pixels.get());
        add_load_time(kLoadMipmaps, start);
    } else {
        glTexImage2D(GL_TEXTURE_2D, 0, GLint(record.internal_format), record.width, record.height, 0,
                     record.pixel_format, GL_UNSIGNED_BYTE, record.pixels.get());
        add_load_time(kLoadUpload, start);
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
}

}  // namespace

void upload_texture(int image) {
    if (!valid(image)) return;
    Image& record = record_of(image);
    glGenTextures(1, &record.texture);
    send_texture(record);
}

namespace {

// The picture of the file the image was loaded from, decoded again: 0, or the loader's code with why.
int decode_again(const Image& record, bool from_archive, DecodedImage* decoded, const char** why) {
    PictureTicks ticks;
    const int result = read_picture(record.name, from_archive, JpegFaults::Return, decoded, &ticks);
    if (result != 0) {
        const bool unread = result == kSourceNoFile || result == kSourceNoArchiveFile || result == kSourceNotInArchive;
        *why = unread ? data_source_failure(result) : decoded->failure;
    }
    return result;
}

}  // namespace

void replace_picture(int image, const DecodedImage& decoded) {
    if (!valid(image)) return;
    Image& record = record_of(image);
    record.width = decoded.width;
    record.height = decoded.height;
    record.pixels = decoded.pixels;
    record.internal_format = record.pixel_format = decoded.bytes_per_pixel == 4 ? GL_RGBA : GL_RGB;
    if (record.texture != 0) send_texture(record);
}

int reload_textures(const char* path, bool from_archive, const char** why) {
    int handles[kImageTableSize];
    const int count = find_images(path, handles, kImageTableSize);
    if (count == 0) return 0;
    // Decoded once, and only then put into every record of the file.
    DecodedImage decoded;
    if (decode_again(record_of(handles[0]), from_archive, &decoded, why) != 0) return -1;
    for (int i = 0; i < count; ++i) replace_picture(handles[i], decoded);
    return count;
}

void unload_textures(int first) {
    if (first < 0) first = 0;
    if (first >= s_image.count) return;
    free_records(s_image.first + first, s_image.first + s_image.count);
    s_image.count = first;
}

void unload_texture(int image) {
    if (valid(image)) free_records(s_image.first + image, s_image.first + image + 1);
}

void begin_second_image_table() {
    s_image.first_count = s_image.count;
    s_image.first = s_image.count;
    s_image.count = 0;
}

void end_second_image_table(bool keep) {
    const int second = s_image.first;
    if (keep) {
        // The second table's records move down into the first's places, their handles unchanged.
        free_records(0, second);
        for (int i = 0; i < s_image.count; ++i) s_image.images[i] = std::move(s_image.images[second + i]);
        for (int i = s_image.count; i < second + s_image.count; ++i) s_image.images[i] = Image();
    } else {
        free_records(second, second + s_image.count);
        s_image.count = s_image.first_count;
    }
    s_image.first = 0;
    s_image.first_count = 0;
}

int find_images(const char* path, int* handles, int most) {
    const std::string name = ascii_lower(path);
    int found = 0;
    for (int i = 0; i < s_image.count && found < most; ++i) {
        if (record_of(i).name == name) handles[found++] = i;
    }
    return found;
}

void bind_texture(int image) {
    if (!valid(image)) return;
    const Image& record = record_of(image);
    if (GLint(record.texture) != s_bind.bound_texture) {
        glBindTexture(GL_TEXTURE_2D, record.texture);
        s_bind.bound_texture = GLint(record.texture);
    }
    if (GLint(record.env_mode) != s_bind.env_mode) {
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GLint(record.env_mode));
        s_bind.env_mode = GLint(record.env_mode);
    }
}

int image_count() {
    return s_image.count;
}

const Image& image_record(int image) {
    return record_of(image);
}
