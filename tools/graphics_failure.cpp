// graphics_failure.cpp -- the tools' line after "Error opening graphics mode": SDL's reason and the likely cause
#include "graphics_failure.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <SDL.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/fatal.h"

namespace {

// The kernel's message when open_graphics fails; the tools explain that one alone.
constexpr const char* kGraphicsMessage = "Error opening graphics mode";

struct ExplainState {
    const char* program = "varnel";  // the tool's name, which starts its line
} s_explain;

void explain(const char* message, char* text, size_t size) {
    if (strcmp(message, kGraphicsMessage) != 0) return;
    // SDL's reason first: the probe below goes through EGL, not SDL, but keeps nothing of SDL's.
    const std::string reason = SDL_GetError();
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver) driver = getenv("SDL_VIDEODRIVER");
    const std::string line = graphics_failure_line(s_explain.program, reason.c_str(), driver, probe_egl());
    snprintf(text, size, "%s", line.c_str());
}

}  // namespace

EglFindings probe_egl() {
    EglFindings found;
    // The name SDL loads; a bare system without the libegl1 package has no such file.
    const char* chosen = getenv("SDL_VIDEO_EGL_DRIVER");
    found.name = chosen && chosen[0] ? chosen : "libEGL.so.1";
    void* egl = dlopen(found.name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!egl) {
        const char* why = dlerror();
        found.load_error = why ? why : "";
        return found;
    }
    found.library = true;
    auto get_proc = reinterpret_cast<PFNEGLGETPROCADDRESSPROC>(dlsym(egl, "eglGetProcAddress"));
    auto initialize = reinterpret_cast<PFNEGLINITIALIZEPROC>(dlsym(egl, "eglInitialize"));
    auto terminate = reinterpret_cast<PFNEGLTERMINATEPROC>(dlsym(egl, "eglTerminate"));
    if (!get_proc || !initialize || !terminate) return found;
    auto query_devices = reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(get_proc("eglQueryDevicesEXT"));
    auto platform_display = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(get_proc("eglGetPlatformDisplayEXT"));
    EGLint count = 0;
    // Without a vendor library (Mesa's libEGL_mesa.so.0), the dispatcher lists no device at all.
    if (!query_devices || !query_devices(0, nullptr, &count)) return found;
    found.devices = count;
    if (count == 0 || !platform_display) return found;
    EGLDeviceEXT device = nullptr;
    EGLint one = 0;
    if (!query_devices(1, &device, &one) || one != 1) return found;
    const EGLDisplay display = platform_display(EGL_PLATFORM_DEVICE_EXT, device, nullptr);
    EGLint major = 0;
    EGLint minor = 0;
    found.initializes = display != EGL_NO_DISPLAY && initialize(display, &major, &minor);
    if (found.initializes) terminate(display);
    return found;
}

std::string likely_graphics_cause(const char* driver, const EglFindings& egl) {
    if (!driver || strcmp(driver, "offscreen") != 0) {
        return std::string("SDL's ") + (driver ? driver : "video") +
               " driver gave no window with an OpenGL context; the tools draw through its offscreen driver";
    }
    if (!egl.library) {
        return "EGL is missing: " + egl.name + " does not load (" + egl.load_error +
               "); SDL's offscreen driver draws through it (Debian: libegl1 and Mesa's EGL driver, libegl-mesa0)";
    }
    if (egl.devices <= 0) {
        return "EGL has no driver: " + egl.name + " loads but lists no device to draw on (Debian: Mesa's EGL driver, "
               "libegl-mesa0)";
    }
    if (!egl.initializes) {
        return "EGL's driver does not start on its first device: Mesa's drivers are missing or cannot be loaded "
               "(Debian: libgl1-mesa-dri, for llvmpipe)";
    }
    return "EGL and its driver start, so the driver refused the window or its OpenGL context at gl_width x gl_height";
}

std::string graphics_failure_line(const char* program, const char* sdl_reason, const char* driver,
                                  const EglFindings& egl) {
    const std::string reason = sdl_reason && sdl_reason[0] ? sdl_reason : "(no reason given)";
    return std::string(program) + ": SDL: " + reason + "; likely cause: " + likely_graphics_cause(driver, egl);
}

void explain_graphics_failures(const char* program) {
    s_explain.program = program;
    set_fatal_explanation(explain);
}
