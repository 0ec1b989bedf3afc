// raster.cpp -- painting into float pictures: lights, discs, lines, masks, blurs
#include "raster.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

bool inside(const Raster& r, int x, int y) {
    return x >= 0 && y >= 0 && x < r.width && y < r.height;
}

uint8_t to_byte(float v) {
    const float c = v < 0 ? 0 : v > 1 ? 1 : v;
    return uint8_t(std::lround(c * 255.0f));
}

// One box pass along rows (step 1) or columns (step = width) over n lines of count values.
void box_pass(float* data, int count, int lines, int stride_line, int step, int radius, std::vector<float>& scratch) {
    scratch.resize(size_t(count));
    const float scale = 1.0f / float(2 * radius + 1);
    for (int line = 0; line < lines; ++line) {
        float* p = data + size_t(line) * size_t(stride_line);
        for (int i = 0; i < count; ++i) scratch[size_t(i)] = p[size_t(i) * size_t(step)];
        float sum = 0;
        for (int i = -radius; i <= radius; ++i) sum += scratch[size_t(std::clamp(i, 0, count - 1))];
        for (int i = 0; i < count; ++i) {
            p[size_t(i) * size_t(step)] = sum * scale;
            sum += scratch[size_t(std::min(i + radius + 1, count - 1))] - scratch[size_t(std::max(i - radius, 0))];
        }
    }
}

void blur_channel(float* data, int width, int height, int stride, int radius) {
    std::vector<float> scratch;
    for (int pass = 0; pass < 3; ++pass) {
        box_pass(data, width, height, width * stride, stride, radius, scratch);
        box_pass(data, height, width, stride, width * stride, radius, scratch);
    }
}

}  // namespace

void add_light(Raster* raster, int x, int y, Colour colour, float weight) {
    if (!inside(*raster, x, y)) return;
    Colour& p = raster->at(x, y);
    const float w = weight * colour.a;
    p.r += colour.r * w;
    p.g += colour.g * w;
    p.b += colour.b * w;
}

void paint_over(Raster* raster, int x, int y, Colour colour, float weight) {
    if (!inside(*raster, x, y)) return;
    Colour& p = raster->at(x, y);
    const float w = std::clamp(weight * colour.a, 0.0f, 1.0f);
    p.r += (colour.r - p.r) * w;
    p.g += (colour.g - p.g) * w;
    p.b += (colour.b - p.b) * w;
    p.a = p.a + w - p.a * w;
}

void add_glow(Raster* raster, float cx, float cy, float radius, Colour colour, float falloff) {
    const int x0 = std::max(0, int(cx - radius)), x1 = std::min(raster->width - 1, int(cx + radius) + 1);
    const int y0 = std::max(0, int(cy - radius)), y1 = std::min(raster->height - 1, int(cy + radius) + 1);
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            const float d = std::hypot(float(x) + 0.5f - cx, float(y) + 0.5f - cy) / radius;
            if (d < 1) add_light(raster, x, y, colour, std::pow(1 - d, falloff));
        }
    }
}

void paint_disc(Raster* raster, float cx, float cy, float radius, Colour colour) {
    const int x0 = std::max(0, int(cx - radius) - 1), x1 = std::min(raster->width - 1, int(cx + radius) + 1);
    const int y0 = std::max(0, int(cy - radius) - 1), y1 = std::min(raster->height - 1, int(cy + radius) + 1);
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            const float d = std::hypot(float(x) + 0.5f - cx, float(y) + 0.5f - cy);
            const float cover = std::clamp(radius - d + 0.5f, 0.0f, 1.0f);
            if (cover > 0) paint_over(raster, x, y, colour, cover);
        }
    }
}

void add_line(Raster* raster, float x0, float y0, float x1, float y1, float width, Colour colour, float glow) {
    const float reach = width * 0.5f + glow + 1;
    const int bx0 = std::max(0, int(std::min(x0, x1) - reach)), bx1 = std::min(raster->width - 1, int(std::max(x0, x1) + reach));
    const int by0 = std::max(0, int(std::min(y0, y1) - reach)), by1 = std::min(raster->height - 1, int(std::max(y0, y1) + reach));
    const float dx = x1 - x0, dy = y1 - y0;
    const float len2 = std::max(dx * dx + dy * dy, 1e-6f);
    for (int y = by0; y <= by1; ++y) {
        for (int x = bx0; x <= bx1; ++x) {
            const float px = float(x) + 0.5f - x0, py = float(y) + 0.5f - y0;
            const float t = std::clamp((px * dx + py * dy) / len2, 0.0f, 1.0f);
            const float d = std::hypot(px - t * dx, py - t * dy);
            float w = std::clamp(width * 0.5f - d + 0.5f, 0.0f, 1.0f);
            const float beyond = d - width * 0.5f;  // distance past the line's edge
            if (glow > 0 && beyond > 0 && beyond < glow) w += 0.5f * std::pow(1 - beyond / glow, 2.0f);
            if (w > 0) add_light(raster, x, y, colour, w);
        }
    }
}

void paint_mask(Raster* raster, const Mask& mask, int dx, int dy, Colour colour) {
    for (int y = 0; y < mask.height; ++y) {
        for (int x = 0; x < mask.width; ++x) {
            const float m = mask.at(x, y);
            if (m > 0) paint_over(raster, x + dx, y + dy, colour, m);
        }
    }
}

void add_mask(Raster* raster, const Mask& mask, int dx, int dy, Colour colour) {
    for (int y = 0; y < mask.height; ++y) {
        for (int x = 0; x < mask.width; ++x) {
            const float m = mask.at(x, y);
            if (m > 0) add_light(raster, x + dx, y + dy, colour, m);
        }
    }
}

void blur(Mask* mask, int radius) {
    if (radius > 0) blur_channel(mask->values.data(), mask->width, mask->height, 1, radius);
}

void blur(Raster* raster, int radius) {
    if (radius <= 0) return;
    float* data = &raster->pixels[0].r;
    for (int c = 0; c < 4; ++c) blur_channel(data + c, raster->width, raster->height, 4, radius);
}

void mirror_x(Raster* raster) {
    for (int y = 0; y < raster->height; ++y) {
        std::reverse(raster->pixels.begin() + std::ptrdiff_t(y) * raster->width,
                     raster->pixels.begin() + std::ptrdiff_t(y + 1) * raster->width);
    }
}

std::string to_rgb8(const Raster& raster) {
    std::string out(raster.pixels.size() * 3, '\0');
    size_t i = 0;
    for (const Colour& p : raster.pixels) {
        out[i++] = char(to_byte(p.r));
        out[i++] = char(to_byte(p.g));
        out[i++] = char(to_byte(p.b));
    }
    return out;
}

std::string to_rgba8(const Raster& raster) {
    std::string out(raster.pixels.size() * 4, '\0');
    size_t i = 0;
    for (const Colour& p : raster.pixels) {
        out[i++] = char(to_byte(p.r));
        out[i++] = char(to_byte(p.g));
        out[i++] = char(to_byte(p.b));
        out[i++] = char(to_byte(p.a));
    }
    return out;
}
