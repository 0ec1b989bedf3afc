// gl_log.cpp -- writes the GL driver report, fetches the multitexture entry points, picks the clamp mode
#include "platform/gl_log.h"

#include <SDL.h>

#include <cstring>

Multitexture g_multitexture;
GLenum g_clamp_wrap = GL_CLAMP;

namespace {

const char* gl_string(GLenum name) {
    const GLubyte* text = glGetString(name);
    return text ? reinterpret_cast<const char*>(text) : "";
}

// A whole name in the blank-separated list, not the start of a longer one.
bool has_extension(const char* extensions, const char* name) {
    const size_t length = strlen(name);
    for (const char* p = extensions; (p = strstr(p, name)) != nullptr; p += length) {
        const bool starts = p == extensions || p[-1] == ' ';
        if (starts && (p[length] == ' ' || p[length] == '\0')) return true;
    }
    return false;
}

}  // namespace

void write_gl_log(FILE* out, const char* vendor, const char* renderer, const char* version, const char* extensions) {
    fprintf(out, "\n   OpenGL driver information\n");
    fprintf(out, "   ---------------------------\n\n");
    fprintf(out, "vendor :\n%s\n\n", vendor);
    fprintf(out, "renderer :\n%s\n\n", renderer);
    fprintf(out, "version : \n%s\n\n", version);
    fprintf(out, "extensions : \n");

    // Every blank ends a name and writes a line, so two blanks in a row write an empty name; the
    // log always ends with an empty line.
    const char* name = extensions;
    const char* p = extensions;
    for (; *p; ++p) {
        if (*p == ' ') {
            fprintf(out, "      %.*s\n", int(p - name), name);
            name = p + 1;
        }
    }
    if (p > name) {
        fprintf(out, "      %.*s\n\n", int(p - name), name);
    } else {
        fprintf(out, "\n");
    }
}

void write_driver_log() {
    FILE* out = fopen("opengl.log", "w");
    if (!out) return;
    write_gl_log(out, gl_string(GL_VENDOR), gl_string(GL_RENDERER), gl_string(GL_VERSION), gl_string(GL_EXTENSIONS));
    fclose(out);
}

bool has_edge_clamp(const char* version, const char* extensions) {
    // "major.minor" opens the version string, whatever the vendor adds after it.
    int major = 0;
    int minor = 0;
    if (sscanf(version, "%d.%d", &major, &minor) == 2 && (major > 1 || (major == 1 && minor >= 2))) return true;
    return has_extension(extensions, "GL_EXT_texture_edge_clamp") || has_extension(extensions, "GL_SGIS_texture_edge_clamp");
}

void detect_extensions() {
    // GL_CLAMP_TO_EDGE, by its value: GL 1.1 headers lack the name.
    g_clamp_wrap = has_edge_clamp(gl_string(GL_VERSION), gl_string(GL_EXTENSIONS)) ? 0x812F : GL_CLAMP;
    g_multitexture = {};
    if (!strstr(gl_string(GL_EXTENSIONS), "GL_ARB_multitexture")) return;
    g_multitexture.glMultiTexCoord2fARB =
        reinterpret_cast<decltype(g_multitexture.glMultiTexCoord2fARB)>(SDL_GL_GetProcAddress("glMultiTexCoord2fARB"));
    g_multitexture.glMultiTexCoord2fvARB =
        reinterpret_cast<decltype(g_multitexture.glMultiTexCoord2fvARB)>(SDL_GL_GetProcAddress("glMultiTexCoord2fvARB"));
    g_multitexture.glActiveTextureARB =
        reinterpret_cast<decltype(g_multitexture.glActiveTextureARB)>(SDL_GL_GetProcAddress("glActiveTextureARB"));
    g_multitexture.glClientActiveTextureARB = reinterpret_cast<decltype(g_multitexture.glClientActiveTextureARB)>(
        SDL_GL_GetProcAddress("glClientActiveTextureARB"));
}
