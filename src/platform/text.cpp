// text.cpp -- a FreeType bitmap font, or its glyphs baked in, in GL display lists, and the text mode it is drawn in
#include "platform/text.h"

#if !defined(VARNEL_BAKED_FONT)
#include <ft2build.h>
#include FT_FREETYPE_H
#include <fontconfig/fontconfig.h>
#endif
#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/window.h"

namespace {

constexpr int kCell = 32;         // pixels per glyph cell in the atlas, 16 x 16 cells
constexpr int kAtlasSize = 16 * kCell;

// Where a glyph sits in the atlas and how it stands on its baseline, in pixels.
struct Glyph {
    short width = 0;
    short height = 0;
    short left = 0;    // from the pen to the bitmap's left edge
    short bottom = 0;  // from the baseline down to the bitmap's bottom row
};

struct TextState {
    GLuint list_base = 0;   // first of the 256 display lists
    GLuint atlas = 0;       // every glyph as alpha, bottom row first, code c in cell (c % 16, c / 16)
    int advance[256] = {};  // pixels each glyph moves the raster position; 0 for a code with none
    Glyph glyphs[256];
} s_text;

#if !defined(VARNEL_BAKED_FONT)
constexpr int kFontPixels = 15;
constexpr int kGlyphCount = 255;  // codes 0 to 254; list 255 stays empty

// Unicode of the Windows-1252 codes 0x80 to 0x9F; the rest are Latin-1.
constexpr unsigned short kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

unsigned long cp1252_to_unicode(int code) {
    return (code >= 0x80 && code < 0xA0) ? kCp1252High[code - 0x80] : (unsigned long)code;
}

// The font file that fontconfig gives for the face in bold, or "" when it knows none.
std::string match_font(const char* face, int* index) {
    std::string path;
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config) return path;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face));
    FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_BOLD);
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    if (FcPattern* match = FcFontMatch(config, pattern, &result)) {
        FcChar8* file = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) path = reinterpret_cast<const char*>(file);
        if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch) *index = 0;
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    FcConfigDestroy(config);
    return path;
}
#endif

// Compiles the glyph into the code's list and copies it into the atlas's cell: glBitmap wants rows
// bottom first, and so do the cells.
void compile_glyph(const FontGlyph& glyph, std::vector<GLubyte>* rows, std::vector<GLubyte>* atlas) {
    const int width = glyph.width;
    const int height = glyph.height;
    const int row_bytes = (width + 7) / 8;
    rows->assign(size_t(row_bytes) * size_t(height) + 1, 0);
    for (int y = 0; y < height; ++y) {
        const unsigned char* src = glyph.rows + ptrdiff_t(y) * glyph.pitch;
        memcpy(rows->data() + size_t(height - 1 - y) * row_bytes, src, size_t(row_bytes));
    }
    glNewList(s_text.list_base + GLuint(glyph.code), GL_COMPILE);
    glBitmap(width, height, GLfloat(-glyph.left), GLfloat(height - glyph.top), GLfloat(glyph.advance), 0.0f,
             rows->data());
    glEndList();
    s_text.advance[glyph.code] = glyph.advance;

    if (width > kCell || height > kCell) return;
    const int cell_x = glyph.code % 16 * kCell;
    const int cell_y = glyph.code / 16 * kCell;
    for (int y = 0; y < height; ++y) {
        const GLubyte* row = rows->data() + size_t(y) * row_bytes;
        GLubyte* out = atlas->data() + size_t(cell_y + y) * kAtlasSize + cell_x;
        for (int x = 0; x < width; ++x) out[x] = (row[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
    }
    s_text.glyphs[glyph.code] = {short(width), short(height), short(glyph.left), short(height - glyph.top)};
}

// The atlas as an alpha texture, sampled texel for texel.
void upload_atlas(const std::vector<GLubyte>& atlas) {
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGenTextures(1, &s_text.atlas);
    glBindTexture(GL_TEXTURE_2D, s_text.atlas);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, kAtlasSize, kAtlasSize, 0, GL_ALPHA, GL_UNSIGNED_BYTE, atlas.data());
    glBindTexture(GL_TEXTURE_2D, GLuint(bound));
}

}  // namespace

#if defined(VARNEL_BAKED_FONT)
// The glyphs varnel-font-bake wrote from the native build's font: kBakedGlyphs, kBakedRows.
struct BakedGlyph {
    short code, width, height, left, top, advance;
    unsigned offset;  // of its rows in kBakedRows
};
#include VARNEL_BAKED_FONT

bool rasterize_font(const char*, const std::function<void(const FontGlyph&)>& take) {
    for (const BakedGlyph& g : kBakedGlyphs) {
        take({g.code, g.width, g.height, g.left, g.top, g.advance, kBakedRows + g.offset, (g.width + 7) / 8});
    }
    return true;
}
#else
bool rasterize_font(const char* face_name, const std::function<void(const FontGlyph&)>& take) {
    int index = 0;
    const std::string path = match_font(face_name, &index);
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    if (path.empty() || FT_Init_FreeType(&library) != 0 || FT_New_Face(library, path.c_str(), index, &face) != 0) {
        if (library) FT_Done_FreeType(library);
        return false;
    }
    FT_Set_Pixel_Sizes(face, 0, kFontPixels);
    for (int code = 0; code < kGlyphCount; ++code) {
        if (FT_Load_Char(face, cp1252_to_unicode(code), FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) != 0 ||
            face->glyph->bitmap.pixel_mode != FT_PIXEL_MODE_MONO) {
            continue;
        }
        const FT_GlyphSlot slot = face->glyph;
        take({code, int(slot->bitmap.width), int(slot->bitmap.rows), slot->bitmap_left, slot->bitmap_top,
              int(slot->advance.x >> 6), slot->bitmap.buffer, slot->bitmap.pitch});
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return true;
}
#endif

void create_font(const char* face_name) {
    s_text.list_base = glGenLists(256);
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    std::vector<GLubyte> rows;
    std::vector<GLubyte> atlas(size_t(kAtlasSize) * kAtlasSize, 0);
    const bool found = rasterize_font(face_name, [&](const FontGlyph& glyph) { compile_glyph(glyph, &rows, &atlas); });
    if (found) upload_atlas(atlas);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    // Text is a development aid; the show plays without it.
    if (!found) fprintf(stderr, "Warning: no font for '%s'; text is not drawn\n", face_name);
}

void draw_text(int x, int y, const char* text) {
    glRasterPos2i(x, y);
    glListBase(s_text.list_base);
    glCallLists(GLsizei(strlen(text)), GL_UNSIGNED_BYTE, text);
}

int text_width(const char* text) {
    int width = 0;
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c; ++c) width += s_text.advance[*c];
    return width;
}

int text_fitting(const char* text, int width) {
    int count = 0;
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c; ++c) {
        width -= s_text.advance[*c];
        if (width < 0) break;
        ++count;
    }
    return count;
}

void begin_text_quads() {
    glBindTexture(GL_TEXTURE_2D, s_text.atlas);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBegin(GL_QUADS);
}

void text_quads(int x, int y, const char* text, int length) {
    constexpr float kTexel = 1.0f / float(kAtlasSize);
    for (int i = 0; i < length; ++i) {
        const unsigned char code = static_cast<unsigned char>(text[i]);
        const Glyph& g = s_text.glyphs[code];
        if (g.width > 0 && g.height > 0) {
            const float x0 = float(x + g.left);
            const float y0 = float(y - g.bottom);
            const float s0 = float(code % 16 * kCell) * kTexel;
            const float t0 = float(code / 16 * kCell) * kTexel;
            const float s1 = s0 + float(g.width) * kTexel;
            const float t1 = t0 + float(g.height) * kTexel;
            glTexCoord2f(s0, t0);
            glVertex2f(x0, y0);
            glTexCoord2f(s1, t0);
            glVertex2f(x0 + float(g.width), y0);
            glTexCoord2f(s1, t1);
            glVertex2f(x0 + float(g.width), y0 + float(g.height));
            glTexCoord2f(s0, t1);
            glVertex2f(x0, y0 + float(g.height));
        }
        x += s_text.advance[code];
    }
}

void end_text_quads() {
    glEnd();
}

void begin_text_mode() {
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0.0, g_display.width - 1, 0.0, g_display.height - 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

void end_text_mode() {
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
}
