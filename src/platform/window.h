// window.h -- the window, the display mode and the GL context
#pragma once

union SDL_Event;

struct DisplayState {
    int width = 0;        // gl_width: window, viewport and every 2D projection
    int height = 0;       // gl_height
    float aspect = 0.0f;  // width / height, for every camera
};

extern DisplayState g_display;

// Opens the window titled title at gl_width x gl_height, full-screen in a display mode of exactly
// that size when gl_fullscreen is on, with a GL context made current and the default GL state set.
// 0 on success; -1 when the video system cannot start; -2 when the display mode, the window or
// the GL context cannot be had.
int open_graphics(const char* title);

// Whether the window's GL context exists and is current: GL objects can be deleted.
bool gl_context_current();

// Flushes GL and shows the frame: after the present hook, if any, has seen the back buffer.
void present_frame();

// varnel-capture reads each frame back here, before the buffers are swapped.
void set_present_hook(void (*hook)());

// What the window reports to the program that runs the frames.
struct WindowEvent {
    enum Kind { kNone, kClose, kKey };
    Kind kind = kNone;
    int key = 0;  // kKey: the SDL key code of the key pressed
};

// A close request (the window's close button, or SDL's quit) is kClose; a key pressed, not held
// down to repeat, is kKey; key releases, mouse buttons and everything else are kNone.
WindowEvent translate_window_event(const SDL_Event& event);

// Takes one waiting window event and translates it; false when none was waiting.
bool poll_window_event(WindowEvent* event);

// From a crash signal's handler: leaves full screen, which gives the desktop its own mode back, and
// shows the cursor, as far as the state the crash left allows.
void leave_full_screen();

// Deletes the context, restores the desktop display mode, shows the cursor, destroys the window;
// each step only for what exists.
void close_graphics();
