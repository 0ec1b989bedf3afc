// text.h -- the bitmap font and 2D text drawing in window pixels
#pragma once

#include <cstdint>
#include <functional>

// Builds 256 display lists from the face (resolved through fontconfig, bold, 15 pixels high):
// list base + c draws the glyph of code c (Windows-1252) for c from 0 to 254.
// Needs a current GL context.
void create_font(const char* face);

// One glyph of the font, as FreeType renders it in monochrome: rows top first, 1 bit a pixel, the
// most significant bit leftmost, pitch bytes from one row to the next.
struct FontGlyph {
    int code;     // Windows-1252
    int width;
    int height;
    int left;     // from the pen to the bitmap's left edge
    int top;      // from the baseline up to the bitmap's top row
    int advance;  // pixels the pen moves on
    const uint8_t* rows;
    int pitch;
};

// Calls take with each glyph of codes 0 to 254 that the face has (bold, 15 pixels high), in code
// order; false when there is no such face. A build with the glyphs baked in (VARNEL_BAKED_FONT, the
// file varnel-font-bake wrote) gives those, whatever the face.
bool rasterize_font(const char* face, const std::function<void(const FontGlyph&)>& take);

// Draws text with its first glyph at raster position (x, y), in the colour current now.
void draw_text(int x, int y, const char* text);

// How far draw_text moves the raster position for text, in pixels.
int text_width(const char* text);

// How many of text's first characters draw_text fits into width pixels.
int text_fitting(const char* text, int width);

// Text as textured quads from the font's atlas, for many strings in one batch: begin_text_quads
// binds the atlas, turns on texturing and alpha blending and opens glBegin(GL_QUADS); text_quads adds
// a string's glyphs with its baseline's left end at (x, y), in the colour current now; end_text_quads
// closes the batch. Exact to the pixel under a projection of one unit a pixel,
// glOrtho(0, width, 0, height, ...); the caller restores the binding and enables it changed (glPushAttrib).
void begin_text_quads();
void text_quads(int x, int y, const char* text, int length);
void end_text_quads();

// Window pixels with the origin at the bottom left: depth test and texturing off, projection and
// model-view matrices pushed. end_text_mode pops them, turns both back on and leaves the
// projection matrix selected.
void begin_text_mode();
void end_text_mode();
