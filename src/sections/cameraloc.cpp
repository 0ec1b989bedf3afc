// cameraloc.cpp -- "cameraloc": the default camera, for sections that draw with the current matrices
#include "core/fatal.h"
#include "kernel/kernel.h"
#include "render/camera.h"
#include "sections/sections.h"

namespace {

struct CameralocState {
    Camera camera;  // shared by every "cameraloc" section
} s_cameraloc;

}  // namespace

const Snapshot kCameralocSnapshot = kSnapshotOf<s_cameraloc>;

void cameraloc_load() {
    s_cameraloc.camera = create_look_at_camera(0.0f, 0.0f, -100.0f, 0.0f, 0.0f, 0.0f, 90.0f, 0.0f);
}

void cameraloc_check() {
    const Section& section = *g_kernel.current;
    if (section.sync_count != 0) {
        fatal_error("Section: invalid number of syncs (%d found, %d expected)", section.sync_count, 0);
    }
}

void cameraloc_init() {
    cameraloc_check();
}

void cameraloc_render() {
    apply_projection(s_cameraloc.camera);
    apply_camera(s_cameraloc.camera);
    // Leaves the model-view matrix selected, both matrices holding the default camera.
}
