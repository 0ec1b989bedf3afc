// font_bake.cpp -- varnel-font-bake: the player's bitmap font, rasterised here, as C++ data for a
// build that has no FreeType of its own (the web page)
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/text.h"

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '-') {
        fprintf(stderr,
                "Usage: varnel-font-bake FILE.inc\n"
                "Writes the glyphs of the player's font (Arial through fontconfig, bold, 15 pixels) as the\n"
                "arrays kBakedGlyphs and kBakedRows, for a build with VARNEL_BAKED_FONT=\"FILE.inc\".\n");
        return 2;
    }
    std::string glyphs, rows;
    size_t offset = 0;
    int count = 0;
    const bool found = rasterize_font("Arial", [&](const FontGlyph& g) {
        char line[96];
        snprintf(line, sizeof line, "    {%d, %d, %d, %d, %d, %d, %zu},\n", g.code, g.width, g.height, g.left, g.top,
                 g.advance, offset);
        glyphs += line;
        const int row_bytes = (g.width + 7) / 8;
        for (int y = 0; y < g.height; ++y) {
            for (int x = 0; x < row_bytes; ++x) {
                snprintf(line, sizeof line, "%d,", g.rows[ptrdiff_t(y) * g.pitch + x]);
                rows += line;
                if (++offset % 24 == 0) rows += "\n";
            }
        }
        ++count;
    });
    if (!found || count == 0) {
        fprintf(stderr, "varnel-font-bake: Error: no font for 'Arial' (fonts-liberation gives it)\n");
        return 1;
    }
    FILE* out = fopen(argv[1], "w");
    if (!out) {
        fprintf(stderr, "varnel-font-bake: Error: cannot write %s\n", argv[1]);
        return 1;
    }
    // An empty array is not C++: one byte stands for a font of blank glyphs.
    fprintf(out, "// Written by varnel-font-bake: %d glyphs.\nconst BakedGlyph kBakedGlyphs[] = {\n%s};\n"
                 "const uint8_t kBakedRows[] = {\n%s0};\n",
            count, glyphs.c_str(), rows.c_str());
    const bool written = fclose(out) == 0;
    if (!written) fprintf(stderr, "varnel-font-bake: Error: cannot write %s\n", argv[1]);
    return written ? 0 : 1;
}
