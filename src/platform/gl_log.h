// gl_log.h -- the GL driver report "opengl.log", the multitexture extension and edge clamping
#pragma once

#include <cstdio>

#include <GL/gl.h>

// Entry points of GL_ARB_multitexture; all empty when the driver lacks it.
struct Multitexture {
    void (*glMultiTexCoord2fARB)(GLenum target, GLfloat s, GLfloat t);
    void (*glMultiTexCoord2fvARB)(GLenum target, const GLfloat* v);
    void (*glActiveTextureARB)(GLenum texture);
    void (*glClientActiveTextureARB)(GLenum texture);
};

extern Multitexture g_multitexture;

// The wrap mode that clamped textures get: GL_CLAMP_TO_EDGE where the context has it, else GL_CLAMP.
// Under linear filtering GL_CLAMP blends the border colour into the outermost texels, which shows
// as a dark seam wherever two clamped pictures meet (the edges of a skybox).
extern GLenum g_clamp_wrap;

// The report for the given driver strings: vendor, renderer, version, then one extension per line.
void write_gl_log(FILE* out, const char* vendor, const char* renderer, const char* version, const char* extensions);

// Writes "opengl.log" in the working directory for the current context; skipped when the file
// cannot be created.
void write_driver_log();

// Whether a context with these strings clamps to the edge texel: GL 1.2 or later, or
// GL_EXT_texture_edge_clamp or GL_SGIS_texture_edge_clamp.
bool has_edge_clamp(const char* version, const char* extensions);

// Looks for "GL_ARB_multitexture" in the extension string and fetches its four entry points; sets
// g_clamp_wrap for the current context.
void detect_extensions();
