// text.cpp -- a FreeType bitmap font in GL display lists, and the text mode it is drawn in
#include "platform/text.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include <fontconfig/fontconfig.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/window.h"

namespace {

constexpr int kFontPixels = 15;
constexpr int kGlyphCount = 255;  // codes 0 to 254; list 255 stays empty

struct TextState {
    GLuint list_base = 0;  // first of the 256 display lists
    int advance[256] = {};  // pixels each glyph moves the raster position; 0 for a code with none
} s_text;

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

// Compiles the glyph now in face's slot into list: glBitmap wants rows bottom first.
void compile_glyph(FT_Face face, GLuint list, std::vector<GLubyte>* rows) {
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    const int width = int(bitmap.width);
    const int height = int(bitmap.rows);
    const int row_bytes = (width + 7) / 8;
    rows->assign(size_t(row_bytes) * size_t(height) + 1, 0);
    for (int y = 0; y < height; ++y) {
        const unsigned char* src = bitmap.buffer + ptrdiff_t(y) * bitmap.pitch;
        memcpy(rows->data() + size_t(height - 1 - y) * row_bytes, src, size_t(row_bytes));
    }
    glNewList(list, GL_COMPILE);
    glBitmap(width, height, GLfloat(-face->glyph->bitmap_left), GLfloat(height - face->glyph->bitmap_top),
             GLfloat(face->glyph->advance.x >> 6), GLfloat(face->glyph->advance.y >> 6), rows->data());
    glEndList();
}

}  // namespace

void create_font(const char* face_name) {
    s_text.list_base = glGenLists(256);

    int index = 0;
    const std::string path = match_font(face_name, &index);
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    if (path.empty() || FT_Init_FreeType(&library) != 0 || FT_New_Face(library, path.c_str(), index, &face) != 0) {
        // Text is a development aid; the show plays without it.
        fprintf(stderr, "Warning: no font for '%s'; text is not drawn\n", face_name);
        if (library) FT_Done_FreeType(library);
        return;
    }
    FT_Set_Pixel_Sizes(face, 0, kFontPixels);

    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    std::vector<GLubyte> rows;
    for (int code = 0; code < kGlyphCount; ++code) {
        if (FT_Load_Char(face, cp1252_to_unicode(code), FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) != 0 ||
            face->glyph->bitmap.pixel_mode != FT_PIXEL_MODE_MONO) {
            continue;
        }
        compile_glyph(face, s_text.list_base + GLuint(code), &rows);
        s_text.advance[code] = int(face->glyph->advance.x >> 6);
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
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
