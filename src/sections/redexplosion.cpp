// redexplosion.cpp -- "redExplosion": two copies of an explosion added over the layers below, turning apart
#include <GL/gl.h>


#include "core/config.h"
#include "core/fatal.h"
#include "core/random.h"
#include "kernel/kernel.h"
#include "render/overlay.h"
#include "resources/image.h"
#include "sections/sections.h"

namespace {

struct RedExplosionState {
    Quad3D explosion;  // 24 x 24, "textures/redexplosion.jpg"
} s_explosion;

}  // namespace

const Snapshot kRedExplosionSnapshot = kSnapshotOf<s_explosion>;

void redexplosion_load() {
    const char* path = kRedExplosionAssets[0].path;
    const int image = load_texture(path, g_packeddata != 0);
    if (image < 0) fatal_error("Error loading texture '%s'", path);
    make_3d_quad(&s_explosion.explosion, image, 24.0f, 24.0f);
    upload_texture(image);
}

void redexplosion_render() {
    const Section& section = *g_kernel.current;
    const float t = g_kernel.demo_time - section.start;
    const float length = section.duration;

    // No clear: the light adds to whatever the layers below drew.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glColor4f(1.0f, 1.0f, 1.0f, flicker_alpha());
    // Shrinks to 75 %, the two copies turning 30 degrees apart in opposite directions.
    const float h = 1.0f - 0.25f * t / length;
    for (const float turn : {30.0f * t / length, -30.0f * t / length}) {
        glPushMatrix();
        glTranslatef(0.0f, 1.5f, -10.0f);
        glRotatef(turn, 0.0f, 0.0f, 1.0f);
        glScalef(h, h, 1.0f);
        draw_3d_quad(s_explosion.explosion);
        glPopMatrix();
    }
    glDisable(GL_BLEND);
    // Leaves both matrices as it found them, blending off with the additive blend function.
}
