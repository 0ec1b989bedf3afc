// hombre.cpp -- "hombre": a body lit red on a fogged tiled floor, a small heart at its chest
#include <GL/gl.h>

#include <memory>

#include "core/config.h"
#include "core/fatal.h"
#include "kernel/kernel.h"
#include "render/light.h"
#include "resources/image.h"
#include "resources/model.h"
#include "sections/sections.h"

namespace {

// The floor's corners, also its texture coordinates: the picture repeats 200 times each way.
constexpr float kFloor[4][2] = {{-100, -100}, {100, -100}, {100, 100}, {-100, 100}};

struct HombreState {
    int floor = -1;                // "textures/suelo.jpg"
    std::shared_ptr<Model> body;   // drawn untextured, so its maps are never uploaded
    std::shared_ptr<Model> heart;  // textured
} s_hombre;

}  // namespace

const Snapshot kHombreSnapshot = kSnapshotOf<s_hombre>;

void hombre_load() {
    const bool packed = g_packeddata != 0;
    s_hombre.floor = load_texture(kHombreAssets[0].path, packed);
    if (s_hombre.floor < 0) fatal_error("Error loading texture '%s'", kHombreAssets[0].path);
    upload_texture(s_hombre.floor);
    s_hombre.body = load_model(kHombreAssets[1].path, kHombreAssets[1].file, packed);
    if (!s_hombre.body) fatal_error("Error loading model '%s'", kHombreAssets[1].file);
    compile_model_draw(s_hombre.body.get());
    s_hombre.heart = load_model(kHombreAssets[2].path, kHombreAssets[2].file, packed);
    if (!s_hombre.heart) fatal_error("Error loading model '%s'", kHombreAssets[2].file);
    upload_model_textures(*s_hombre.heart);
}

void hombre_check() {
    const Section& section = *g_kernel.current;
    if (section.sync_count != 0) {
        fatal_error("Section: invalid sync number (%d found, %d expected)", section.sync_count, 0);
    }
}

void hombre_init() {
    hombre_check();
}

void hombre_render() {
    // A positional red light at the origin of whatever model-view the layers below left.
    const GLfloat red[4] = {1, 0, 0, 1};
    const GLfloat none[4] = {0, 0, 0, 1};
    const GLfloat origin[4] = {0, 0, 0, 1};
    set_light(GL_LIGHT1, red, red, none, origin);

    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_SRC_ALPHA);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glEnable(GL_LIGHT1);
    glShadeModel(GL_SMOOTH);

    // The body: opaque, its material colours lit by the red light alone.
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glBlendFunc(GL_ONE, GL_ZERO);
    glDisable(GL_TEXTURE_2D);
    glPushMatrix();
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    draw_model(*s_hombre.body);
    glPopMatrix();
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    glBlendFunc(GL_ONE, GL_SRC_ALPHA);

    // The floor fades into black fog. It sends no normal: the last one the body sent applies.
    glFogi(GL_FOG_MODE, GL_EXP2);
    glFogfv(GL_FOG_COLOR, none);
    glFogf(GL_FOG_DENSITY, 0.5f);
    glFogf(GL_FOG_START, 0.5f);
    glFogf(GL_FOG_END, 0.1f);
    glEnable(GL_FOG);
    bind_texture(s_hombre.floor);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glPushMatrix();
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    glTranslatef(0.0f, 0.0f, 0.1f);
    glBegin(GL_QUADS);
    for (const auto& corner : kFloor) {
        glTexCoord2fv(corner);
        glVertex3f(corner[0], corner[1], 0.0f);
    }
    glEnd();
    glPopMatrix();
    glDisable(GL_FOG);

    glDisable(GL_LIGHT1);
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);

    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_TEXTURE_2D);
    glPushMatrix();
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    glTranslatef(0.35f, 2.85f, -2.0f);
    glScalef(0.12f, 0.12f, 0.12f);
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    draw_textured_model(*s_hombre.heart);
    glPopMatrix();
    // Leaves the matrices as it found them; lights 0 and 1, lighting, blending, fog and face culling
    // off (light 0 on if the heart has an untextured material), texturing on, EXP2 fog of density 0.5.
}
