// horrorface.cpp -- "horrorface": the face turning and shaking as a red light rises on it
#include <GL/gl.h>

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

struct HorrorfaceState {
    std::shared_ptr<Model> face;  // "horrorface.3ds"; its maps are uploaded though it is drawn untextured
    Camera camera;                // 0.3 in front of the face
} s_horror;

// +1, -1 or +1: (-1) to the power of a random 0, 1 or 2.
float random_sign() {
    return random_below(3) == 1 ? -1.0f : 1.0f;
}

}  // namespace

const Snapshot kHorrorfaceSnapshot = kSnapshotOf<s_horror>;

void horrorface_load() {
    const SectionAsset& face = kHorrorfaceAssets[0];
    s_horror.face = load_model(face.path, face.file, g_packeddata != 0);
    if (!s_horror.face) fatal_error("Error loading model '%s'", face.file);
    upload_model_textures(*s_horror.face);
    compile_model_draw(s_horror.face.get());
    s_horror.camera = create_look_at_camera(0.0f, 0.0f, 0.3f, 0.0f, 0.0f, 0.0f, 60.0f, 0.0f);
}

void horrorface_render() {
    const Section& section = *g_kernel.current;
    const float t = g_kernel.demo_time - section.start;
    const float sync0 = section.syncs[0];

    // Every frame, so the layers above draw through this camera even while the face is not shown.
    apply_projection(s_horror.camera);
    apply_camera(s_horror.camera);
    if (t < sync0) return;

    // k rises from 0 at sync[0] to 1 at the end: the strength of the red light.
    const float tau = t - sync0;
    const float length = section.duration - sync0;
    const float k = 1.0f - (length - tau) / length;
    const GLfloat ambient[4] = {0, 0, 0, 1};
    const GLfloat diffuse[4] = {k, 0, 0, 1};
    const GLfloat specular[4] = {0, 0, 0, 1};
    const GLfloat position[4] = {-5, 0, -5, 1};
    set_light(GL_LIGHT1, ambient, diffuse, specular, position);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_SRC_ALPHA);
    glEnable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glEnable(GL_LIGHT1);
    glShadeModel(GL_SMOOTH);

    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glPushMatrix();
    glTranslatef(0.02f, -0.05f, 0.1f);
    const float s1 = random_sign();
    glRotatef(90.0f + s1 * float(random_below(5)), 1.0f, 0.0f, 0.0f);
    // Turns from 225 degrees at sync[0] to 135 at the end.
    glRotatef(135.0f - 90.0f * (tau - length) / length, 0.0f, 0.0f, 1.0f);
    const float s2 = random_sign();
    glRotatef(s2 * float(random_below(5)), 0.0f, 1.0f, 0.0f);
    // Each axis shakes by its own random factor.
    const float sx = 1.0f + 0.01f * float(random_below(5));
    const float sy = 1.0f + 0.01f * float(random_below(5));
    const float sz = 1.0f + 0.01f * float(random_below(5));
    glScalef(sx, sy, sz);
    draw_model(*s_horror.face);
    glPopMatrix();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);

    glDisable(GL_LIGHT1);
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    // Leaves the face camera in both matrices with the model-view selected; lighting, lights 0 and 1
    // and blending off, texturing and the depth test on.
}
