// varnellogo.cpp -- "varnellogo": the group's 3D logo flies in spinning, echoes in red and tumbles
#include <GL/gl.h>

#include <cstdlib>
#include <memory>

#include "core/config.h"
#include "core/fatal.h"
#include "core/random.h"
#include "kernel/kernel.h"
#include "render/camera.h"
#include "resources/model.h"
#include "sections/sections.h"

namespace {

struct LogoState {
    std::shared_ptr<Model> red_letters;   // "models/VarnelLogo/letra/roja/letra.3ds"
    std::shared_ptr<Model> letters;       // "models/VarnelLogo/letra/normal/letra.3ds"
    std::shared_ptr<Model> red_frame;     // "models/VarnelLogo/marco/rojo/marco.3ds"
    std::shared_ptr<Model> frame;         // "models/VarnelLogo/marco/normal/marco.3ds"
    Camera camera;                        // at (0, 0, -10), looking at the origin
} s_logo;

std::unique_ptr<Model> load_part(const SectionAsset& part) {
    std::unique_ptr<Model> model = load_model(part.path, part.file, g_packeddata != 0);
    if (!model) fatal_error("Error loading model '%s'", part.file);
    upload_model_textures(*model);
    return model;
}

// One frame in eight, the red variant at a faint random alpha instead of the normal one, drawn
// with the colour already current.
void draw_flickering(const Model& normal, const Model& red) {
    if (random_below(8) == 1) {
        glColor4f(1.0f, 1.0f, 1.0f, float(random_below(5)) * 0.1f);
        draw_textured_model(red);
    } else {
        draw_textured_model(normal);
    }
}

// Phase 2, tau from 0 to d: from the camera to the origin, the frame and the letters spinning
// opposite ways about z and turning about y, both easing out to rest.
void fly_in(float tau, float d, float u) {
    glColor4f(1.0f, 1.0f, 1.0f, 0.8f + 0.2f * u);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    apply_projection(s_logo.camera);
    apply_camera(s_logo.camera);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    const float z = 30.0f * tau / (2.0f * d) - 10.0f * tau * tau / (2.0f * d * d) - 10.0f;
    const float a = 360.0f * tau * tau / (2.0f * d * d) - 1080.0f * tau / (2.0f * d) + 360.0f;
    const float b = 90.0f * tau * tau / (2.0f * d * d) - 270.0f * tau / (2.0f * d) + 90.0f;
    glPushMatrix();
    glTranslatef(0.0f, 0.0f, z);
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    glRotatef(a, 0.0f, 0.0f, 1.0f);
    glRotatef(b, 0.0f, 1.0f, 0.0f);
    draw_flickering(*s_logo.frame, *s_logo.red_frame);
    glPopMatrix();

    glPushMatrix();
    glTranslatef(0.0f, 0.0f, z);
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    glRotatef(-a, 0.0f, 0.0f, 1.0f);
    glRotatef(b, 0.0f, 1.0f, 0.0f);
    draw_flickering(*s_logo.letters, *s_logo.red_letters);
    glPopMatrix();
}

// Phases 3 and 4 draw over whatever the buffers hold, turned so that the models face the camera.
void begin_red() {
    glColor4f(1.0f, 1.0f, 1.0f, float(random_below(4)) * 0.1f + 0.6f);
    apply_projection(s_logo.camera);
    apply_camera(s_logo.camera);
    glPushMatrix();
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    glPushMatrix();
}

void end_red() {
    glPopMatrix();
    glPopMatrix();
}

// Phase 3, tau from 0 to d: four red copies, each scaled again on top of the ones before, closing
// onto one another; the outer ones fainter.
void echo(float tau, float d) {
    begin_red();
    for (int i = 1; i <= 4; ++i) {
        glColor4f(1.0f, 1.0f, 1.0f, float(random_below(3)) * 0.1f + 0.7f / float(i));
        const float s = (d - tau) * float(i) * 0.03f / d + 1.0f;
        glScalef(s, s, s);
        draw_textured_model(*s_logo.red_frame);
        draw_textured_model(*s_logo.red_letters);
    }
    end_red();
}

// Phase 4: frame and letters tumble apart, ever faster.
void tumble(float tau) {
    begin_red();
    const float q = tau * tau;
    glRotatef(180.0f * q, 0.5f, 0.5f, 1.0f);
    draw_textured_model(*s_logo.red_frame);
    glRotatef(420.0f * q, -0.5f, -0.5f, -1.0f);
    draw_textured_model(*s_logo.red_letters);
    end_red();
}

}  // namespace

const Snapshot kVarnelLogoSnapshot = kSnapshotOf<s_logo>;

void varnellogo_load() {
    s_logo.red_letters = load_part(kVarnelLogoAssets[0]);
    s_logo.letters = load_part(kVarnelLogoAssets[1]);
    s_logo.red_frame = load_part(kVarnelLogoAssets[2]);
    s_logo.frame = load_part(kVarnelLogoAssets[3]);

    s_logo.camera = create_look_at_camera(0.0f, 0.0f, -10.0f, 0.0f, 0.0f, 0.0f, 90.0f, 0.0f);
}

void varnellogo_render() {
    const Section& section = *g_kernel.current;
    const float* sync = section.syncs.data();
    // This type's sync times are demo times, not offsets from the start.
    const float time = g_kernel.demo_time;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    if (time < sync[0]) {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    } else if (time < sync[1]) {
        fly_in(time - sync[0], sync[1] - sync[0], (time - sync[0]) / (sync[1] - sync[0]));
    } else if (time < sync[2]) {
        echo(time - sync[1], sync[2] - sync[1]);
    } else if (time < section.end) {
        tumble(time - sync[2]);
    }
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    // Leaves blending off and texturing on; depth test, lighting and the rest as the model drawing
    // left them. From phase 2 on, the model-view matrix is selected, holding the logo camera.
}
