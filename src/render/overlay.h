// overlay.h -- the 2D overlay in window pixels, and textured quads: on screen and in 3D
#pragma once

struct ScreenQuad {
    int image = -1;
    float left = 0, bottom = 0, right = 0, top = 0;  // window pixels, origin bottom left
    float corners[4][2] = {};                        // left-bottom, right-bottom, right-top, left-top
    float texcoords[4][2] = {};                      // upright and unmirrored
};

struct Quad3D {
    int image = -1;
    float left = 0, bottom = 0, right = 0, top = 0;  // -w/2, -h/2, w/2, h/2
    float corners[4][3] = {};                        // in the z = 0 plane, same order as the screen quad
    float texcoords[4][2] = {};                      // seen from +z upright and mirrored
};

// Pixel units over gl_width x gl_height: both matrices pushed, depth writes off.
void begin_2d_overlay();
// Pops both matrices, depth writes on; leaves the projection matrix selected.
void end_2d_overlay();

// A width x height quad centred in the window.
void make_screen_quad(ScreenQuad* quad, int image, int width, int height);
void draw_screen_quad(const ScreenQuad& quad);

// A width x height quad centred on the origin.
void make_3d_quad(Quad3D* quad, int image, float width, float height);
void draw_3d_quad(const Quad3D& quad);

// A black rectangle from (0, 0) to (width, height) pixels at the given alpha over what is drawn,
// with blending (source alpha, one minus source alpha); depth writes off while drawing. Leaves
// blending off, texturing on, depth writes on and the projection matrix selected, both matrices
// as they were.
void draw_black_veil(float width, float height, float alpha);
