// gl_log.h -- the GL driver report "opengl.log" and the multitexture extension
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

// The report for the given driver strings: vendor, renderer, version, then one extension per line.
void write_gl_log(FILE* out, const char* vendor, const char* renderer, const char* version, const char* extensions);

// Writes "opengl.log" in the working directory for the current context; skipped when the file
// cannot be created.
void write_driver_log();

// Looks for "GL_ARB_multitexture" in the extension string and fetches its four entry points.
void detect_extensions();
