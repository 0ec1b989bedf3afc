// timeline_strip.cpp -- draws the studio's timeline strip from the script list
#include "studio/timeline_strip.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstring>

#include "kernel/kernel.h"
#include "platform/text.h"
#include "platform/window.h"

namespace {

constexpr int kMaxRows = 12;           // layers beyond the twelfth share the top row
constexpr int kRowHeight = 16;         // pixels per layer
constexpr int kTextHeight = 18;        // the line with the time, below the rows
constexpr float kSpan = 40.0f;         // seconds across the window
constexpr float kBefore = 10.0f;       // of them, before the current time

// Bar colours, by type id.
constexpr unsigned char kColours[8][3] = {
    {200, 80, 60}, {70, 150, 210}, {90, 180, 90}, {200, 170, 60},
    {160, 100, 200}, {60, 180, 170}, {210, 110, 160}, {140, 140, 140},
};

// The distinct layers of the script, ascending, at most kMaxRows of them.
int layers_in_use(int (&layers)[kMaxRows]) {
    int count = 0;
    for (const Section* s = g_kernel.script; s; s = s->next_script) {
        int i = 0;
        while (i < count && layers[i] < s->layer) ++i;
        if (i < count && layers[i] == s->layer) continue;
        if (count == kMaxRows) {
            if (i == kMaxRows) continue;
            --count;
        }
        for (int k = count; k > i; --k) layers[k] = layers[k - 1];
        layers[i] = s->layer;
        ++count;
    }
    return count;
}

int row_of(const int (&layers)[kMaxRows], int count, int layer) {
    for (int i = 0; i < count; ++i) {
        if (layers[i] >= layer) return i;
    }
    return count - 1;
}

// A quad and a line inside glBegin(GL_QUADS) and glBegin(GL_LINES): the strip draws each kind in one batch.
void quad(float x0, float y0, float x1, float y1) {
    glVertex2f(x0, y0);
    glVertex2f(x1, y0);
    glVertex2f(x1, y1);
    glVertex2f(x0, y1);
}

void line(float x, float y0, float y1) {
    glVertex2f(x, y0);
    glVertex2f(x, y1);
}

}  // namespace

int timeline_strip_height() {
    int layers[kMaxRows];
    const int rows = layers_in_use(layers);
    return kTextHeight + (rows > 0 ? rows : 1) * kRowHeight;
}

void draw_timeline_strip(float time, bool paused, bool has_loop_start, float loop_start, bool has_loop_end,
                         float loop_end) {
    int layers[kMaxRows];
    const int rows = layers_in_use(layers);
    const float width = float(g_display.width);
    const float height = float(kTextHeight + (rows > 0 ? rows : 1) * kRowHeight);
    const float first = time - kBefore > 0.0f ? time - kBefore : 0.0f;
    const float scale = width / kSpan;
    auto x_of = [&](float t) { return (t - first) * scale; };

    glPushAttrib(GL_ALL_ATTRIB_BITS);
    begin_text_mode();
    // One unit a pixel, which the atlas's glyphs need to land texel for texel.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, double(g_display.height), -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_TEXTURE_2D);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glLineWidth(1.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    auto visible = [&](const Section* s) { return s->end >= first && s->start <= first + kSpan; };
    auto bar_bottom = [&](const Section* s) {
        return float(kTextHeight + row_of(layers, rows, s->layer) * kRowHeight) + 1.0f;
    };

    glBegin(GL_QUADS);
    glColor4f(0.0f, 0.0f, 0.0f, 0.7f);
    quad(0.0f, 0.0f, width, height);
    for (const Section* s = g_kernel.script; s; s = s->next_script) {
        if (!visible(s)) continue;
        const float y0 = bar_bottom(s);
        const unsigned char* c = kColours[s->type % 8];
        glColor4ub(c[0], c[1], c[2], 200);
        quad(x_of(s->start), y0, x_of(s->end), y0 + float(kRowHeight) - 2.0f);
    }
    glEnd();

    // Sync times that fall inside a section as ticks along its top; the loop points and the cursor.
    glBegin(GL_LINES);
    glColor4f(1.0f, 1.0f, 1.0f, 0.9f);
    for (const Section* s = g_kernel.script; s; s = s->next_script) {
        if (!visible(s)) continue;
        const float y1 = bar_bottom(s) + float(kRowHeight) - 2.0f;
        for (float sync : s->syncs) {
            if (sync < 0.0f || s->start + sync > s->end) continue;
            line(x_of(s->start + sync), y1 - 5.0f, y1);
        }
    }
    glColor3ub(255, 220, 0);
    if (has_loop_start) line(x_of(loop_start), 0.0f, height);
    if (has_loop_end) line(x_of(loop_end), 0.0f, height);
    glColor3ub(255, 255, 255);
    line(x_of(time), 0.0f, height);
    glEnd();

    // Each label, as many of its letters as fit on its bar, and the time.
    char status[64];
    snprintf(status, sizeof status, "%.3f s%s", double(time), paused ? "  paused" : "");
    glColor3ub(255, 255, 255);
    begin_text_quads();
    for (const Section* s = g_kernel.script; s; s = s->next_script) {
        if (!visible(s)) continue;
        const int left = x_of(s->start) > 0.0f ? int(x_of(s->start)) : 0;
        const int right = x_of(s->end) < width ? int(x_of(s->end)) : int(width);
        const char* name = g_kernel.types[s->type].name;
        text_quads(left + 2, int(bar_bottom(s)) + 3, name, text_fitting(name, right - left - 4));
    }
    text_quads(4, 5, status, int(strlen(status)));
    end_text_quads();

    end_text_mode();
    glPopAttrib();
}
