// tunnel.cpp -- "tunnel": four timed flights through burning tubes of grain fields on a red background
#include <GL/gl.h>

#include <cmath>

#include "core/config.h"
#include "core/fatal.h"
#include "kernel/kernel.h"
#include "render/camera.h"
#include "resources/image.h"
#include "sections/grain_field.h"
#include "sections/sections.h"

namespace {

constexpr float kSlowStep = 0.02f;   // least time between grain steps in phases 1 to 3, seconds
constexpr float kFastStep = 0.001f;  // in phase 4

struct TunnelState {
    Camera mouth;        // phase 1: at the mouth, looking down the tube; sways
    Camera deep;         // phase 2: deep inside, looking back at the mouth; sways
    Camera side;         // phase 3: fixed, rolled, looking at the wall
    Camera slant;        // phase 4: fixed, looking across the tube
    GrainField field_a;  // phases 1 and 2: flames
    GrainField field_c;  // phase 3: fine
    GrainField field_d;  // phase 4: coarse and rough
    int flameTex = -1;  // "textures/flame.jpg"
    int pixelfire = -1;  // "textures/pixelfire.jpg"
    // Per phase, the phase time of its latest grain step. Never reset, so a second tunnel section
    // steps only once its phase times pass these.
    float last_advance[4] = {0.0f, 0.0f, 0.0f, 0.0f};
} s_tunnel;

int load_fire(const char* path, const char* name) {
    const int image = load_texture(path, g_packeddata != 0);
    if (image < 0) fatal_error("Error loading texture %s in Tunnel section", name);
    upload_texture(image);
    return image;
}

// Steps the field when the phase time is more than min_step past the phase's latest step.
void advance_if_due(GrainField* field, float* last_advance, float tau, float min_step) {
    if (tau - *last_advance > min_step) {
        *last_advance = tau;
        advance_grain_field(field);
        compute_grain_field_normals(field);
    }
}

void clear_to_red() {
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

// Phases 1 and 2: lit, depth-tested, blended flames in a red fog.
void enable_flames() {
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    const float red[4] = {1.0f, 0.0f, 0.0f, 1.0f};
    glFogi(GL_FOG_MODE, GL_EXP2);
    glFogfv(GL_FOG_COLOR, red);
    glFogf(GL_FOG_DENSITY, 0.2f);
    glFogf(GL_FOG_START, 7.0f);
    glFogf(GL_FOG_END, 10.0f);
    glEnable(GL_FOG);
}

// Phases 1 and 2: the tube turns and, on the rare frame where sin 5 tau truncates to +-1, stretches.
void draw_flames(float tau) {
    bind_texture(s_tunnel.flameTex);
    glRotatef(50.0f * tau, 0.0f, 0.0f, 1.0f);
    glScalef(1.0f, 1.0f, 0.5f + std::fabs(std::trunc(std::sin(5.0f * tau))));
    draw_grain_field(s_tunnel.field_a);
}

// Phase 1: the mouth of the tube, seen from inside.
void mouth(float tau) {
    set_position(&s_tunnel.mouth, 0.15f * std::sin(2.0f * tau), 0.15f * std::cos(2.0f * tau), 0.0f);
    apply_projection(s_tunnel.mouth);
    apply_camera(s_tunnel.mouth);
    clear_to_red();
    glColor4f(0.0f, 1.0f, 0.0f, 0.5f);
    enable_flames();
    advance_if_due(&s_tunnel.field_a, &s_tunnel.last_advance[0], tau, kSlowStep);
    draw_flames(tau);
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glDisable(GL_FOG);
}

// Phase 2: the same tube from deep inside, looking back. Its tau is the local time, so the sway,
// the turn and the scrolling of field A run on from phase 1.
void deep(float tau) {
    set_position(&s_tunnel.deep, 0.15f * std::sin(2.0f * tau), 0.15f * std::cos(2.0f * tau), 20.0f);
    apply_projection(s_tunnel.deep);
    apply_camera(s_tunnel.deep);
    enable_flames();
    advance_if_due(&s_tunnel.field_a, &s_tunnel.last_advance[1], tau, kSlowStep);
    clear_to_red();
    glColor4f(1.0f, 0.0f, 0.0f, 0.5f);
    draw_flames(tau);
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glDisable(GL_FOG);
}

// Phases 3 and 4: additive, lit pixel fire without the depth test.
void enable_pixel_fire() {
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glShadeModel(GL_SMOOTH);
    glDisable(GL_CULL_FACE);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDisable(GL_DEPTH_TEST);
}

// The field turned by 100 tau degrees, then again untextured at 50 tau.
void draw_pixel_fire(const GrainField& field, float tau) {
    glColor4f(1.0f, 0.0f, 0.0f, 0.5f);
    bind_texture(s_tunnel.pixelfire);
    glPushMatrix();
    glRotatef(100.0f * tau, 0.0f, 0.0f, 1.0f);
    draw_grain_field(field);
    glRotatef(-50.0f * tau, 0.0f, 0.0f, 1.0f);
    glDisable(GL_TEXTURE_2D);
    draw_grain_field(field);
    glEnable(GL_TEXTURE_2D);
    glPopMatrix();
}

// Phase 3: a fine, fast-turning tube from a fixed camera.
void fine(float tau) {
    apply_projection(s_tunnel.side);
    apply_camera(s_tunnel.side);
    advance_if_due(&s_tunnel.field_c, &s_tunnel.last_advance[2], tau, kSlowStep);
    clear_to_red();
    enable_pixel_fire();
    draw_pixel_fire(s_tunnel.field_c, tau);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
}

// Phase 4: a wide, coarse tube, stepped as often as every millisecond.
void coarse(float tau) {
    apply_projection(s_tunnel.slant);
    apply_camera(s_tunnel.slant);
    enable_pixel_fire();
    advance_if_due(&s_tunnel.field_d, &s_tunnel.last_advance[3], tau, kFastStep);
    clear_to_red();
    draw_pixel_fire(s_tunnel.field_d, tau);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
}

}  // namespace

const Snapshot kTunnelSnapshot = kSnapshotOf<s_tunnel>;

void tunnel_load() {
    s_tunnel.mouth = create_look_at_camera(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 120.0f, 0.0f);
    s_tunnel.deep = create_look_at_camera(0.0f, 0.0f, 20.0f, 0.0f, 0.0f, 0.0f, 120.0f, 0.0f);
    s_tunnel.side = create_look_at_camera(-1.0f, 0.0f, 30.0f, -100.0f, -100.0f, 30.0f, 150.0f, 90.0f);
    s_tunnel.slant = create_look_at_camera(-2.0f, -2.0f, 25.0f, 1.0f, 1.0f, 25.0f, 120.0f, 0.0f);
    // Set after creation: the two swaying cameras clip at 0.01, not at the default 0.1.
    s_tunnel.mouth.near = 0.01f;
    s_tunnel.deep.near = 0.01f;

    s_tunnel.field_a = create_grain_field(4.0f, 90.0f, 25, 50, 0.5f);
    s_tunnel.field_c = create_grain_field(4.0f, 50.0f, 75, 75, 0.2f);
    s_tunnel.field_d = create_grain_field(5.0f, 50.0f, 25, 75, 1.0f);

    s_tunnel.flameTex = load_fire(kTunnelAssets[0].path, "flameTex");
    s_tunnel.pixelfire = load_fire(kTunnelAssets[1].path, "pixelfire");
}

void tunnel_render() {
    const Section& section = *g_kernel.current;
    const float* sync = section.syncs.data();
    const float t = g_kernel.demo_time - section.start;
    if (t < sync[0]) {
        mouth(t);
    } else if (t < sync[1]) {
        deep(t);
    } else if (t < sync[2]) {
        fine(t - sync[1]);
    } else {
        coarse(t - sync[2]);
    }
    // Leaves the model-view matrix selected, lighting and fog off and the clear colour red. Phases
    // 1 and 2 leave depth test, texturing and blending (one, one minus source alpha) on and light 0
    // off; phase 3 leaves light 0 on and additive blending on; phase 4 light 0 on and blending off.
}
