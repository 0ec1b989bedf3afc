// gl_state.h -- the GL context's whole drawing state and framebuffer, saved once and put back on demand
#pragma once

#include <cstdint>

#include "core/snapshot.h"

// save: the attributes (every glPushAttrib and glPushClientAttrib group), the matrix mode, the
// model-view, projection and texture matrices, and the back buffer's colour and depth. restore puts
// back all of them; clear forgets them. One attribute stack level of each kind stays taken while
// a saved state is held. Needs the current GL context.
extern const Snapshot kGlStateSnapshot;

// The same, for a second state: the one the window opens with, which a reload of everything starts
// from again.
extern const Snapshot kGlStartSnapshot;

// Draws width x height RGBA pixels, rows bottom first, over the back buffer from its corner as
// they are: every stage that could change a pixel on its way is off. Leaves the state as it set it
// (the matrices identity and an orthographic projection): callers put back what they need.
void draw_window_pixels(int width, int height, const uint8_t* rgba);
