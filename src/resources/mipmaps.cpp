// mipmaps.cpp -- halves pictures level by level and uploads the chain, the same bytes as GLU's
#include "resources/mipmaps.h"

#include <algorithm>
#include <memory>

namespace {

// GLU keeps a power-of-two side as it is as long as the driver can hold the texture's level 1 and
// below; beyond this the answer would depend on the driver's memory.
constexpr int kMaxSide = 2048;

struct MipmapState {
    std::unique_ptr<uint8_t[]> levels[2];  // the level just made and the one before, reused
    size_t capacity = 0;                   // bytes of each
} s_mipmaps;

bool power_of_two(int n) {
    return n > 0 && (n & (n - 1)) == 0;
}

}  // namespace

bool mipmaps_fit(int width, int height) {
    GLint max_size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_size);
    const int limit = std::min(kMaxSide, int(max_size));
    return power_of_two(width) && power_of_two(height) && width <= limit && height <= limit;
}

void halve_picture(const uint8_t* in, int width, int height, int bytes_per_pixel, uint8_t* out) {
    const size_t bpp = size_t(bytes_per_pixel);
    const size_t stride = size_t(width) * bpp;
    if (height == 1 || width == 1) {
        // One row or one column: pairs, their mean truncated.
        const size_t step = height == 1 ? bpp : stride;
        const int n = std::max(width, height) / 2;
        for (int i = 0; i < n; ++i, in += 2 * step) {
            for (size_t k = 0; k < bpp; ++k) *out++ = uint8_t((in[k] + in[k + step]) / 2);
        }
        return;
    }
    for (int y = 0; y < height / 2; ++y) {
        const uint8_t* top = in + size_t(2 * y) * stride;
        const uint8_t* bottom = top + stride;
        for (int x = 0; x < width / 2; ++x, top += 2 * bpp, bottom += 2 * bpp) {
            for (size_t k = 0; k < bpp; ++k) {
                *out++ = uint8_t((top[k] + top[k + bpp] + bottom[k] + bottom[k + bpp] + 2) / 4);
            }
        }
    }
}

void upload_mipmaps(const uint8_t* pixels, int width, int height, int bytes_per_pixel, GLenum format) {
    const GLint internal = GLint(format);
    glTexImage2D(GL_TEXTURE_2D, 0, internal, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
    const size_t needed = size_t(std::max(width / 2, 1)) * size_t(std::max(height / 2, 1)) * size_t(bytes_per_pixel);
    if (needed > s_mipmaps.capacity) {
        for (auto& level : s_mipmaps.levels) level.reset(new uint8_t[needed]);
        s_mipmaps.capacity = needed;
    }
    const uint8_t* source = pixels;
    for (int level = 1; width > 1 || height > 1; ++level) {
        uint8_t* halved = s_mipmaps.levels[level % 2].get();
        halve_picture(source, width, height, bytes_per_pixel, halved);
        width = std::max(width / 2, 1);
        height = std::max(height / 2, 1);
        glTexImage2D(GL_TEXTURE_2D, level, internal, width, height, 0, format, GL_UNSIGNED_BYTE, halved);
        source = halved;
    }
}
