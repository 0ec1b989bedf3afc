// gl_state.cpp -- saves and restores the GL state and framebuffer that a start leaves for its first frame
#include "platform/gl_state.h"

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/window.h"

namespace {

// Pixels copied as they are: no scale, bias or colour map between the framebuffer and memory.
void plain_pixel_transfer() {
    glPixelTransferf(GL_RED_SCALE, 1.0f);
    glPixelTransferf(GL_GREEN_SCALE, 1.0f);
    glPixelTransferf(GL_BLUE_SCALE, 1.0f);
    glPixelTransferf(GL_ALPHA_SCALE, 1.0f);
    glPixelTransferf(GL_DEPTH_SCALE, 1.0f);
    glPixelTransferf(GL_RED_BIAS, 0.0f);
    glPixelTransferf(GL_GREEN_BIAS, 0.0f);
    glPixelTransferf(GL_BLUE_BIAS, 0.0f);
    glPixelTransferf(GL_ALPHA_BIAS, 0.0f);
    glPixelTransferf(GL_DEPTH_BIAS, 0.0f);
    glPixelTransferi(GL_MAP_COLOR, GL_FALSE);
}

struct GlStateSave {
    bool held = false;             // an attribute stack level of each kind is ours
    GLint matrix_mode = GL_MODELVIEW;
    GLint depths[3] = {1, 1, 1};   // model-view, projection and texture stack depths
    GLfloat modelview[16] = {};
    GLfloat projection[16] = {};
    GLfloat texture[16] = {};
    int width = 0;                 // the framebuffer's size when saved
    int height = 0;
    std::vector<uint8_t> colour;   // RGBA rows, bottom first
    std::vector<GLuint> depth;     // likewise
};

GlStateSave s_start;  // as the window opened it, before anything loads
GlStateSave s_play;   // as the loading phase leaves it

constexpr GLenum kMatrixModes[3] = {GL_MODELVIEW, GL_PROJECTION, GL_TEXTURE};
constexpr GLenum kStackDepths[3] = {GL_MODELVIEW_STACK_DEPTH, GL_PROJECTION_STACK_DEPTH, GL_TEXTURE_STACK_DEPTH};

// Pops what was pushed since the save, then loads the saved top.
void load_matrix(const GlStateSave& s_gl, int which, const GLfloat* matrix) {
    glMatrixMode(kMatrixModes[which]);
    GLint depth = 1;
    glGetIntegerv(kStackDepths[which], &depth);
    for (; depth > s_gl.depths[which]; --depth) glPopMatrix();
    glLoadMatrixf(matrix);
}

}  // namespace

void draw_window_pixels(int width, int height, const uint8_t* rgba) {
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_DITHER);
    glDisable(GL_COLOR_LOGIC_OP);
    glPixelZoom(1.0f, 1.0f);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    plain_pixel_transfer();
    glPixelTransferi(GL_MAP_STENCIL, GL_FALSE);
    glDrawBuffer(GL_BACK);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRasterPos2i(0, 0);
    glDisable(GL_DEPTH_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDrawPixels(width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

namespace {

// Writes the saved colour and depth back, whatever the state; the attributes are restored after.
void draw_framebuffer(const GlStateSave& s_gl) {
    draw_window_pixels(s_gl.width, s_gl.height, s_gl.colour.data());

#ifdef VARNEL_GLES
    // OpenGL ES 2.0 reads no depth back: the depth buffer starts cleared to the far plane.
    glDepthMask(GL_TRUE);
    glClearDepth(1.0);
    glClear(GL_DEPTH_BUFFER_BIT);
#else
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_ALWAYS);
    glDepthMask(GL_TRUE);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glDrawPixels(s_gl.width, s_gl.height, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, s_gl.depth.data());
#endif
}

void save_gl_state(GlStateSave& s_gl) {
    if (s_gl.held) {
        glPopClientAttrib();
        glPopAttrib();
    }
    glGetIntegerv(GL_MATRIX_MODE, &s_gl.matrix_mode);
    glGetFloatv(GL_MODELVIEW_MATRIX, s_gl.modelview);
    glGetFloatv(GL_PROJECTION_MATRIX, s_gl.projection);
    glGetFloatv(GL_TEXTURE_MATRIX, s_gl.texture);
    for (int i = 0; i < 3; ++i) glGetIntegerv(kStackDepths[i], &s_gl.depths[i]);

    s_gl.width = g_display.width;
    s_gl.height = g_display.height;
    const size_t pixels = size_t(s_gl.width) * size_t(s_gl.height);
    s_gl.colour.resize(pixels * 4);
    s_gl.depth.resize(pixels);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_PACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_PACK_LSB_FIRST, GL_FALSE);
    plain_pixel_transfer();
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, s_gl.width, s_gl.height, GL_RGBA, GL_UNSIGNED_BYTE, s_gl.colour.data());
#ifndef VARNEL_GLES
    glReadPixels(0, 0, s_gl.width, s_gl.height, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, s_gl.depth.data());
#endif
    glPopClientAttrib();
    glPopAttrib();

    // Held from here on: restore pops them and pushes them again.
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    s_gl.held = true;
}

void restore_gl_state(GlStateSave& s_gl) {
    if (!s_gl.held) return;
    glPopClientAttrib();
    glPopAttrib();
    // Drawn under the saved attributes, then those put back once more.
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    draw_framebuffer(s_gl);
    glPopClientAttrib();
    glPopAttrib();
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);

    load_matrix(s_gl, 2, s_gl.texture);
    load_matrix(s_gl, 1, s_gl.projection);
    load_matrix(s_gl, 0, s_gl.modelview);
    glMatrixMode(GLenum(s_gl.matrix_mode));
}

void clear_gl_state(GlStateSave& s_gl) {
    if (s_gl.held) {
        glPopClientAttrib();
        glPopAttrib();
    }
    s_gl = GlStateSave();
}

}  // namespace

const Snapshot kGlStateSnapshot = {[] { save_gl_state(s_play); }, [] { restore_gl_state(s_play); },
                                   [] { clear_gl_state(s_play); }};
const Snapshot kGlStartSnapshot = {[] { save_gl_state(s_start); }, [] { restore_gl_state(s_start); },
                                   [] { clear_gl_state(s_start); }};
