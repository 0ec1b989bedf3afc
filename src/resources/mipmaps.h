// mipmaps.h -- the mipmap chain of a picture with power-of-two sides, as gluBuild2DMipmaps builds it
#pragma once

#include <GL/gl.h>

#include <cstdint>

// Halves a picture of width x height pixels of bytes_per_pixel bytes (rows packed, top first)
// into out, as GLU does: each output byte the rounded mean of a 2 x 2 block, or the truncated
// mean of two neighbours once a side is down to 1. Not for a 1 x 1 picture.
void halve_picture(const uint8_t* in, int width, int height, int bytes_per_pixel, uint8_t* out);

// Uploads level 0 and every halved level down to 1 x 1 of the texture bound to GL_TEXTURE_2D,
// byte for byte what gluBuild2DMipmaps uploads, without GLU's generic conversions. Only for sides
// that are powers of two and small enough for GLU to keep them (see mipmaps_fit); rows packed.
void upload_mipmaps(const uint8_t* pixels, int width, int height, int bytes_per_pixel, GLenum format);

// True when upload_mipmaps builds what gluBuild2DMipmaps would for these sides: GLU scales other
// sides to powers of two first, and shrinks pictures whose mipmaps the driver could not hold.
bool mipmaps_fit(int width, int height);
