// gl_context.cpp -- the offscreen GL context that the GL tests draw in
#include "support/gl_context.h"

#include <gtest/gtest.h>
#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "core/config.h"
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

namespace {

float extreme(const FeedbackPolygon& p, int axis, bool least) {
    float v = p.positions.empty() ? 0.0f : p.positions[0][size_t(axis)];
    for (const auto& q : p.positions) v = least ? std::min(v, q[size_t(axis)]) : std::max(v, q[size_t(axis)]);
    return v;
}

}  // namespace

float FeedbackPolygon::min_x() const { return extreme(*this, 0, true); }
float FeedbackPolygon::max_x() const { return extreme(*this, 0, false); }
float FeedbackPolygon::min_y() const { return extreme(*this, 1, true); }
float FeedbackPolygon::max_y() const { return extreme(*this, 1, false); }

std::vector<FeedbackPolygon> capture_polygons(const std::function<void()>& draw, size_t buffer_floats) {
    std::vector<GLfloat> buffer(buffer_floats);
    glFeedbackBuffer(GLsizei(buffer.size()), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint count = glRenderMode(GL_RENDER);
    std::vector<FeedbackPolygon> polygons;
    for (GLint i = 0; i < count;) {
        const GLint token = GLint(buffer[size_t(i++)]);
        if (token == GL_POLYGON_TOKEN) {
            const int n = int(buffer[size_t(i++)]);
            FeedbackPolygon polygon;
            for (int k = 0; k < n; ++k, i += 7) {
                const GLfloat* v = &buffer[size_t(i)];
                polygon.positions.push_back({v[0], v[1], v[2]});
                polygon.colours.push_back({v[3], v[4], v[5], v[6]});
            }
            polygons.push_back(polygon);
        } else if (token == GL_PASS_THROUGH_TOKEN) {
            ++i;
        } else if (token == GL_POINT_TOKEN || token == GL_BITMAP_TOKEN || token == GL_DRAW_PIXEL_TOKEN ||
                   token == GL_COPY_PIXEL_TOKEN) {
            i += 7;
        } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
            i += 14;
        } else {
            break;
        }
    }
    return polygons;
}
