// graphics_failure.h -- what the tools add when graphics cannot be opened: SDL's reason and the likely cause
#pragma once

#include <string>

// What a look at EGL finds, which SDL's offscreen driver draws through.
struct EglFindings {
    std::string name;          // the library SDL loads: libEGL.so.1, or SDL_VIDEO_EGL_DRIVER's
    bool library = false;      // it loads
    std::string load_error;    // the dynamic loader's words when it does not
    int devices = -1;          // the devices EGL lists; -1 when it cannot list them
    bool initializes = false;  // the first device's display initialises
};

// Loads EGL's library as SDL does and asks it for its devices and the first one's display.
EglFindings probe_egl();

// The likely cause of a failure to open graphics on SDL's video driver `driver`, in words.
std::string likely_graphics_cause(const char* driver, const EglFindings& egl);

// The line after the player's message: "<program>: SDL: <reason>; likely cause: <cause>".
std::string graphics_failure_line(const char* program, const char* sdl_reason, const char* driver,
                                  const EglFindings& egl);

// Has the failure routine follow "Error opening graphics mode" with that line, for the tool `program`.
void explain_graphics_failures(const char* program);
