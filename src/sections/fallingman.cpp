// fallingman.cpp -- "fallingman": a figure tumbling through fog, its black silhouette, then the face
#include <GL/gl.h>

#include <cmath>
#include <memory>

#include "core/config.h"
#include "core/fatal.h"
#include "core/random.h"
#include "kernel/kernel.h"
#include "render/camera.h"
#include "render/light.h"
#include "resources/model.h"
#include "sections/sections.h"

namespace {

struct FallingmanState {
    std::shared_ptr<Model> face;    // "horrorface.3ds", untextured
    std::shared_ptr<Model> figure;  // "fallingfinal.3ds", untextured
    Camera silhouette;              // looks along the fall, rolled a quarter turn
    Camera close_up;                // a tenth of a unit from the face, near 0.01 and far 10
} s_falling;

// The two passes of the fall: the figure lit by light 0 in the fog and matrices of the layers below.
void begin_fall() {
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_FOG);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_SRC_ALPHA);
}

void end_fall() {
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glEnable(GL_TEXTURE_2D);
}

// The first pass: along z at 2 units a second, through z = 0 at 7.8 s, the wobble dying out at 8 s.
void fall(float tau) {
    begin_fall();
    glPushMatrix();
    glRotatef(180.0f, 1.0f, 0.0f, 0.0f);
    glTranslatef(0.0f, 0.0f, 2.0f * (tau - 7.8f));
    glRotatef(std::sin(2.0f * tau) * std::cos(tau) * 5.625f * (8.0f - tau), 0.5f, 1.0f, 0.2f);
    draw_model(*s_falling.figure);
    glPopMatrix();
    end_fall();
}

void second_fall(float tau) {
    begin_fall();
    glPushMatrix();
    glRotatef(180.0f, 1.0f, 0.0f, 0.0f);
    glTranslatef(0.0f, 0.0f, 2.0f * tau - 39.65f);
    glRotatef(std::cos(0.5f * tau) * std::sin(tau) * 45.0f, 1.0f, 0.2f, 0.6f);
    draw_model(*s_falling.figure);
    glPopMatrix();
    end_fall();
}

// A flat black shape over everything, receding from 27.5 to 34 over the phase.
void silhouette(float tau, float length) {
    apply_projection(s_falling.silhouette);
    apply_camera(s_falling.silhouette);
    glDisable(GL_TEXTURE_2D);
    glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
    glShadeModel(GL_SMOOTH);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glPushMatrix();
    glTranslatef(0.0f, -3.0f, 34.0f + 6.5f * (tau - length) / length);
    glRotatef(100.0f * tau, 0.3f, 0.6f, 0.4f);
    draw_model(*s_falling.figure);
    glPopMatrix();
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
}

// The face from very close, shaking in a flickering red light.
void face() {
    // Each red value drawn afresh, in this order.
    const float ambient_red = 0.2f + 0.1f * float(random_below(5));
    const float diffuse_red = 0.2f + 0.1f * float(random_below(5));
    const float specular_red = 0.2f + 0.1f * float(random_below(5));
    const GLfloat ambient[4] = {ambient_red, 0, 0, 1};
    const GLfloat diffuse[4] = {diffuse_red, 0, 0, 1};
    const GLfloat specular[4] = {specular_red, 0, 0, 1};
    const GLfloat position[4] = {-1, 0, 0, 1};
    // Before the camera: the position goes through the model-view the layers below left.
    set_light(GL_LIGHT1, ambient, diffuse, specular, position);
    apply_projection(s_falling.close_up);
    apply_camera(s_falling.close_up);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT1);
    glDisable(GL_LIGHT0);
    glShadeModel(GL_SMOOTH);
    glPushMatrix();
    glRotatef(90.0f + float(random_below(3)), 1.0f, 0.0f, 0.0f);
    glRotatef(90.0f + float(random_below(3)), 0.0f, 0.0f, 1.0f);
    glTranslatef(-0.065f, -0.07f, -0.02f);
    glRotatef(30.0f + float(random_below(3)), 1.0f, 0.0f, 0.0f);
    draw_model(*s_falling.face);
    glPopMatrix();
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHT1);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
}

}  // namespace

const Snapshot kFallingmanSnapshot = kSnapshotOf<s_falling>;

void fallingman_load() {
    const bool packed = g_packeddata != 0;
    const SectionAsset& face = kFallingmanAssets[0];
    const SectionAsset& figure = kFallingmanAssets[1];
    s_falling.face = load_model(face.path, face.file, packed);
    // The face's message names the tunnel, through whose scene the figure falls.
    if (!s_falling.face) fatal_error("Error loading model '%s' in Tunnel section", face.file);
    s_falling.figure = load_model(figure.path, figure.file, packed);
    if (!s_falling.figure) fatal_error("Error loading model '%s'", figure.file);
    compile_model_draw(s_falling.face.get());
    compile_model_draw(s_falling.figure.get());

    s_falling.silhouette = create_look_at_camera(2.5f, -1.5f, 30.0f, -50.5f, -50.5f, 30.0f, 90.0f, -90.0f);

    s_falling.close_up = create_look_at_camera(0.0f, 0.0f, 0.1f, 0.0f, 0.0f, 0.0f, 30.0f, 0.0f);
    s_falling.close_up.near = 0.01f;
    s_falling.close_up.far = 10.0f;
}

void fallingman_render() {
    const Section& section = *g_kernel.current;
    const float* sync = section.syncs.data();
    const float t = g_kernel.demo_time - section.start;

    if (t < sync[0]) {
        fall(t);
    } else if (t < sync[1]) {
        second_fall(t - sync[0]);
    } else if (t < sync[2]) {
        silhouette(t - sync[1], sync[2] - sync[1]);
    } else {
        face();
    }
    // The falls leave the matrices as they found them, light 0 on and lighting, fog and blending off;
    // the silhouette and the face leave their camera in both matrices, the model-view selected, and
    // blending off; the face also leaves lights 0 and 1 and lighting off. Texturing is on after each.
}
