// keys_test.cpp -- the keys and window events that the player acts on, from SDL's events
#include <gtest/gtest.h>

#include <SDL.h>

#include "core/config.h"
#include "kernel/kernel.h"
#include "kernel/keys.h"
#include "platform/window.h"

namespace {

SDL_Event key(SDL_Keycode sym, Uint32 type = SDL_KEYDOWN, Uint8 repeat = 0) {
    SDL_Event event = {};
    event.type = type;
    event.key.keysym.sym = sym;
    event.key.repeat = repeat;
    return event;
}

// The whole path that an SDL event takes: the window translates it, the kernel acts on it.
void deliver(const SDL_Event& event) {
    handle_window_event(translate_window_event(event));
}

class WindowEventsTest : public testing::Test {
protected:
    void SetUp() override {
        g_kernel = KernelState();
        g_debug = 0;
        g_drawfps = 0;
    }
    void TearDown() override { SetUp(); }
};

TEST_F(WindowEventsTest, EscapeAndCloseRequestsQuit) {
    deliver(key(SDLK_ESCAPE, SDL_KEYUP));
    EXPECT_FALSE(g_kernel.quit) << "a released key does nothing";
    deliver(key(SDLK_ESCAPE));
    EXPECT_TRUE(g_kernel.quit);

    g_kernel.quit = false;
    SDL_Event close = {};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    deliver(close);
    EXPECT_TRUE(g_kernel.quit);

    g_kernel.quit = false;
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    deliver(quit);
    EXPECT_TRUE(g_kernel.quit);
}

TEST_F(WindowEventsTest, DTogglesDebugLinesOnlyWithDebugOn) {
    deliver(key(SDLK_d));
    EXPECT_FALSE(g_kernel.debug_lines);
    g_debug = 1;
    deliver(key(SDLK_d));
    EXPECT_TRUE(g_kernel.debug_lines);
    deliver(key(SDLK_d, SDL_KEYDOWN, 1));
    EXPECT_TRUE(g_kernel.debug_lines) << "a held key toggles once";
    deliver(key(SDLK_d));
    EXPECT_FALSE(g_kernel.debug_lines);
}

TEST_F(WindowEventsTest, FTogglesTheFrameRateWhateverDebugIs) {
    deliver(key(SDLK_f));
    EXPECT_EQ(g_drawfps, 1);
    deliver(key(SDLK_f));
    EXPECT_EQ(g_drawfps, 0);

    SDL_Event click = {};
    click.type = SDL_MOUSEBUTTONDOWN;
    deliver(click);
    deliver(key(SDLK_q));
    EXPECT_FALSE(g_kernel.quit);
}

}  // namespace
