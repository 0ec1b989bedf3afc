// blackfadeout.cpp -- "blackFadeOUT": a black quad whose alpha rises from 0 at the start to 1 at the end
#include "kernel/kernel.h"
#include "platform/window.h"
#include "render/overlay.h"
#include "sections/sections.h"

namespace {

struct BlackFadeState {
    float width = 0.0f;   // the display, as the rectangle's far corner
    float height = 0.0f;
} s_fade;

}  // namespace

const Snapshot kBlackFadeOutSnapshot = kSnapshotOf<s_fade>;

void blackfadeout_load() {
    s_fade.width = float(g_display.width);
    s_fade.height = float(g_display.height);
}

void blackfadeout_render() {
    const Section& section = *g_kernel.current;
    const float a = (g_kernel.demo_time - section.start) / (section.end - section.start);

    draw_black_veil(s_fade.width, s_fade.height, a);
    // Leaves blending off, texturing on, depth writes on and the projection matrix selected; the
    // depth test is as it was.
}
