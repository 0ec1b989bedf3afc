// blackfadeout.cpp -- "blackFadeOUT": a black quad whose alpha rises from 0 at the start to 1 at the end
#include <GL/gl.h>
#include <GL/glu.h>

#include "kernel/kernel.h"
#include "platform/window.h"
#include "sections/sections.h"

namespace {

struct BlackFadeState {
    float width = 0.0f;   // the display, as the rectangle's far corner
    float height = 0.0f;
} s_fade;

}  // namespace

void blackfadeout_load() {
    s_fade.width = float(g_display.width);
    s_fade.height = float(g_display.height);
}

void blackfadeout_render() {
    const Section& section = *g_kernel.current;
    const float a = (g_kernel.demo_time - section.start) / (section.end - section.start);

    glDepthMask(GL_FALSE);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0.0, s_fade.width, 0.0, s_fade.height);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_TEXTURE_2D);

    glColor4f(0.0f, 0.0f, 0.0f, a);
    glBegin(GL_QUADS);
    glVertex2f(0.0f, 0.0f);
    glVertex2f(s_fade.width, 0.0f);
    glVertex2f(s_fade.width, s_fade.height);
    glVertex2f(0.0f, s_fade.height);
    glEnd();

    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glDepthMask(GL_TRUE);
    // Leaves blending off, texturing on, depth writes on and the projection matrix selected; the
    // depth test is as it was.
}
