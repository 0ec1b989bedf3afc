// keys.cpp -- the player's answer to the window's close requests and key presses
#include "kernel/keys.h"

#include <SDL_keycode.h>

#include "core/config.h"
#include "kernel/kernel.h"
#include "platform/window.h"

void handle_window_event(const WindowEvent& event) {
    if (event.kind == WindowEvent::kClose) {
        g_kernel.quit = true;
        return;
    }
    if (event.kind != WindowEvent::kKey) return;
    switch (event.key) {
    case SDLK_ESCAPE:
        g_kernel.quit = true;
        break;
    case SDLK_d:
        if (g_debug) g_kernel.debug_lines = !g_kernel.debug_lines;
        break;
    case SDLK_f:
        g_drawfps = !g_drawfps;
        break;
    default:
        break;
    }
}

bool process_window_event() {
    WindowEvent event;
    if (!poll_window_event(&event)) return false;
    handle_window_event(event);
    return true;
}
