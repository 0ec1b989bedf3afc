// gl_context.cpp -- the offscreen GL context that the GL tests draw in
#include "support/gl_context.h"

#include <gtest/gtest.h>
#include <GL/gl.h>

#include <cstdlib>
#include <vector>

#include "kernel/script.h"
#include "platform/text.h"
#include "platform/window.h"

void open_test_graphics(int width, int height) {
    static bool opened = false;
    if (opened) return;
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    gl_width = width;
    gl_height = height;
    gl_fullscreen = 0;
    gl_info = 0;
    ASSERT_EQ(open_graphics("varnel test"), 0);
    create_font("Arial");
    opened = true;
}

std::array<int, 3> read_pixel(int x, int y) {
    unsigned char rgb[3] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    return {rgb[0], rgb[1], rgb[2]};
}

int count_in_row(int y, std::array<int, 3> colour) {
    std::vector<unsigned char> row(size_t(g_display.width) * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, y, g_display.width, 1, GL_RGB, GL_UNSIGNED_BYTE, row.data());
    int n = 0;
    for (size_t x = 0; x < size_t(g_display.width); ++x) {
        n += row[x * 3] == colour[0] && row[x * 3 + 1] == colour[1] && row[x * 3 + 2] == colour[2];
    }
    return n;
}

std::array<float, 16> read_matrix(unsigned name) {
    std::array<float, 16> m = {};
    glGetFloatv(name, m.data());
    return m;
}
