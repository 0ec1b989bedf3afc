// text.cpp -- fontconfig look-up, FreeType glyph rendering into masks
#include "text.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <climits>
#include <cmath>
#include <mutex>

namespace {

struct FontState {
    FT_Library library = nullptr;
    FT_Face faces[5] = {};
    std::mutex lock;  // FreeType faces are not to be used from two threads at once
} s_fonts;

const char* const kFontPatterns[5] = {
    "Liberation Sans:style=Bold",
    "Liberation Sans:style=Regular",
    "Liberation Serif:style=Bold",
    "Liberation Serif:style=Italic",
    "Liberation Sans Narrow:style=Bold",
};

// The file fontconfig gives for a pattern, or "" when its best match is not a Liberation face
// (the package is missing and fontconfig fell back to something else).
std::string find_font_file(const char* pattern_text) {
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(pattern_text));
    if (!pattern) return "";
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return "";
    std::string path;
    FcChar8* file = nullptr;
    FcChar8* family = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
        FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch &&
        std::string(reinterpret_cast<const char*>(family)).rfind("Liberation", 0) == 0) {
        path = reinterpret_cast<const char*>(file);
    }
    FcPatternDestroy(match);
    return path;
}

}  // namespace

bool open_fonts(std::string* error) {
    std::lock_guard<std::mutex> guard(s_fonts.lock);
    if (s_fonts.library) return true;
    if (!FcInit()) {
        *error = "fontconfig cannot be initialised";
        return false;
    }
    if (FT_Init_FreeType(&s_fonts.library) != 0) {
        *error = "FreeType cannot be initialised";
        return false;
    }
    for (int i = 0; i < 5; ++i) {
        const std::string path = find_font_file(kFontPatterns[i]);
        if (path.empty() || FT_New_Face(s_fonts.library, path.c_str(), 0, &s_fonts.faces[i]) != 0) {
            *error = std::string("no font for \"") + kFontPatterns[i] + "\" (is fonts-liberation installed?)";
            return false;
        }
    }
    return true;
}

void close_fonts() {
    std::lock_guard<std::mutex> guard(s_fonts.lock);
    for (FT_Face& face : s_fonts.faces) {
        if (face) FT_Done_Face(face);
        face = nullptr;
    }
    if (s_fonts.library) FT_Done_FreeType(s_fonts.library);
    s_fonts.library = nullptr;
}

TextMask render_text(FontStyle style, const std::string& text, float size_x, float size_y, float tracking, int pad) {
    std::lock_guard<std::mutex> guard(s_fonts.lock);
    FT_Face face = s_fonts.faces[int(style)];
    FT_Set_Char_Size(face, FT_F26Dot6(std::lround(size_x * 64)), FT_F26Dot6(std::lround(size_y * 64)), 72, 72);

    // First pass: where every glyph lands relative to the pen's start on the baseline.
    struct Placed {
        FT_UInt index;
        int x;
    };
    std::vector<Placed> placed;
    int pen = 0;
    int left = INT_MAX, right = INT_MIN, top = INT_MIN, bottom = INT_MAX;
    FT_UInt previous = 0;
    for (unsigned char c : text) {
        const FT_UInt index = FT_Get_Char_Index(face, c);
        if (previous && index && FT_HAS_KERNING(face)) {
            FT_Vector kern;
            FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &kern);
            pen += int(kern.x >> 6);
        }
        if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) == 0) {
            const FT_Glyph_Metrics& m = face->glyph->metrics;
            if (m.width > 0) {
                left = std::min(left, pen + int(m.horiBearingX >> 6) - 1);
                right = std::max(right, pen + int((m.horiBearingX + m.width) >> 6) + 2);
                top = std::max(top, int(m.horiBearingY >> 6) + 2);
                bottom = std::min(bottom, int((m.horiBearingY - m.height) >> 6) - 2);
            }
            placed.push_back({index, pen});
            pen += int(face->glyph->advance.x >> 6) + int(std::lround(tracking));
        }
        previous = index;
    }
    TextMask out;
    if (left > right) return out;

    out.mask = Mask(right - left + 2 * pad, top - bottom + 2 * pad);
    out.baseline = top + pad;
    for (const Placed& g : placed) {
        if (FT_Load_Glyph(face, g.index, FT_LOAD_RENDER) != 0) continue;
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        const int ox = g.x - left + pad + slot->bitmap_left;
        const int oy = out.baseline - slot->bitmap_top;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            for (unsigned col = 0; col < bitmap.width; ++col) {
                const int x = ox + int(col), y = oy + int(row);
                if (x < 0 || y < 0 || x >= out.mask.width || y >= out.mask.height) continue;
                const float v = float(bitmap.buffer[ptrdiff_t(row) * bitmap.pitch + col]) / 255.0f;
                out.mask.at(x, y) = std::max(out.mask.at(x, y), v);
            }
        }
    }
    return out;
}

float fitted_size(FontStyle style, const std::string& text, float size, float max_width, float tracking) {
    const TextMask t = render_text(style, text, size, size, tracking, 0);
    if (t.mask.width <= max_width || t.mask.width == 0) return size;
    return size * max_width / float(t.mask.width);
}

void draw_text_centred(Raster* raster, FontStyle style, const std::string& text, float size, float cx, float cy,
                       Colour colour, int glow_radius, Colour glow, float tracking) {
    TextMask t = render_text(style, text, size, size, tracking, glow_radius * 3);
    if (t.mask.width == 0) return;
    const int dx = int(std::lround(cx - float(t.mask.width) * 0.5f));
    const int dy = int(std::lround(cy - float(t.mask.height) * 0.5f));
    if (glow_radius > 0) {
        Mask halo = t.mask;
        blur(&halo, glow_radius);
        add_mask(raster, halo, dx, dy, glow);
    }
    paint_mask(raster, t.mask, dx, dy, colour);
}
