// sync.cpp -- "sync": a full-screen picture flashed additively on a beat, fading out over the section
#include <GL/gl.h>

#include <iterator>

#include "core/config.h"
#include "core/fatal.h"
#include "kernel/kernel.h"
#include "render/overlay.h"
#include "resources/image_list.h"
#include "sections/sections.h"

namespace {

constexpr int kPictures = int(std::size(kSyncAssets));

struct SyncState {
    int images[kPictures];  // "textures/sync/01.jpg" to "45.jpg"
    ScreenQuad quad;        // made anew for each render
} s_sync;

}  // namespace

const Snapshot kSyncSnapshot = kSnapshotOf<s_sync>;

void sync_load() {
    const int failed = load_texture_list(kSyncAssets, s_sync.images, g_packeddata != 0);
    // The titles' message, word for word, serves both types.
    if (failed >= 0) fatal_error("Error loading texture %i in titles section", failed);
    upload_texture_list(s_sync.images, kPictures);
}

void sync_check() {
    require_sync_index(0, kPictures - 1);
}

void sync_init() {
    sync_check();
}

void sync_render() {
    const Section& section = *g_kernel.current;
    make_screen_quad(&s_sync.quad, s_sync.images[int(section.syncs[0])], 800, 800);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    begin_2d_overlay();
    // run_time counts from the section's first frame, so one cut by g_demostart starts at full strength.
    glColor4f(1.0f, 1.0f, 1.0f, (1.0f - section.run_time / (section.end - section.start)) * section.syncs[1]);
    draw_screen_quad(s_sync.quad);
    end_2d_overlay();
    glDisable(GL_BLEND);
    // Leaves blending off, depth writes on and the projection matrix selected.
}
