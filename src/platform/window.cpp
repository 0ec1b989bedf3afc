// window.cpp -- the SDL window, full-screen display mode, GL context and window events
#include "platform/window.h"

#include <SDL.h>
#include <GL/gl.h>
#ifndef __EMSCRIPTEN__
#include <dlfcn.h>
#include <link.h>
#endif

#include <cstdio>

#include "core/config.h"
#include "platform/gl_log.h"
#ifdef VARNEL_GLES
#include "platform/gles/gles.h"
#endif

DisplayState g_display;

namespace {

struct WindowState {
    bool video = false;              // SDL's video subsystem is up
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    void (*present_hook)() = nullptr;
} s_window;

#ifndef __EMSCRIPTEN__
// Keeps a library loaded for the program's life. SDL unloads its GL library with the window, and
// the driver would go with it, taking along what a leak checker needs to tell the driver's own
// memory from ours.
int keep_loaded(dl_phdr_info* info, size_t, void*) {
    if (info->dlpi_name[0] != '\0') dlopen(info->dlpi_name, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
    return 0;
}
#endif

// The display mode of exactly width x height: a 16-bit one when the display lists one, else the
// first of that size. False when the display has none of that size.
bool find_display_mode(int width, int height, SDL_DisplayMode* found) {
    bool any = false;
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) != 0 || mode.w != width || mode.h != height) continue;
        if (SDL_BITSPERPIXEL(mode.format) == 16) {
            *found = mode;
            return true;
        }
        if (!any) *found = mode;
        any = true;
    }
    return any;
}

void request_pixel_format() {
    // 16 colour bits, no alpha, 16 depth bits, no stencil or accumulation, double buffered; a
    // software-only visual is refused.
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_BUFFER_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_ACCELERATED_VISUAL, 1);
#ifdef VARNEL_GLES
    // The engine's GL 1.1 is its own layer, drawn through OpenGL ES 2.0.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
#else
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
#endif
}

// Whether the current context can draw a viewport of that size.
bool fits_viewport(int width, int height) {
    GLint most[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, most);
    return width <= most[0] && height <= most[1];
}

void set_default_gl_state() {
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glViewport(0, 0, g_display.width, g_display.height);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glShadeModel(GL_FLAT);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDisable(GL_CULL_FACE);
}

}  // namespace

int open_graphics(const char* title) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return -1;
    s_window.video = true;

    g_display.width = gl_width;
    g_display.height = gl_height;
    // No window of that size, in full screen or not.
    if (gl_width <= 0 || gl_height <= 0) return -2;
    g_display.aspect = float(gl_width) / float(gl_height);

    SDL_DisplayMode mode = {};
    if (gl_fullscreen && !find_display_mode(g_display.width, g_display.height, &mode)) return -2;

    request_pixel_format();
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if (gl_fullscreen) flags |= SDL_WINDOW_FULLSCREEN;
    s_window.window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, g_display.width,
                                       g_display.height, flags);
    if (!s_window.window) return -2;
    if (gl_fullscreen && SDL_SetWindowDisplayMode(s_window.window, &mode) != 0) return -2;
    SDL_ShowWindow(s_window.window);
    SDL_RaiseWindow(s_window.window);
    SDL_ShowCursor(SDL_DISABLE);
    SDL_WarpMouseGlobal(g_display.width / 2, g_display.height / 2);

    s_window.context = SDL_GL_CreateContext(s_window.window);
#ifndef __EMSCRIPTEN__
    // The driver is all there once it has been asked for a context.
    dl_iterate_phdr(keep_loaded, nullptr);
#endif
    if (!s_window.context) {
#ifdef VARNEL_GLES
        fprintf(stderr, "varnel: no OpenGL ES 2.0 context for a %dx%d window: %s\n", g_display.width,
                g_display.height, SDL_GetError());
#endif
        SDL_DestroyWindow(s_window.window);
        s_window.window = nullptr;
        return -2;
    }
#ifdef VARNEL_GLES
    char why[256];
    if (!open_gl_layer(g_display.width, g_display.height, why, sizeof why)) {
        fprintf(stderr, "varnel: the GL layer cannot open on this OpenGL ES 2.0 context: %s\n", why);
        SDL_GL_MakeCurrent(s_window.window, nullptr);
        SDL_GL_DeleteContext(s_window.context);
        s_window.context = nullptr;
        SDL_DestroyWindow(s_window.window);
        s_window.window = nullptr;
        return -2;
    }
#endif
    if (!fits_viewport(g_display.width, g_display.height)) {
#ifdef VARNEL_GLES
        close_gl_layer();
#endif
        SDL_GL_MakeCurrent(s_window.window, nullptr);
        SDL_GL_DeleteContext(s_window.context);
        s_window.context = nullptr;
        SDL_DestroyWindow(s_window.window);
        s_window.window = nullptr;
        return -2;
    }
    // A show should not tear: adaptive vertical sync, else plain, else none.
    if (SDL_GL_SetSwapInterval(-1) != 0 && SDL_GL_SetSwapInterval(1) != 0) SDL_GL_SetSwapInterval(0);

    if (gl_info) write_driver_log();
    detect_extensions();
    set_default_gl_state();
    return 0;
}

bool gl_context_current() {
    return s_window.context && SDL_GL_GetCurrentContext() == s_window.context;
}

void present_frame() {
    glFlush();
    if (s_window.present_hook) s_window.present_hook();
    if (s_window.window) SDL_GL_SwapWindow(s_window.window);
}

void set_present_hook(void (*hook)()) {
    s_window.present_hook = hook;
}

WindowEvent translate_window_event(const SDL_Event& event) {
    WindowEvent result;
    switch (event.type) {
    case SDL_QUIT:
        result.kind = WindowEvent::kClose;
        break;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE) result.kind = WindowEvent::kClose;
        break;
    case SDL_KEYDOWN:
        if (event.key.repeat) break;
        result.kind = WindowEvent::kKey;
        result.key = event.key.keysym.sym;
        break;
    default:
        // Key releases, mouse buttons and everything else: nothing.
        break;
    }
    return result;
}

bool poll_window_event(WindowEvent* event) {
    if (!s_window.video) return false;
    SDL_Event polled;
    if (!SDL_PollEvent(&polled)) return false;
    *event = translate_window_event(polled);
    return true;
}

void leave_full_screen() {
    if (s_window.window) SDL_SetWindowFullscreen(s_window.window, 0);
    if (s_window.video) SDL_ShowCursor(SDL_ENABLE);
}

void close_graphics() {
    if (s_window.context) {
#ifdef VARNEL_GLES
        if (gl_context_current()) close_gl_layer();
#endif
        SDL_GL_MakeCurrent(s_window.window, nullptr);
        SDL_GL_DeleteContext(s_window.context);
        s_window.context = nullptr;
    }
    // Leaving full screen gives the desktop its own mode back.
    if (s_window.window) SDL_SetWindowFullscreen(s_window.window, 0);
    if (s_window.video) SDL_ShowCursor(SDL_ENABLE);
    if (s_window.window) {
        SDL_DestroyWindow(s_window.window);
        s_window.window = nullptr;
    }
    if (s_window.video) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        s_window.video = false;
    }
}
