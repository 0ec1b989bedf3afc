// titulo.cpp -- "titulo": a title card that condenses from a halo, cross-fades to size and glides away
#include <GL/gl.h>

#include <iterator>

#include "core/config.h"
#include "core/fatal.h"
#include "kernel/kernel.h"
#include "render/overlay.h"
#include "resources/image_list.h"
#include "sections/sections.h"

namespace {

constexpr int kSlots = int(std::size(kTituloAssets));
constexpr int kFullSize = 512;  // the card, pixels
constexpr int kHaloSize = 300;  // the halo copies at rest
constexpr int kHaloCopies = 5;

struct TituloState {
    int images[kSlots];  // the cards, by slot
    ScreenQuad quad;     // made anew for each draw
} s_titulo;

void enable_additive() {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
}

}  // namespace

const Snapshot kTituloSnapshot = kSnapshotOf<s_titulo>;

void titulo_load() {
    const int failed = load_texture_list(kTituloAssets, s_titulo.images, g_packeddata != 0);
    if (failed >= 0) fatal_error("Error loading texture %i in titles section", failed);
    upload_texture_list(s_titulo.images, kSlots);
}

void titulo_check() {
    require_sync_index(2, kSlots - 1);
}

void titulo_init() {
    titulo_check();
}

void titulo_render() {
    const Section& section = *g_kernel.current;
    const float* sync = section.syncs.data();
    const float t = g_kernel.demo_time - section.start;
    const int image = s_titulo.images[int(sync[2])];
    make_screen_quad(&s_titulo.quad, image, kFullSize, kFullSize);

    if (t < sync[0]) {
        // Phase A: five enlarged, faint copies shrink towards the halo size.
        const float a = t / sync[0];
        begin_2d_overlay();
        enable_additive();
        glTranslatef(sync[3], sync[4], 0.0f);
        for (int k = 1; k <= kHaloCopies; ++k) {
            glColor4f(0.0f, 0.0f, 0.0f, a / float(2 * k));
            const int size = int(float(kHaloSize) + float(25 * k) * (1.0f - a));
            make_screen_quad(&s_titulo.quad, image, size, size);
            draw_screen_quad(s_titulo.quad);
        }
        glDisable(GL_BLEND);
        end_2d_overlay();
    } else if (t < sync[1]) {
        // Phase B: the card fades in at full size as the halo fades out.
        const float a = (t - sync[0]) / (sync[1] - sync[0]);
        enable_additive();
        begin_2d_overlay();
        glTranslatef(sync[3], sync[4], 0.0f);
        glColor4f(0.0f, 0.0f, 0.0f, a);
        draw_screen_quad(s_titulo.quad);
        for (int k = 1; k <= kHaloCopies; ++k) {
            glColor4f(0.0f, 0.0f, 0.0f, (1.0f - a) / float(2 * k));
            make_screen_quad(&s_titulo.quad, image, kHaloSize, kHaloSize);
            draw_screen_quad(s_titulo.quad);
        }
        end_2d_overlay();
        glDisable(GL_BLEND);
    } else {
        // Phase C: from rest, cubic in time, to the end offset, fading out.
        const float m = t - sync[1];
        const float r = (section.end - sync[1]) - section.start;
        const float glide = m * m * m / (r * r * r);
        enable_additive();
        begin_2d_overlay();
        glTranslatef(sync[3] + glide * (sync[5] - sync[3]), sync[4] + glide * (sync[6] - sync[4]), 0.0f);
        glColor4f(0.0f, 0.0f, 0.0f, 1.0f - m / r);
        draw_screen_quad(s_titulo.quad);
        end_2d_overlay();
        glDisable(GL_BLEND);
    }
    // Leaves blending off, depth writes on and the projection matrix selected.
}
