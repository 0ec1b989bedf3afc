// keys.h -- the keys and window events that the player acts on
#pragma once

struct WindowEvent;

// A close request or Escape sets the quit flag; D turns the per-section statistics lines on and off
// while g_debug is set; F turns the frame rate on and off. Every other key does nothing.
void handle_window_event(const WindowEvent& event);

// Takes one waiting window event and acts on it; false when none was waiting.
bool process_window_event();
