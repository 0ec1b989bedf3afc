// loading.cpp -- "loading": the loading picture with a progress bar, then a fade to black
#include <GL/gl.h>
#include <GL/glu.h>

#include "core/config.h"
#include "core/fatal.h"
#include "kernel/kernel.h"
#include "platform/window.h"
#include "resources/image.h"
#include "sections/sections.h"

namespace {

constexpr float kBarX = 132.0f;       // bottom-left corner of the bar, window pixels
constexpr float kBarY = 110.0f;
constexpr float kBarWidth = 570.0f;
constexpr float kBarHeight = 4.0f;
constexpr float kFadeStep = 0.01f;    // alpha lost per fade frame

// Corners bottom-left, bottom-right, top-right, top-left; t = 0 is the top of the picture.
constexpr float kTexcoords[4][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};

struct LoadingState {
    int image = -1;           // "textures/loading.jpg"
    float corners[4][2];      // 800 x 600, centred on the display
    float width = 0.0f;       // the display
    float height = 0.0f;
    float fade = 1.0f;        // alpha of the outline and the bar; lowered by the end handler
} s_loading;

}  // namespace

const Snapshot kLoadingSnapshot = kSnapshotOf<s_loading>;

void loading_load() {
    const char* path = kLoadingAssets[0].path;
    s_loading.image = load_texture(path, g_packeddata != 0);
    if (s_loading.image < 0) fatal_error("Error loading texture '%s'", path);
    set_texture_options(s_loading.image, kTextureClamp);
    upload_texture(s_loading.image);

    s_loading.width = float(g_display.width);
    s_loading.height = float(g_display.height);
    const float x0 = (s_loading.width - 800.0f) * 0.5f;
    const float x1 = s_loading.width - x0;
    const float y0 = (s_loading.height - 600.0f) * 0.5f;
    const float y1 = s_loading.height - y0;
    const float corners[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    for (int i = 0; i < 4; ++i) {
        s_loading.corners[i][0] = corners[i][0];
        s_loading.corners[i][1] = corners[i][1];
    }
}

void loading_init() {
    s_loading.fade = 1.0f;
}

void loading_render() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0.0, s_loading.width, 0.0, s_loading.height);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    // No colour is set for the picture: it takes the colour last set, of which the replace mode
    // keeps only the alpha.
    bind_texture(s_loading.image);
    glBegin(GL_QUADS);
    for (int i = 0; i < 4; ++i) {
        glTexCoord2fv(kTexcoords[i]);
        glVertex2fv(s_loading.corners[i]);
    }
    glEnd();
    glDisable(GL_TEXTURE_2D);

    glColor4f(0.0f, 0.0f, 0.0f, s_loading.fade);
    glBegin(GL_LINE_LOOP);
    glVertex2f(130.0f, 116.0f);
    glVertex2f(130.0f, 107.0f);
    glVertex2f(705.0f, 107.0f);
    glVertex2f(705.0f, 116.0f);
    glEnd();

    const float p = g_kernel.types_to_load > 0
                        ? float(g_kernel.types_loaded) * kBarWidth / float(g_kernel.types_to_load)
                        : 0.0f;
    glColor4f(0.8f, 0.0f, 0.0f, s_loading.fade);
    glBegin(GL_QUADS);
    glVertex2f(kBarX, kBarY + kBarHeight);
    glVertex2f(kBarX, kBarY);
    glVertex2f(kBarX + p, kBarY);
    glVertex2f(kBarX + p, kBarY + kBarHeight);
    glEnd();

    glEnable(GL_TEXTURE_2D);
    present_frame();
}

void loading_end() {
    // Every drawn pixel scaled by its alpha over the cleared screen, for 101 frames from 1.0.
    while (s_loading.fade >= 0.0f) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ZERO);
        loading_render();
        glDisable(GL_BLEND);
        s_loading.fade -= kFadeStep;
    }
}
