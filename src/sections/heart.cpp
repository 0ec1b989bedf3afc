// heart.cpp -- "heart": a spinning heart in a red glow, beating on the section's 33 sync times
#include <GL/gl.h>

#include <memory>

#include "core/config.h"
#include "core/fatal.h"
#include "kernel/kernel.h"
#include "render/camera.h"
#include "resources/model.h"
#include "sections/sections.h"

namespace {

constexpr int kBeats = 33;  // sync times; interval k ends at sync[k], interval 33 at the section's end

// How far the heart swells at the start of each interval.
constexpr float kBeatAmplitude[kBeats + 1] = {
    0.0f, 0.2f, 0.2f, 0.0f, 0.3f, 0.0f, 0.2f, 0.3f, 0.5f, 0.3f, 0.3f, 0.5f,
    0.3f, 0.3f, 0.2f, 0.3f, 0.5f, 0.3f, 0.3f, 0.5f, 0.2f, 0.5f, 0.2f, 0.3f,
    0.2f, 0.3f, 0.5f, 0.3f, 0.2f, 0.75f, 0.3f, 0.5f, 0.75f, 0.75f,
};

constexpr int kGlowCopies = 6;

struct HeartState {
    std::shared_ptr<Model> heart;  // "models/spinheart/spinheart.3ds"
    Camera camera;                 // at (0, 0, 10), looking at the origin
} s_heart;

// 1 + A at the start of the interval that t lies in, back to 1 at its end.
float beat_scale(const Section& section, float t) {
    const float* sync = section.syncs.data();
    int k = 0;
    while (k < kBeats && !(t < sync[k])) ++k;
    const float begin = k == 0 ? 0.0f : sync[k - 1];
    const float end = k == kBeats ? section.duration : sync[k];
    const float d = end - begin;
    // Only the last interval can be empty, when sync[32] is the section's end: nothing to decay.
    if (!(d > 0.0f)) return 1.0f;
    return 1.0f + kBeatAmplitude[k] * (d - (t - begin)) / d;
}

// Spinning at 100 degrees a second of local time, 1.5 below the camera's target, scale s.
void draw_heart(float t, float s) {
    glPushMatrix();
    glTranslatef(0.0f, -1.5f, 0.0f);
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    glRotatef(100.0f * t, 0.0f, 0.0f, 1.0f);
    glScalef(0.5f * s, 0.5f * s, 0.5f * s);

    // The glow: faint additive copies, each a little larger than the one before, over everything.
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glColor4f(1.0f, 0.0f, 0.0f, 1.0f);
    glPushMatrix();
    for (int i = 1; i <= kGlowCopies; ++i) {
        glColor4f(1.0f, 0.0f, 0.0f, 0.1f);
        const float grow = 1.0f + 0.005f * float(i);
        glScalef(grow, grow, grow);
        draw_textured_model(*s_heart.heart);
    }
    glPopMatrix();

    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    draw_textured_model(*s_heart.heart);
    glDisable(GL_LIGHTING);
    glPopMatrix();
}

}  // namespace

const Snapshot kHeartSnapshot = kSnapshotOf<s_heart>;

void heart_load() {
    s_heart.heart = load_model(kHeartAssets[0].path, kHeartAssets[0].file, g_packeddata != 0);
    if (!s_heart.heart) fatal_error("Error loading model 'spinheart.3ds'");
    upload_model_textures(*s_heart.heart);

    s_heart.camera = create_look_at_camera(0.0f, 0.0f, 10.0f, 0.0f, 0.0f, 0.0f, 60.0f, 0.0f);
}

void heart_render() {
    const Section& section = *g_kernel.current;
    const float t = g_kernel.demo_time - section.start;
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glColor4f(1.0f, 1.0f, 1.0f, 0.5f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    apply_projection(s_heart.camera);
    apply_camera(s_heart.camera);
    glPushMatrix();
    draw_heart(t, beat_scale(section, t));
    glPopMatrix();
    // Leaves the model-view matrix selected, both matrices holding the heart camera (sections above
    // may draw through it); blending and lighting off, depth test, texturing and light 0 on.
}
