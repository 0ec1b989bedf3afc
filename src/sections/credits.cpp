// credits.cpp -- "credits": the portrait, the credits with the title, the web page, shrinking under an orange flicker
#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <iterator>

#include "core/config.h"
#include "core/fatal.h"
#include "core/random.h"
#include "kernel/kernel.h"
#include "render/camera.h"
#include "render/overlay.h"
#include "resources/image.h"
#include "resources/image_list.h"
#include "sections/sections.h"

namespace {

enum CreditsImage { kCredits, kFinalTitle, kPortrait, kWeb, kImageCount };
static_assert(std::size(kCreditsAssets) == kImageCount, "one picture per image");

// World units of each image's quad.
constexpr float kQuadSizes[kImageCount][2] = {{400, 300}, {200, 100}, {200, 200}, {200, 200}};

struct CreditsState {
    int images[kImageCount];   // by CreditsImage
    Quad3D quads[kImageCount];  // one per image, at its own size
    Camera camera;             // 100 units in front of the quads
} s_credits;

// Orange, fast: the colour tints the credits picture (modulated) and sets every picture's alpha.
void flicker(float a) {
    const float c = std::sin(100.0f * a);
    glColor4f(1.0f, 0.5f * c, 0.0f, 0.9f + 0.1f * c);
}

}  // namespace

const Snapshot kCreditsSnapshot = kSnapshotOf<s_credits>;

void credits_load() {
    const int failed = load_texture_list(kCreditsAssets, s_credits.images, g_packeddata != 0);
    if (failed >= 0) fatal_error("Error loading texture %i in final section", failed);
    upload_texture_list(s_credits.images, kImageCount);
    set_texture_options(s_credits.images[kCredits], kTextureModulate);
    for (int i = 0; i < kImageCount; ++i) {
        make_3d_quad(&s_credits.quads[i], s_credits.images[i], kQuadSizes[i][0], kQuadSizes[i][1]);
    }

    s_credits.camera = create_look_at_camera(0.0f, 0.0f, -100.0f, 0.0f, 0.0f, 0.0f, 90.0f, 0.0f);
}

void credits_render() {
    const Section& section = *g_kernel.current;
    const float t = g_kernel.demo_time - section.start;
    const float s0 = section.syncs[0];
    const float s1 = section.syncs[1];

    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    apply_projection(s_credits.camera);
    apply_camera(s_credits.camera);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);

    if (t < s0) {
        // From scale 1 down to 0.8, where the credits take over.
        glPushMatrix();
        flicker(t);
        const float k = 1.0f - 0.2f * t / s0;
        glScalef(k, k, 1.0f);
        draw_3d_quad(s_credits.quads[kPortrait]);
        glPopMatrix();
    } else if (t < s1) {
        const float a = t - s0;
        glPushMatrix();
        flicker(a);
        const float k = 0.8f - 0.01f * a;
        glScalef(k, k, 1.0f);
        // One degree a second.
        glRotatef(a, 0.0f, 0.0f, 1.0f);
        draw_3d_quad(s_credits.quads[kCredits]);
        glPopMatrix();

        // The title twice over the credits' empty middle row, the second time at a random strength.
        glPushMatrix();
        glScalef(0.3f, 0.3f, 1.0f);
        glTranslatef(15.0f, 0.0f, 0.0f);
        glColor4f(1.0f, 1.0f, 1.0f, 0.5f);
        draw_3d_quad(s_credits.quads[kFinalTitle]);
        glColor4f(1.0f, 1.0f, 1.0f, 0.75f + 0.01f * float(random_below(25)));
        draw_3d_quad(s_credits.quads[kFinalTitle]);
        glPopMatrix();
    } else {
        const float a = t - s1;
        const float d = (section.end - s1) - section.start;
        glPushMatrix();
        flicker(a);
        const float k = 0.5f - 0.03f * a / d;
        glScalef(k, k, 1.0f);
        draw_3d_quad(s_credits.quads[kWeb]);
        glPopMatrix();
    }

    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    // Leaves blending off with (source alpha, one), the depth test on and the camera's model-view
    // matrix selected.
}
