// camera.cpp -- cameras: setters that only store, and the matrices they load
#include "render/camera.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "platform/window.h"

Camera create_camera(uint8_t mode) {
    Camera camera;
    camera.mode = mode;
    return camera;
}

void set_position(Camera* camera, float x, float y, float z) {
    camera->position[0] = x;
    camera->position[1] = y;
    camera->position[2] = z;
}

void set_target(Camera* camera, float x, float y, float z) {
    camera->target[0] = x;
    camera->target[1] = y;
    camera->target[2] = z;
}

void set_roll(Camera* camera, float degrees) {
    camera->roll = degrees;
}

void set_angles(Camera* camera, float x, float y, float z) {
    camera->angles[0] = x;
    camera->angles[1] = y;
    camera->angles[2] = z;
}

void set_field_of_view(Camera* camera, float degrees, float aspect) {
    camera->fov = degrees;
    camera->aspect = aspect;
}

Camera create_look_at_camera(float px, float py, float pz, float tx, float ty, float tz, float fov, float roll) {
    Camera camera = create_camera(1);
    set_position(&camera, px, py, pz);
    set_target(&camera, tx, ty, tz);
    set_field_of_view(&camera, fov, g_display.aspect);
    set_roll(&camera, roll);
    return camera;
}

void apply_projection(const Camera& camera) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(camera.fov, camera.aspect, camera.near, camera.far);
}

void apply_camera(const Camera& camera) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // The rotations come before the look-at, so they act about the eye's own axes.
    if (camera.roll != 0.0f) glRotatef(-camera.roll, 0.0f, 0.0f, 1.0f);
    glRotatef(-camera.angles[0], 1.0f, 0.0f, 0.0f);
    glRotatef(-camera.angles[2], 0.0f, 0.0f, 1.0f);
    glRotatef(-camera.angles[1], 0.0f, 1.0f, 0.0f);
    if (camera.mode == 0) {
        glTranslatef(-camera.position[0], -camera.position[1], -camera.position[2]);
    } else {
        gluLookAt(camera.position[0], camera.position[1], camera.position[2], camera.target[0], camera.target[1],
                  camera.target[2], 0.0, 1.0, 0.0);
    }
}
