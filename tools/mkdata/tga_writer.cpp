// tga_writer.cpp -- the TGA header and run-length packets
#include "tga_writer.h"

#include <cstring>

std::string encode_tga(const Raster& raster, bool alpha) {
    const int bpp = alpha ? 4 : 3;
    const std::string pixels = alpha ? to_rgba8(raster) : to_rgb8(raster);

    std::string out(18, '\0');
    out[2] = 10;  // run-length true-colour
    out[12] = char(raster.width & 255);
    out[13] = char(raster.width >> 8);
    out[14] = char(raster.height & 255);
    out[15] = char(raster.height >> 8);
    out[16] = char(bpp * 8);
    out[17] = char(alpha ? 8 : 0);  // attribute bits; origin bottom left

    // One pixel in the file's B, G, R (, A) order.
    auto pixel_at = [&](int x, int y, char* px) {
        const char* p = pixels.data() + (size_t(y) * size_t(raster.width) + size_t(x)) * size_t(bpp);
        px[0] = p[2];
        px[1] = p[1];
        px[2] = p[0];
        if (alpha) px[3] = p[3];
    };

    for (int y = raster.height - 1; y >= 0; --y) {
        int x = 0;
        while (x < raster.width) {
            char first[4], next[4];
            pixel_at(x, y, first);
            int run = 1;
            while (x + run < raster.width && run < 128) {
                pixel_at(x + run, y, next);
                if (memcmp(first, next, size_t(bpp)) != 0) break;
                ++run;
            }
            if (run > 1) {
                out.push_back(char(0x80 | (run - 1)));
                out.append(first, size_t(bpp));
                x += run;
                continue;
            }
            // A raw packet: up to the next pair of equal pixels.
            int count = 1;
            while (x + count < raster.width && count < 128) {
                if (x + count + 1 < raster.width) {
                    char a[4], b[4];
                    pixel_at(x + count, y, a);
                    pixel_at(x + count + 1, y, b);
                    if (memcmp(a, b, size_t(bpp)) == 0) break;
                }
                ++count;
            }
            out.push_back(char(count - 1));
            for (int i = 0; i < count; ++i) {
                char px[4];
                pixel_at(x + i, y, px);
                out.append(px, size_t(bpp));
            }
            x += count;
        }
    }
    return out;
}
