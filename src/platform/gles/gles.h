// gles.h -- opening and closing the GL 1.1 layer over OpenGL ES 2.0, and what it counts
#pragma once

#include <cstddef>
#include <cstdint>

// Opens the layer on the current ES 2.0 context for a drawable of width x height: GL 1.1's initial
// state, the batch's buffers, the glyph atlas and the programs of every state key the show is known
// to draw with. False, with why in words, when the context cannot serve it.
bool open_gl_layer(int width, int height, char* why, size_t size);

// Releases what open_gl_layer made; the context must still be current.
void close_gl_layer();

struct GlLayerCounters {
    uint64_t draw_calls;     // draws sent to ES
    uint64_t state_changes;  // other ES calls those draws and clears needed
    uint64_t programs;       // programs compiled and linked since the layer opened
};

GlLayerCounters gl_layer_counters();

// The state keys drawn with since the layer opened, in the order first drawn; returns how many
// there are, writing at most capacity.
int gl_layer_keys(uint32_t* keys, int capacity);
