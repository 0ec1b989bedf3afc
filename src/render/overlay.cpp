// overlay.cpp -- the 2D overlay projection and the screen and 3D quads drawn in it or in the scene
#include "render/overlay.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "core/config.h"
#include "resources/image.h"

namespace {

// t = 0 is the top row of a picture.
constexpr float kScreenTexcoords[4][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
constexpr float kQuadTexcoords[4][2] = {{1, 1}, {0, 1}, {0, 0}, {1, 0}};

template <int N>
void copy_texcoords(float (&out)[4][2], const float (&in)[4][N]) {
    for (int i = 0; i < 4; ++i) {
        out[i][0] = in[i][0];
        out[i][1] = in[i][1];
    }
}

}  // namespace

void begin_2d_overlay() {
    glDepthMask(GL_FALSE);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0.0, gl_width, 0.0, gl_height);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

void end_2d_overlay() {
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glDepthMask(GL_TRUE);
}

void make_screen_quad(ScreenQuad* quad, int image, int width, int height) {
    const float w = float(gl_width);
    const float h = float(gl_height);
    quad->image = image;
    quad->left = (w - float(width)) * 0.5f;
    quad->right = w - (w - float(width)) * 0.5f;
    quad->bottom = (h - float(height)) * 0.5f;
    quad->top = h - (h - float(height)) * 0.5f;
    const float corners[4][2] = {
        {quad->left, quad->bottom}, {quad->right, quad->bottom}, {quad->right, quad->top}, {quad->left, quad->top}};
    for (int i = 0; i < 4; ++i) {
        quad->corners[i][0] = corners[i][0];
        quad->corners[i][1] = corners[i][1];
    }
    copy_texcoords(quad->texcoords, kScreenTexcoords);
}

void draw_screen_quad(const ScreenQuad& quad) {
    bind_texture(quad.image);
    glBegin(GL_QUADS);
    for (int i = 0; i < 4; ++i) {
        glTexCoord2fv(quad.texcoords[i]);
        glVertex2fv(quad.corners[i]);
    }
    glEnd();
}

void make_3d_quad(Quad3D* quad, int image, float width, float height) {
    quad->image = image;
    quad->left = width * -0.5f;
    quad->right = width * 0.5f;
    quad->bottom = height * -0.5f;
    quad->top = height * 0.5f;
    const float corners[4][3] = {{quad->left, quad->bottom, 0.0f},
                                 {quad->right, quad->bottom, 0.0f},
                                 {quad->right, quad->top, 0.0f},
                                 {quad->left, quad->top, 0.0f}};
    for (int i = 0; i < 4; ++i) {
        for (int k = 0; k < 3; ++k) quad->corners[i][k] = corners[i][k];
    }
    copy_texcoords(quad->texcoords, kQuadTexcoords);
}

void draw_3d_quad(const Quad3D& quad) {
    bind_texture(quad.image);
    glBegin(GL_QUADS);
    for (int i = 0; i < 4; ++i) {
        glTexCoord2fv(quad.texcoords[i]);
        glVertex3fv(quad.corners[i]);
    }
    glEnd();
}

void draw_black_veil(float width, float height, float alpha) {
    glDepthMask(GL_FALSE);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0.0, width, 0.0, height);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_TEXTURE_2D);

    glColor4f(0.0f, 0.0f, 0.0f, alpha);
    glBegin(GL_QUADS);
    glVertex2f(0.0f, 0.0f);
    glVertex2f(width, 0.0f);
    glVertex2f(width, height);
    glVertex2f(0.0f, height);
    glEnd();

    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glDepthMask(GL_TRUE);
}
