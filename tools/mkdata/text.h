// text.h -- lettering with FreeType, in the Liberation faces that fontconfig finds
#pragma once

#include <string>

#include "raster.h"

enum class FontStyle { kSansBold, kSans, kSerifBold, kSerifItalic, kSansNarrowBold };

// Finds and opens the faces; false, with a message, when fontconfig cannot find Liberation fonts.
bool open_fonts(std::string* error);
void close_fonts();

// One line of text as coverage, antialiased. size_x and size_y are the em size in pixels across
// and down (different values stretch the letters); tracking adds pixels between letters. The mask
// is tight round the ink plus pad pixels on every side. Safe to call from several threads.
struct TextMask {
    Mask mask;
    int baseline = 0;  // row of the baseline in the mask
};
TextMask render_text(FontStyle style, const std::string& text, float size_x, float size_y, float tracking = 0,
                     int pad = 0);

// The largest em size up to size at which the text's ink is at most max_width pixels wide.
float fitted_size(FontStyle style, const std::string& text, float size, float max_width, float tracking = 0);

// Paints text centred on (cx, cy) with an optional blurred glow of glow_radius pixels under it.
void draw_text_centred(Raster* raster, FontStyle style, const std::string& text, float size, float cx, float cy,
                       Colour colour, int glow_radius = 0, Colour glow = {0, 0, 0, 0}, float tracking = 0);
