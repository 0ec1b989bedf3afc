// varnelbump.cpp -- "varnelBump": the stone slab over its jittering glow, a relief circling on top
#include <GL/gl.h>

#include <cmath>

#include "core/config.h"
#include "core/fatal.h"
#include "core/random.h"
#include "kernel/kernel.h"
#include "render/overlay.h"
#include "resources/image.h"
#include "sections/sections.h"

namespace {

constexpr int kStone = 0;  // slots of kVarnelBumpAssets, also the numbers in the load message
constexpr int kBump = 1;
constexpr int kGlow = 2;
constexpr float kWidth = 24.0f;
constexpr float kHeight = 12.0f;

struct VarnelBumpState {
    int images[3];  // stone, bump, glow
    Quad3D stone;   // the slab; its alpha channel cuts its outline
    Quad3D bump;    // the relief, added on top
    Quad3D glow;    // behind the slab
} s_bump;

}  // namespace

const Snapshot kVarnelBumpSnapshot = kSnapshotOf<s_bump>;

void varnelbump_load() {
    // Every picture is tried before any is checked, so a missing file costs one message.
    for (int i = 0; i < 3; ++i) s_bump.images[i] = load_texture(kVarnelBumpAssets[i].path, g_packeddata != 0);
    for (int i = 0; i < 3; ++i) {
        if (s_bump.images[i] < 0) fatal_error("Error loading texture number %i in varnelBump section", i);
    }
    make_3d_quad(&s_bump.stone, s_bump.images[kStone], kWidth, kHeight);
    make_3d_quad(&s_bump.bump, s_bump.images[kBump], kWidth, kHeight);
    make_3d_quad(&s_bump.glow, s_bump.images[kGlow], kWidth, kHeight);
    upload_texture(s_bump.images[kGlow]);
    upload_texture(s_bump.images[kStone]);
    upload_texture(s_bump.images[kBump]);
}

void varnelbump_render() {
    const Section& section = *g_kernel.current;
    const float t = g_kernel.demo_time - section.start;

    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor4f(1.0f, 1.0f, 1.0f, flicker_alpha());
    // The slab shrinks to 95 % over the section.
    const float d = 1.0f - 0.05f * t / section.duration;

    const float e = d * (1.0f + 0.005f * std::sin(1000.0f * t));
    glPushMatrix();
    glTranslatef(0.0f, -8.0f, -10.1f);
    glScalef(e, e, 1.0f);
    draw_3d_quad(s_bump.glow);
    glPopMatrix();

    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.1f);
    glPushMatrix();
    glTranslatef(0.0f, -8.0f, -10.0f);
    glScalef(d, d, 1.0f);
    draw_3d_quad(s_bump.stone);
    glPopMatrix();
    glDisable(GL_ALPHA_TEST);

    // The relief circles the slab on a radius of 0.05, once every 2 pi / 5 seconds.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glPushMatrix();
    glTranslatef(0.05f * std::cos(5.0f * t), 0.05f * std::sin(5.0f * t) - 8.0f, -10.0f);
    glScalef(d, d, 1.0f);
    draw_3d_quad(s_bump.bump);
    glPopMatrix();
    glDisable(GL_BLEND);
    // Leaves both matrices as it found them, blending and the alpha test off, additive blend function.
}
