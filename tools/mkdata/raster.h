// raster.h -- the float pictures the generator paints into before they are encoded
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Colour {
    float r = 0, g = 0, b = 0, a = 1;
};

inline Colour operator+(Colour p, Colour q) { return {p.r + q.r, p.g + q.g, p.b + q.b, p.a + q.a}; }
inline Colour operator*(Colour p, float s) { return {p.r * s, p.g * s, p.b * s, p.a * s}; }
// Linear blend of the colour channels; alpha is p's.
inline Colour mix(Colour p, Colour q, float t) {
    return {p.r + (q.r - p.r) * t, p.g + (q.g - p.g) * t, p.b + (q.b - p.b) * t, p.a + (q.a - p.a) * t};
}
// A colour from 0xRRGGBB.
inline Colour rgb(uint32_t hex, float a = 1) {
    return {float((hex >> 16) & 255) / 255.0f, float((hex >> 8) & 255) / 255.0f, float(hex & 255) / 255.0f, a};
}

// RGBA, 0 to 1 per channel (values above 1 are allowed while painting and clamp on encoding), rows
// top first, as the player stores pictures.
struct Raster {
    int width = 0;
    int height = 0;
    std::vector<Colour> pixels;

    Raster() = default;
    Raster(int w, int h, Colour fill = {0, 0, 0, 1}) : width(w), height(h), pixels(size_t(w) * size_t(h), fill) {}

    Colour& at(int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    const Colour& at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }

    // Calls f(x, y, pixel) for every pixel, rows top first.
    template <typename F>
    void each(F f) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) f(x, y, at(x, y));
        }
    }
};

// A single channel of coverage, 0 to 1: text, shapes and masks before they are coloured in.
struct Mask {
    int width = 0;
    int height = 0;
    std::vector<float> values;

    Mask() = default;
    Mask(int w, int h) : width(w), height(h), values(size_t(w) * size_t(h), 0.0f) {}
    float& at(int x, int y) { return values[size_t(y) * size_t(width) + size_t(x)]; }
    float at(int x, int y) const { return values[size_t(y) * size_t(width) + size_t(x)]; }
    // 0 outside the mask.
    float sample(int x, int y) const { return x < 0 || y < 0 || x >= width || y >= height ? 0.0f : at(x, y); }
};

// Adds colour * weight * colour.a to the pixel's colour channels (light adds up).
void add_light(Raster* raster, int x, int y, Colour colour, float weight);

// Paints colour over the pixel with coverage weight * colour.a; the pixel's alpha becomes the union.
void paint_over(Raster* raster, int x, int y, Colour colour, float weight);

// A soft round light: weight (1 - d / radius)^falloff, added.
void add_glow(Raster* raster, float cx, float cy, float radius, Colour colour, float falloff);

// An antialiased filled disc, painted over.
void paint_disc(Raster* raster, float cx, float cy, float radius, Colour colour);

// An antialiased line of the given width, added as light; with a soft glow around it when glow > 0.
void add_line(Raster* raster, float x0, float y0, float x1, float y1, float width, Colour colour, float glow = 0);

// Paints colour through the mask: coverage mask * colour.a at (x + dx, y + dy).
void paint_mask(Raster* raster, const Mask& mask, int dx, int dy, Colour colour);
void add_mask(Raster* raster, const Mask& mask, int dx, int dy, Colour colour);

// Box blurs, three passes of the given radius: close to a Gaussian.
void blur(Mask* mask, int radius);
void blur(Raster* raster, int radius);

// Left and right exchanged, for pictures that are seen from behind.
void mirror_x(Raster* raster);

// 8-bit channels, rounded and clamped: RGB or RGBA, rows top first.
std::string to_rgb8(const Raster& raster);
std::string to_rgba8(const Raster& raster);
