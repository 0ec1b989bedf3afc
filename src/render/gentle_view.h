// gentle_view.h -- gentle viewing: a frame that would flash beyond the limits blended toward the one shown before
#pragma once

// Sizes its buffers for the window's width x height; the frames shown are counted from none.
void open_gentle_view(int width, int height);

// At the frame's end, before the swap: reads the frame back and puts it through the flash meter
// against the last frame shown. When it would be a transition that makes more than three flashes
// in the second that ends at t, it is blended toward the last frame shown, in linear light, just
// far enough that it is no transition, and the blend is drawn over the back buffer. Any other frame
// is left as it is, pixel for pixel. Allocates nothing.
void gentle_view_frame(double t);

// Frames seen and blended, and the time spent on them.
struct GentleViewStats {
    int frames = 0;
    int blended = 0;
    double wait_seconds = 0.0;  // waiting for the frames to be drawn, which the swap would wait for
    double seconds = 0.0;       // after that wait: reading back, measuring, blending, drawing back
    double read_seconds = 0.0;  // of which reading back and counting, which overlap
    double cpu_seconds = 0.0;   // the processor time of those, on every thread, without the time others ran
    double worst = 0.0;         // the longest frame after its wait, seconds
};
GentleViewStats gentle_view_stats();

// Lets the buffers go.
void close_gentle_view();
