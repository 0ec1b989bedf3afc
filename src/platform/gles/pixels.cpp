// pixels.cpp -- the layer's textures, pixel storage and transfer, glReadPixels, glDrawPixels and GLU's mipmaps
#include "platform/gles/layer.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace gles {

namespace {

struct PixelState {
    std::vector<uint8_t> formats;  // texture name -> the format class of its level 0
    GLuint image;                  // glDrawPixels' picture
    std::vector<uint8_t> scaled;   // gluBuild2DMipmaps' picture at power-of-two sides, and its halvings
    std::vector<uint8_t> halved;
} s_pixels;

int format_class(GLenum format) {
    switch (format) {
    case GL_RGBA: return 1;
    case GL_ALPHA: return 2;
    case GL_LUMINANCE: return 3;
    default: return 0;
    }
}

int bytes_per_pixel(GLenum format) {
    switch (format) {
    case GL_RGBA: return 4;
    case GL_RGB: return 3;
    case GL_LUMINANCE_ALPHA: return 2;
    default: return 1;
    }
}

// GL 1.1's internal formats given as component counts, as the ES format they are.
GLenum base_format(GLint internal_format) {
    switch (internal_format) {
    case 1: return GL_LUMINANCE;
    case 2: return GL_LUMINANCE_ALPHA;
    case 3: return GL_RGB;
    case 4: return GL_RGBA;
    default: return GLenum(internal_format);
    }
}

void set_unpack_alignment(int alignment) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
}

// Before a texture object changes: a batch drawn with it must be drawn first, and ES changes the
// texture bound, so it is the one the layer's state binds.
void touch_bound_texture() {
    flush_batch();
    bind_texture_unit(s_gl.server.texture);
}

// The power of two GLU scales a side to: the nearer one, a side of 3 x 2^k going up.
int nearest_power(int value) {
    int power = 1;
    while (value > 1) {
        if (value == 3) return power * 4;
        value >>= 1;
        power *= 2;
    }
    return power;
}

// Scales a picture by averaging, for each output pixel, the input pixels its box covers, each by
// the share it covers.
void scale_picture(const uint8_t* in, int width, int height, int bpp, uint8_t* out, int out_width, int out_height) {
    const float sx = float(width) / float(out_width);
    const float sy = float(height) / float(out_height);
    for (int oy = 0; oy < out_height; ++oy) {
        const float y0 = float(oy) * sy, y1 = y0 + sy;
        for (int ox = 0; ox < out_width; ++ox) {
            const float x0 = float(ox) * sx, x1 = x0 + sx;
            float sum[4] = {0, 0, 0, 0};
            float area = 0.0f;
            for (int y = int(y0); y < height && float(y) < y1; ++y) {
                const float wy = std::min(y1, float(y + 1)) - std::max(y0, float(y));
                for (int x = int(x0); x < width && float(x) < x1; ++x) {
                    const float w = wy * (std::min(x1, float(x + 1)) - std::max(x0, float(x)));
                    const uint8_t* p = in + (size_t(y) * size_t(width) + size_t(x)) * size_t(bpp);
                    for (int k = 0; k < bpp; ++k) sum[k] += w * float(p[k]);
                    area += w;
                }
            }
            uint8_t* q = out + (size_t(oy) * size_t(out_width) + size_t(ox)) * size_t(bpp);
            for (int k = 0; k < bpp; ++k) q[k] = uint8_t(sum[k] / area + 0.5f);
        }
    }
}

// One level down, as GLU halves: the rounded mean of each 2 x 2 block, or the truncated mean of
// two neighbours once a side is 1.
void halve(const uint8_t* in, int width, int height, int bpp, uint8_t* out) {
    const size_t step = size_t(bpp);
    const size_t stride = size_t(width) * step;
    if (width == 1 || height == 1) {
        const size_t next = height == 1 ? step : stride;
        const int n = std::max(width, height) / 2;
        for (int i = 0; i < n; ++i, in += 2 * next) {
            for (size_t k = 0; k < step; ++k) *out++ = uint8_t((in[k] + in[k + next]) / 2);
        }
        return;
    }
    for (int y = 0; y < height / 2; ++y) {
        const uint8_t* top = in + size_t(2 * y) * stride;
        const uint8_t* bottom = top + stride;
        for (int x = 0; x < width / 2; ++x, top += 2 * step, bottom += 2 * step) {
            for (size_t k = 0; k < step; ++k) *out++ = uint8_t((top[k] + top[k + step] + bottom[k] + bottom[k + step] + 2) / 4);
        }
    }
}

}  // namespace

int texture_format(GLuint texture) {
    return texture < s_pixels.formats.size() ? s_pixels.formats[texture] : 0;
}

GLuint draw_pixels_texture() {
    return s_pixels.image;
}

void open_pixels() {
    s_pixels.formats.assign(1024, 0);
    glGenTextures(1, &s_pixels.image);
    bind_texture_unit(s_pixels.image);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

void close_pixels() {
    if (s_pixels.image) glDeleteTextures(1, &s_pixels.image);
    s_pixels = PixelState{};
    s_gl.driver.texture = 0;
}

}  // namespace gles

using namespace gles;

void gles_glGenTextures(GLsizei n, GLuint* textures) {
    glGenTextures(n, textures);
    for (GLsizei i = 0; i < n; ++i) {
        if (textures[i] >= s_pixels.formats.size()) s_pixels.formats.resize(size_t(textures[i]) * 2, 0);
        s_pixels.formats[textures[i]] = 0;
    }
}

void gles_glDeleteTextures(GLsizei n, const GLuint* textures) {
    flush_batch();
    for (GLsizei i = 0; i < n; ++i) {
        if (textures[i] == s_gl.server.texture) s_gl.server.texture = 0;
        if (textures[i] == s_gl.driver.texture) s_gl.driver.texture = 0;
    }
    glDeleteTextures(n, textures);
}

void gles_glBindTexture(GLenum target, GLuint texture) {
    if (compiling_list()) not_covered("glBindTexture inside a display list");
    if (target != GL_TEXTURE_2D) not_covered("glBindTexture(0x%04X)", target);
    if (s_gl.server.texture == texture) return;
    if (s_gl.server.texture_2d) flush_batch();
    s_gl.server.texture = texture;
}

void gles_glTexParameteri(GLenum target, GLenum pname, GLint param) {
    if (target != GL_TEXTURE_2D) not_covered("glTexParameteri(0x%04X)", target);
    touch_bound_texture();
    // ES has no border colour: a clamp reaches the edge texels.
    if ((pname == GL_TEXTURE_WRAP_S || pname == GL_TEXTURE_WRAP_T) && param == GL_CLAMP) param = GL_CLAMP_TO_EDGE;
    glTexParameteri(target, pname, param);
}

void gles_glTexImage2D(GLenum target, GLint level, GLint internal_format, GLsizei width, GLsizei height, GLint border,
                       GLenum format, GLenum type, const GLvoid* pixels) {
    if (target != GL_TEXTURE_2D || border != 0 || type != GL_UNSIGNED_BYTE) {
        not_covered("glTexImage2D(0x%04X, border %d, type 0x%04X)", target, border, type);
    }
    const GLenum internal = base_format(internal_format);
    if (internal != format) {
        not_covered("glTexImage2D with internal format 0x%04X from pixels of format 0x%04X", GLenum(internal_format),
                    format);
    }
    touch_bound_texture();
    set_unpack_alignment(s_gl.client.unpack_alignment);
    glTexImage2D(target, level, GLint(internal), width, height, 0, format, type, pixels);
    if (level == 0 && s_gl.server.texture < s_pixels.formats.size()) {
        s_pixels.formats[s_gl.server.texture] = uint8_t(format_class(format));
    }
}

GLint gles_gluBuild2DMipmaps(GLenum target, GLint internal_format, GLsizei width, GLsizei height, GLenum format,
                             GLenum type, const void* data) {
    if (target != GL_TEXTURE_2D || type != GL_UNSIGNED_BYTE || width <= 0 || height <= 0) {
        not_covered("gluBuild2DMipmaps(0x%04X, type 0x%04X)", target, type);
    }
    GLint most = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &most);
    int w = std::min(nearest_power(width), int(most));
    int h = std::min(nearest_power(height), int(most));
    const int bpp = bytes_per_pixel(format);
    // Rows of the caller's picture padded to the unpack alignment are packed first.
    const int alignment = s_gl.client.unpack_alignment;
    const size_t row = size_t(width) * size_t(bpp);
    const size_t padded = (row + size_t(alignment) - 1) / size_t(alignment) * size_t(alignment);
    const uint8_t* in = static_cast<const uint8_t*>(data);
    std::vector<uint8_t> packed;
    if (padded != row) {
        packed.resize(row * size_t(height));
        for (int y = 0; y < height; ++y) memcpy(packed.data() + size_t(y) * row, in + size_t(y) * padded, row);
        in = packed.data();
    }
    s_pixels.scaled.resize(size_t(w) * size_t(h) * size_t(bpp));
    if (w == width && h == height) {
        memcpy(s_pixels.scaled.data(), in, s_pixels.scaled.size());
    } else {
        scale_picture(in, width, height, bpp, s_pixels.scaled.data(), w, h);
    }
    const int saved = s_gl.client.unpack_alignment;
    s_gl.client.unpack_alignment = 1;
    gles_glTexImage2D(GL_TEXTURE_2D, 0, internal_format, w, h, 0, format, type, s_pixels.scaled.data());
    for (int level = 1; w > 1 || h > 1; ++level) {
        s_pixels.halved.resize(size_t(std::max(w / 2, 1)) * size_t(std::max(h / 2, 1)) * size_t(bpp));
        halve(s_pixels.scaled.data(), w, h, bpp, s_pixels.halved.data());
        w = std::max(w / 2, 1);
        h = std::max(h / 2, 1);
        s_pixels.scaled.swap(s_pixels.halved);
        gles_glTexImage2D(GL_TEXTURE_2D, level, internal_format, w, h, 0, format, type, s_pixels.scaled.data());
    }
    s_gl.client.unpack_alignment = saved;
    return 0;
}

void gles_glPixelStorei(GLenum pname, GLint param) {
    switch (pname) {
    case GL_UNPACK_ALIGNMENT: s_gl.client.unpack_alignment = param; return;
    case GL_PACK_ALIGNMENT: s_gl.client.pack_alignment = param; return;
    case GL_UNPACK_ROW_LENGTH: case GL_UNPACK_SKIP_ROWS: case GL_UNPACK_SKIP_PIXELS: case GL_UNPACK_SWAP_BYTES:
    case GL_UNPACK_LSB_FIRST: case GL_PACK_ROW_LENGTH: case GL_PACK_SKIP_ROWS: case GL_PACK_SKIP_PIXELS:
    case GL_PACK_SWAP_BYTES: case GL_PACK_LSB_FIRST:
        // Rows as they are, neither skipped nor swapped: the only way the layer reads and writes them.
        if (param == 0) return;
        break;
    default: break;
    }
    not_covered("glPixelStorei(0x%04X, %d)", pname, param);
}

void gles_glPixelTransferf(GLenum pname, GLfloat param) {
    const bool scale = pname == GL_RED_SCALE || pname == GL_GREEN_SCALE || pname == GL_BLUE_SCALE ||
                       pname == GL_ALPHA_SCALE || pname == GL_DEPTH_SCALE;
    const bool bias = pname == GL_RED_BIAS || pname == GL_GREEN_BIAS || pname == GL_BLUE_BIAS || pname == GL_ALPHA_BIAS ||
                      pname == GL_DEPTH_BIAS;
    const bool map = pname == GL_MAP_COLOR || pname == GL_MAP_STENCIL;
    // Pixels pass unchanged: the one transfer the layer makes.
    if ((scale && param == 1.0f) || ((bias || map) && param == 0.0f)) return;
    not_covered("glPixelTransfer(0x%04X, %g)", pname, double(param));
}

void gles_glPixelTransferi(GLenum pname, GLint param) {
    gles_glPixelTransferf(pname, GLfloat(param));
}

void gles_glPixelZoom(GLfloat x, GLfloat y) {
    if (x != 1.0f || y != 1.0f) not_covered("glPixelZoom(%g, %g)", double(x), double(y));
}

void gles_glReadBuffer(GLenum mode) {
    if (mode != GL_BACK) not_covered("glReadBuffer(0x%04X): the back buffer only", mode);
}

void gles_glDrawBuffer(GLenum mode) {
    if (mode != GL_BACK) not_covered("glDrawBuffer(0x%04X): the back buffer only", mode);
}

void gles_glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, GLvoid* pixels) {
    if ((format != GL_RGB && format != GL_RGBA) || type != GL_UNSIGNED_BYTE) {
        not_covered("glReadPixels(format 0x%04X, type 0x%04X): colour as bytes only", format, type);
    }
    if (size_t(width) * size_t(height) > size_t(s_gl.width) * size_t(s_gl.height)) {
        not_covered("glReadPixels of %d x %d, more than the window", width, height);
    }
    flush_batch();
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, s_gl.scratch);
    const int bpp = format == GL_RGBA ? 4 : 3;
    const size_t row = size_t(width) * size_t(bpp);
    const size_t alignment = size_t(s_gl.client.pack_alignment);
    const size_t stride = (row + alignment - 1) / alignment * alignment;
    uint8_t* out = static_cast<uint8_t*>(pixels);
    for (int r = 0; r < height; ++r) {
        const uint8_t* in = s_gl.scratch + size_t(r) * size_t(width) * 4;
        uint8_t* line = out + size_t(r) * stride;
        if (bpp == 4) {
            memcpy(line, in, row);
        } else {
            for (int i = 0; i < width; ++i) memcpy(line + size_t(i) * 3, in + size_t(i) * 4, 3);
        }
    }
}

void gles_glDrawPixels(GLsizei width, GLsizei height, GLenum format, GLenum type, const GLvoid* pixels) {
    if ((format != GL_RGB && format != GL_RGBA) || type != GL_UNSIGNED_BYTE) {
        not_covered("glDrawPixels(format 0x%04X, type 0x%04X): colour as bytes only", format, type);
    }
    ServerState& s = s_gl.server;
    if (!s.raster_valid || width <= 0 || height <= 0) return;
    flush_batch();
    bind_texture_unit(s_pixels.image);
    set_unpack_alignment(s_gl.client.unpack_alignment);
    glTexImage2D(GL_TEXTURE_2D, 0, GLint(format), width, height, 0, format, type, pixels);
    // One quad over the picture's pixels from the raster position, in clip space.
    open_primitive(GL_QUADS, false, true);
    emit_raster_quad(s.raster[0], s.raster[1], float(width), float(height), 0.0f, 0.0f, 1.0f, 1.0f);
    end_primitive();
    flush_batch();
}
