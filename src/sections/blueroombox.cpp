// blueroombox.cpp -- "blueroombox": a room in a slowly pulsing light under two turning night skies
#include <GL/gl.h>

#include <cmath>
#include <memory>

#include "core/config.h"
#include "core/fatal.h"
#include "kernel/kernel.h"
#include "platform/window.h"
#include "render/camera.h"
#include "render/light.h"
#include "render/skybox_draw.h"
#include "resources/model.h"
#include "resources/skybox.h"
#include "sections/sections.h"

namespace {

struct BlueroomState {
    std::shared_ptr<Model> room;     // "models/blueroom/blueroombox.3ds", drawn untextured
    Camera camera;                   // never reset: the drift of phase 1 adds up in its target
    std::shared_ptr<Skybox> skybox;  // the night, drawn twice
} s_blueroom;

}  // namespace

const Snapshot kBlueroomboxSnapshot = kSnapshotOf<s_blueroom>;

void blueroombox_load() {
    const bool packed = g_packeddata != 0;
    const SectionAsset& model = kBlueroomboxAssets[0];
    s_blueroom.room = load_model(model.path, model.file, packed);
    if (!s_blueroom.room) fatal_error("Error loading model '%s'", model.file);
    compile_model_draw(s_blueroom.room.get());

    s_blueroom.camera =
        create_look_at_camera(0.312517f, 0.786043f, -3.875751f, 0.312517f, 0.786043f, -13.875757f, 60.0f, 0.0f);
    set_angles(&s_blueroom.camera, -2.6875f, -84.75f, 0.0f);

    s_blueroom.skybox = load_skybox(kBlueroomboxAssets[1].path, kSkyboxJpeg, true, packed);
    if (!s_blueroom.skybox) fatal_error("BlueRoomBox: skybox not found");
    upload_skybox(*s_blueroom.skybox);
}

void blueroombox_render() {
    const Section& section = *g_kernel.current;
    const float t = g_kernel.demo_time - section.start;
    const float s0 = section.syncs[0];
    Camera* camera = &s_blueroom.camera;

    // The light swings in brightness and towards blue, its blue below zero half the time.
    const float d = 0.06f * std::sin(2.0f * t);
    const float diffuse[4] = {0.3f + d, 0.3f + d, d, 1.0f};

    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    if (t < s0) {
        // Added every frame, so the drift depends on the frame rate.
        camera->target[0] += 0.003f * std::sin(0.3f * t);
        camera->target[2] += 0.004f * std::cos(0.22f * t + 56.0f);
    } else {
        const float tau = t - s0;
        const float p = section.end - section.start - s0;
        set_position(camera, 0.803215f, 1.098751f, -3.769589f);
        set_target(camera, 0.803215f, 1.098751f, -13.769601f);
        set_angles(camera, -82.875f, -4.1875f, 0.0f);
        set_field_of_view(camera, 60.0f - 10.0f * (p - tau) / p, g_display.aspect);
        set_roll(camera, 0.0f);
    }
    apply_projection(*camera);
    apply_camera(*camera);

    glPushMatrix();
    glRotatef(1.2f * t + 50.0f, 0.0f, 1.0f, 0.0f);
    draw_skybox(*s_blueroom.skybox, *camera);
    glPopMatrix();
    // The faces replace the colour but keep its alpha: the second sky is half transparent.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1.0f, 1.0f, 1.0f, 0.5f);
    glPushMatrix();
    glRotatef(1.6f * t + 250.0f, 0.0f, 1.0f, 0.0f);
    draw_skybox(*s_blueroom.skybox, *camera);
    glPopMatrix();

    static constexpr float kAmbient[4] = {0.3f, 0.3f, 0.3f, 1.0f};
    static constexpr float kSpecular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    static constexpr float kPosition[4] = {0.0f, 0.5f, 0.0f, 1.0f};
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glDisable(GL_LIGHT1);
    // Through the camera's model-view matrix: the light hangs in the room.
    set_light(GL_LIGHT0, kAmbient, diffuse, kSpecular, kPosition);

    // Blending stays on, made opaque.
    glBlendFunc(GL_ONE, GL_ZERO);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glShadeModel(GL_SMOOTH);

    glDisable(GL_TEXTURE_2D);
    glPushMatrix();
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    glRotatef(180.0f, 0.0f, 0.0f, 1.0f);
    draw_model(*s_blueroom.room);
    glPopMatrix();
    glEnable(GL_TEXTURE_2D);

    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    // Leaves lighting and blending off with (one, zero), light 0 on with this frame's colours,
    // texturing on, smooth shading, filled polygons, the colour (1, 1, 1, 0.5) and the camera's
    // model-view matrix selected.
}
