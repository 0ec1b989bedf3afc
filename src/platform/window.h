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

// Flushes GL and shows the frame: after the present hook, if any, has seen the back buffer.
void present_frame();

// varnel-capture reads each frame back here, before the buffers are swapped.
void set_present_hook(void (*hook)());

// Takes one waiting window event and acts on it (close request, Escape, D and F); false when none
// was waiting.
bool poll_window_event();
void handle_window_event(const SDL_Event& event);

// Deletes the context, restores the desktop display mode, shows the cursor, destroys the window;
// each step only for what exists.
void close_graphics();
