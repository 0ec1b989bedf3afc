// skybox_draw.cpp -- draws a loaded skybox as a 20-unit cube round the camera
#include "render/skybox_draw.h"

#include <GL/gl.h>

#include "render/camera.h"
#include "resources/image.h"
#include "resources/skybox.h"

namespace {

// Corners of the 20-unit cube in its own axes; the draw turns it 270 degrees about x.
constexpr float kCorners[8][3] = {
    {10, -10, 10}, {10, -10, -10}, {-10, -10, -10}, {-10, -10, 10},
    {10, 10, 10},  {10, 10, -10},  {-10, 10, -10},  {-10, 10, 10},
};

// The corners of each face, in the faces' order: rt, lf, bk, ft, up, dn.
constexpr int kFaceCorners[6][4] = {
    {2, 1, 0, 3}, {5, 6, 7, 4}, {6, 2, 3, 7}, {1, 5, 4, 0}, {0, 4, 7, 3}, {2, 6, 5, 1},
};

// The same for every face, in corner order; t = 0 is the top of a picture.
constexpr float kTexcoords[4][2] = {{1, 1}, {0, 1}, {0, 0}, {1, 0}};

}  // namespace

void draw_skybox(const Skybox& skybox, const Camera& camera) {
    glDepthMask(GL_FALSE);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslatef(camera.position[0], camera.position[1], camera.position[2]);
    glRotatef(270.0f, 1.0f, 0.0f, 0.0f);
    if (!skybox.six_faces) bind_texture(skybox.images[0]);
    for (int i = 0; i < 6; ++i) {
        if (skybox.six_faces) bind_texture(skybox.images[i]);
        glBegin(GL_QUADS);
        for (int k = 0; k < 4; ++k) {
            glTexCoord2fv(kTexcoords[k]);
            glVertex3fv(kCorners[kFaceCorners[i][k]]);
        }
        glEnd();
    }
    glPopMatrix();
    glDepthMask(GL_TRUE);
}
