// final.cpp -- "final": a spinning distortion sky added onto the last frame and darkened by 10 %, leaving trails
#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "core/config.h"
#include "core/fatal.h"
#include "core/random.h"
#include "kernel/kernel.h"
#include "platform/window.h"
#include "render/camera.h"
#include "render/overlay.h"
#include "render/skybox_draw.h"
#include "resources/skybox.h"
#include "sections/sections.h"

namespace {

struct FinalState {
    std::shared_ptr<Skybox> skybox;  // the distortion
    Camera camera;                   // its target is set after the draw, so it lags one frame
    float width = 0.0f;              // the display, as the veil's far corner
    float height = 0.0f;             // likewise
} s_final;

}  // namespace

const Snapshot kFinalSnapshot = kSnapshotOf<s_final>;

void final_load() {
    s_final.skybox = load_skybox(kFinalAssets[0].path, kSkyboxJpeg, true, g_packeddata != 0);
    if (!s_final.skybox) fatal_error("Final: Error loading the Skybox");
    upload_skybox(*s_final.skybox);

    s_final.camera = create_look_at_camera(0.0f, 0.0f, -5.0f, 0.0f, 0.0f, 0.0f, 160.0f, 0.0f);

    s_final.width = float(g_display.width);
    s_final.height = float(g_display.height);
}

void final_init() {
    // The only clear: the render adds onto whatever the frame before left.
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

void final_render() {
    const float t = g_kernel.demo_time - g_kernel.current->start;
    Camera* camera = &s_final.camera;

    set_roll(camera, t * 10.0f);
    apply_projection(*camera);
    apply_camera(*camera);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);

    // The sky spins in the projection, which is restored after it.
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glColor4f(1.0f, 1.0f, 1.0f, 0.9f + 0.05f * float(random_below(2)));
    glRotatef(t * 100.0f, 0.0f, 1.0f, 0.0f);
    draw_skybox(*s_final.skybox, *camera);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();

    // Applied in the next frame.
    set_target(camera, 2.0f * std::cos(3.0f * t), 2.0f * std::sin(5.0f * t), 0.0f);

    // Every pixel keeps 90 % of what it had.
    draw_black_veil(s_final.width, s_final.height, 0.1f);
    // Leaves blending off with (source alpha, one minus source alpha), texturing on, depth writes on
    // and the projection matrix selected, holding the camera's projection.
}
