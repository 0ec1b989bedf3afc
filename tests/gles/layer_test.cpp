// layer_test.cpp -- the GL layer over OpenGL ES 2.0 on a real ES context: matrices, attributes, lighting, lists, batches
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>

#include <array>
#include <cmath>
#include <cstdlib>

#include "core/config.h"
#include "core/fatal.h"
#include "platform/gles/gles.h"
#include "platform/window.h"

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;

void open_layer() {
    static bool open = false;
    if (open) return;
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    set_fatal_message_box(false);
    gl_width = kWidth;
    gl_height = kHeight;
    gl_fullscreen = 0;
    ASSERT_EQ(open_graphics("layer test"), 0) << SDL_GetError();
    open = true;
}

std::array<int, 3> pixel(int x, int y) {
    GLubyte rgb[4] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    return {rgb[0], rgb[1], rgb[2]};
}

// A window-sized projection, one unit a pixel, everything off that colours a fragment.
void plain_state() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0, kWidth, 0, kHeight);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    for (GLenum cap : {GL_TEXTURE_2D, GL_LIGHTING, GL_FOG, GL_BLEND, GL_DEPTH_TEST, GL_ALPHA_TEST, GL_CULL_FACE}) {
        glDisable(cap);
    }
    glShadeModel(GL_SMOOTH);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void quad(float x0, float y0, float x1, float y1) {
    glVertex2f(x0, y0);
    glVertex2f(x1, y0);
    glVertex2f(x1, y1);
    glVertex2f(x0, y1);
}

TEST(GlLayer, MatricesAsGlAndGluMakeThem) {
    open_layer();
    GLfloat m[16];
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(90.0, 2.0, 1.0, 3.0);
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    // cot(45°) / aspect, cot(45°), -(f + n) / (f - n), -1, -2fn / (f - n)
    EXPECT_NEAR(m[0], 0.5f, 1e-6f);
    EXPECT_NEAR(m[5], 1.0f, 1e-6f);
    EXPECT_NEAR(m[10], -2.0f, 1e-6f);
    EXPECT_EQ(m[11], -1.0f);
    EXPECT_NEAR(m[14], -3.0f, 1e-6f);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glPushMatrix();
    gluLookAt(0, 0, 5, 0, 0, 0, 0, 1, 0);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_NEAR(m[14], -5.0f, 1e-6f) << "looking down -z from z = 5 is a translation by -5";
    EXPECT_NEAR(m[0], 1.0f, 1e-6f);
    glRotatef(90.0f, 0.0f, 0.0f, 2.0f);  // the axis need not be of unit length
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_NEAR(m[1], 1.0f, 1e-6f) << "x turns into y";
    EXPECT_NEAR(m[4], -1.0f, 1e-6f);
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 2);
    glPopMatrix();
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(m[14], 0.0f);
    EXPECT_EQ(m[1], 0.0f);
}

TEST(GlLayer, CurrentAttributesHoldForTheVerticesAfterThem) {
    open_layer();
    plain_state();
    // Given before glBegin, the colour holds for the whole quad; given after its first vertices, for
    // the rest only; and it is still current for the next block.
    glColor3ub(255, 0, 0);
    glBegin(GL_QUADS);
    quad(0, 0, 16, 16);
    glEnd();
    glShadeModel(GL_FLAT);
    glBegin(GL_QUADS);
    glVertex2f(20, 0);
    glVertex2f(36, 0);
    glColor3ub(0, 255, 0);
    glVertex2f(36, 16);
    glVertex2f(20, 16);
    glEnd();
    glShadeModel(GL_SMOOTH);
    glBegin(GL_QUADS);
    quad(40, 0, 56, 16);
    glEnd();
    EXPECT_EQ(pixel(8, 8), (std::array<int, 3>{255, 0, 0}));
    EXPECT_EQ(pixel(28, 8), (std::array<int, 3>{0, 255, 0})) << "flat: the quad takes its last vertex's colour";
    EXPECT_EQ(pixel(48, 8), (std::array<int, 3>{0, 255, 0}));
}

TEST(GlLayer, BlocksUnderDifferentModelViewMatricesMergeIntoOneDraw) {
    open_layer();
    plain_state();
    glColor3ub(255, 255, 255);
    glFinish();
    const GlLayerCounters before = gl_layer_counters();
    for (int i = 0; i < 8; ++i) {
        glPushMatrix();
        glTranslatef(float(i * 8), 0, 0);
        glBegin(GL_QUADS);
        quad(0, 20, 4, 24);
        glEnd();
        glBegin(GL_TRIANGLES);
        glVertex2f(0, 30);
        glVertex2f(4, 30);
        glVertex2f(0, 34);
        glEnd();
        glPopMatrix();
    }
    glFinish();
    EXPECT_EQ(gl_layer_counters().draw_calls - before.draw_calls, 1u);
    EXPECT_EQ(pixel(58, 22), (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(pixel(62, 22), (std::array<int, 3>{0, 0, 0}));
}

TEST(GlLayer, LightingFogAndTheAlphaTestAsTheFixedFunctionComputesThem) {
    open_layer();
    plain_state();
    // GL_LIGHT0 by default: white, from +z, directional. Default material: ambient 0.2, diffuse 0.8,
    // and the light model's ambient 0.2: 0.2 * 0.2 + 0.8 * (n . l).
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glNormal3f(0, 0, 1);
    glBegin(GL_QUADS);
    quad(0, 0, 16, 16);
    glEnd();
    glNormal3f(0, 0.6f, 0.8f);
    glBegin(GL_QUADS);
    quad(20, 0, 36, 16);
    glEnd();
    glDisable(GL_LIGHTING);
    EXPECT_NEAR(pixel(8, 8)[0], 214, 1);
    EXPECT_NEAR(pixel(28, 8)[1], int((0.04 + 0.8 * 0.8) * 255 + 0.5), 1);

    // Linear fog from 0 to 2 at eye distance 1: half the fog's colour.
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, 0.0f);
    glFogf(GL_FOG_END, 2.0f);
    const GLfloat blue[4] = {0, 0, 1, 1};
    glFogfv(GL_FOG_COLOR, blue);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, kWidth, 0, kHeight, 0, 10);
    glMatrixMode(GL_MODELVIEW);
    glColor3ub(255, 0, 0);
    glBegin(GL_QUADS);
    glVertex3f(40, 0, -1);
    glVertex3f(56, 0, -1);
    glVertex3f(56, 16, -1);
    glVertex3f(40, 16, -1);
    glEnd();
    glDisable(GL_FOG);
    const std::array<int, 3> fogged = pixel(48, 8);
    EXPECT_NEAR(fogged[0], 128, 1);
    EXPECT_NEAR(fogged[2], 128, 1);

    // GL_GREATER 0.5: an alpha of 0.5 (128 of 255) fails, one step more passes.
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.5f);
    glColor4ub(0, 255, 0, 128);
    glBegin(GL_QUADS);
    quad(0, 20, 16, 36);
    glEnd();
    glColor4ub(0, 255, 0, 129);
    glBegin(GL_QUADS);
    quad(20, 20, 36, 36);
    glEnd();
    glDisable(GL_ALPHA_TEST);
    EXPECT_EQ(pixel(8, 28), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(pixel(28, 28), (std::array<int, 3>{0, 255, 0}));
}

TEST(GlLayer, DisplayListsReplayTheirBatchesMaterialsAndGlyphs) {
    open_layer();
    plain_state();
    // A list with a material change between two faces inside one glBegin, and no colour: lit, each
    // face keeps its material; drawn twice, under the matrix of each call.
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glBegin(GL_TRIANGLES);
    const GLfloat red[4] = {1, 0, 0, 1};
    const GLfloat green[4] = {0, 1, 0, 1};
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, red);
    glNormal3f(0, 0, 1);
    glVertex2f(0, 0);
    glVertex2f(8, 0);
    glVertex2f(0, 8);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, green);
    glVertex2f(8, 0);
    glVertex2f(8, 8);
    glVertex2f(0, 8);
    glEnd();
    glEndList();
    const GLfloat grey[4] = {0, 0, 0, 1};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, grey);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glCallList(list);
    glTranslatef(20, 0, 0);
    glCallList(list);
    glDisable(GL_LIGHTING);
    EXPECT_EQ(pixel(1, 1), (std::array<int, 3>{255, 0, 0}));
    EXPECT_EQ(pixel(7, 7), (std::array<int, 3>{0, 255, 0}));
    EXPECT_EQ(pixel(21, 1), (std::array<int, 3>{255, 0, 0}));
    EXPECT_EQ(pixel(27, 7), (std::array<int, 3>{0, 255, 0}));

    // A model's list: every material field set before its first face, changed between faces. It
    // draws as one merged draw, each face lit with its own material, and leaves the last material
    // current as GL would, for the lit quad after it.
    glLoadIdentity();
    const GLuint model = glGenLists(1);
    const GLfloat none[4] = {0, 0, 0, 1};
    glNewList(model, GL_COMPILE);
    glBegin(GL_TRIANGLES);
    glNormal3f(0, 0, 1);
    for (int face = 0; face < 4; ++face) {
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, none);
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, face % 2 ? green : red);
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, none);
        glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 10.0f);
        const float x = float(face * 8);
        glVertex2f(x, 20);
        glVertex2f(x + 8, 20);
        glVertex2f(x, 28);
    }
    glEnd();
    glEndList();
    glEnable(GL_LIGHTING);
    glFinish();
    const GlLayerCounters before = gl_layer_counters();
    glCallList(model);
    glFinish();
    EXPECT_EQ(gl_layer_counters().draw_calls - before.draw_calls, 1u) << "one draw for the four faces";
    glBegin(GL_QUADS);
    quad(40, 20, 48, 28);
    glEnd();
    glDisable(GL_LIGHTING);
    EXPECT_EQ(pixel(1, 21), (std::array<int, 3>{255, 0, 0}));
    EXPECT_EQ(pixel(9, 21), (std::array<int, 3>{0, 255, 0}));
    EXPECT_EQ(pixel(25, 21), (std::array<int, 3>{0, 255, 0}));
    EXPECT_EQ(pixel(44, 24), (std::array<int, 3>{0, 255, 0})) << "the list's last material is current";
    glColor3ub(0, 0, 255);
    glCallList(model);
    EXPECT_EQ(pixel(1, 21), (std::array<int, 3>{0, 0, 255})) << "unlit, the current colour";

    // A glyph of two lit pixels in a list, drawn at the raster position in the raster colour.
    glLoadIdentity();
    const GLuint glyph = glGenLists(1);
    const GLubyte bits[2] = {0x80, 0x40};  // bottom row: x = 0; top row: x = 1
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glNewList(glyph, GL_COMPILE);
    glBitmap(2, 2, 0, 0, 3, 0, bits);
    glEndList();
    glColor3ub(255, 255, 0);
    glRasterPos2i(40, 30);
    glColor3ub(0, 0, 255);  // after glRasterPos: not the glyph's colour
    glCallList(glyph);
    glCallList(glyph);
    EXPECT_EQ(pixel(40, 30), (std::array<int, 3>{255, 255, 0}));
    EXPECT_EQ(pixel(41, 30), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(pixel(41, 31), (std::array<int, 3>{255, 255, 0}));
    EXPECT_EQ(pixel(43, 30), (std::array<int, 3>{255, 255, 0})) << "the second glyph, 3 pixels on";
    glDeleteLists(list, 1);
    glDeleteLists(model, 1);
    glDeleteLists(glyph, 1);
}

TEST(GlLayerDeathTest, AStateItDoesNotCoverIsNamed) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            open_layer();
            glEnable(GL_LIGHT1 + 1);
        },
        testing::ExitedWithCode(1), "Error: the GL layer over OpenGL ES 2.0 does not cover glEnable\\(0x4002\\)");
    EXPECT_EXIT(
        {
            open_layer();
            glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        },
        testing::ExitedWithCode(1), "does not cover glPolygonMode\\(0x0408, 0x1B01\\)");
}

}  // namespace
