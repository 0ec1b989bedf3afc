// image.h -- the image table: pictures loaded into records, uploaded as textures, bound through caches
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <memory>
#include <string>

#include "core/snapshot.h"
#include "resources/image_decoders.h"

inline constexpr int kImageTableSize = 1024;

// set_texture_options bits; a clear bit gives the default.
inline constexpr int kTextureNoMipmaps = 1;  // GL_LINEAR instead of GL_LINEAR_MIPMAP_NEAREST
inline constexpr int kTextureClamp = 2;      // GL_CLAMP instead of GL_REPEAT (uploaded as g_clamp_wrap)
inline constexpr int kTextureModulate = 4;   // GL_MODULATE instead of GL_REPLACE

struct Image {
    std::string name;                   // the lower-cased path it was loaded from
    int width = 0;
    int height = 0;
    GLuint texture = 0;                 // from upload_texture
    std::shared_ptr<uint8_t[]> pixels;  // rows top first, R, G, B (, A); kept after upload; shared by
                                        // the records made of one file in one loading phase
    GLenum internal_format = GL_RGB;    // GL_RGB or GL_RGBA
    GLenum pixel_format = GL_RGB;
    GLenum filter = GL_LINEAR_MIPMAP_NEAREST;  // minification
    GLenum wrap = GL_REPEAT;                   // GL_REPEAT or GL_CLAMP; see g_clamp_wrap
    GLenum env_mode = GL_REPLACE;
};

// Loads a PCX, TGA or JPEG picture (the decoder chosen by ".pcx", ".tga" or ".jpg" anywhere in
// the lower-cased path) from data.dat or from disk. The image handle, or a negative ImageError;
// then, when failure is given, why in words.
int load_texture(const char* path, bool from_archive, const char** failure = nullptr);

void set_texture_options(int image, int bits);

// Creates the texture object: mipmaps through gluBuild2DMipmaps, or one level (power-of-two
// sides) without. Needs a current GL context.
void upload_texture(int image);

// Decodes the file at path again into every image loaded from it (compared without regard to case)
// and, once uploaded, into their texture objects, their options kept: pictures replaced under the
// same handles, all of them or none. How many there are; -1, every old picture kept and why in
// words, when the file cannot be read or decoded.
int reload_textures(const char* path, bool from_archive, const char** why);

// A picture decoded elsewhere put into the image's record and its texture, its options kept.
void replace_picture(int image, const DecodedImage& decoded);

// Deletes the texture of every image from first on and frees their records: the table as it was
// when it held first images.
void unload_textures(int first);

// Deletes one image's texture and frees its record; the handle stays taken, drawing nothing.
void unload_texture(int image);

// While a second show loads beside the one that plays: from begin on, images load into a second
// table after the first one's records, with handles from 0 as if alone, and every call takes the
// second table's handles. end keeps it: the first table is freed and the second takes its place,
// its handles unchanged; or lets it go: the second is freed and the first is in use again.
void begin_second_image_table();
void end_second_image_table(bool keep);

// Up to most handles of the images loaded from path (compared without regard to case), in load
// order; how many there are.
int find_images(const char* path, int* handles, int most);

// Binds the image's texture with its env mode, skipping what is bound and set already.
void bind_texture(int image);

// What bind_texture believes is bound and set, which must be put back along with GL's own state.
extern const Snapshot kTextureBindSnapshot;

int image_count();
const Image& image_record(int image);
