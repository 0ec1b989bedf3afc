// marspanorama.cpp -- "marspanorama": a landscape skybox in four shots, two shimmering copies added
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
#include "render/skybox_draw.h"
#include "resources/skybox.h"
#include "sections/sections.h"

namespace {

struct Shot {
    float position[3];
    float target[3];
    float angles[3];  // about x, y and z
};

constexpr Shot kShots[4] = {
    {{1.8f, 5.5f, -1.3f}, {18.0f, 9.5f, -9.3f}, {-2.9f, -140.5f, 0.0f}},
    {{0.149369f, 3.919621f, 3.778811f}, {17.149389f, 7.919617f, -4.221182f}, {12.3125f, 81.5f, 0.0f}},
    {{0.162826f, 3.547132f, 2.05669f}, {17.162819f, 7.547139f, -5.943309f}, {-51.0625f, -102.125f, 0.0f}},
    {{-2.698285f, 3.650873f, 2.882089f}, {14.301713f, 7.650874f, -5.117915f}, {-17.5625f, -15.3125f, 0.0f}},
};

struct PanoramaState {
    std::shared_ptr<Skybox> sky;  // "skyboxes/marspanorama/marspanorama_", six JPEG faces
    Camera camera;                // every frame's shot overwrites it
    float fov = 60.0f;            // the zoom shots' latest field of view
} s_panorama;

}  // namespace

const Snapshot kMarsPanoramaSnapshot = kSnapshotOf<s_panorama>;

void marspanorama_load() {
    s_panorama.sky = load_skybox(kMarsPanoramaAssets[0].path, kSkyboxJpeg, true, g_packeddata != 0);
    if (!s_panorama.sky) fatal_error("MarsPanorama: skybox not found");
    upload_skybox(*s_panorama.sky);
    s_panorama.camera = create_look_at_camera(-3.0f, 3.0f, 3.0f, 14.0f, 7.0f, -5.0f, 60.0f, 0.0f);
}

void marspanorama_init() {
    s_panorama.fov = 60.0f;
}

void marspanorama_render() {
    const Section& section = *g_kernel.current;
    const float* sync = section.syncs.data();
    const float t = g_kernel.demo_time - section.start;

    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // Cuts at the sync times; the third shot zooms in from 60 degrees and the fourth out from 55,
    // each by 5 degrees over its first 8 seconds, and on at that rate after.
    int shot = 3;
    float fov = 60.0f;
    if (t < sync[0]) {
        shot = 0;
    } else if (t < sync[1]) {
        shot = 1;
    } else if (t < sync[2]) {
        shot = 2;
        fov = s_panorama.fov = 55.0f + 0.625f * (8.0f - (t - sync[1]));
    } else {
        fov = s_panorama.fov = 60.0f - 0.625f * (8.0f - (t - sync[2]));
    }
    Camera& camera = s_panorama.camera;
    const Shot& s = kShots[shot];
    set_position(&camera, s.position[0], s.position[1], s.position[2]);
    set_target(&camera, s.target[0], s.target[1], s.target[2]);
    set_angles(&camera, s.angles[0], s.angles[1], s.angles[2]);
    set_field_of_view(&camera, fov, g_display.aspect);
    set_roll(&camera, 0.0f);
    apply_projection(camera);
    apply_camera(camera);

    // Two copies, each turned about the eye's vertical by its own wobble through the projection,
    // so the landscape shimmers whatever the shot.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glColor4f(1.0f, 1.0f, 1.0f, 0.9f + 0.05f * float(random_below(2)));
    glRotatef(2.0f * std::sin(t), 0.0f, 1.0f, 0.0f);
    draw_skybox(*s_panorama.sky, camera);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glColor4f(1.0f, 1.0f, 1.0f, 0.2f + 0.05f * float(random_below(2)));
    glRotatef(-std::cos(t), 0.0f, 1.0f, 0.0f);
    draw_skybox(*s_panorama.sky, camera);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();

    glDisable(GL_BLEND);
    glMatrixMode(GL_MODELVIEW);
    // Leaves the shot's camera in both matrices, the projection stack as deep as it found it,
    // blending off and the model-view matrix selected.
}
