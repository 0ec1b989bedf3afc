// fatal.cpp -- the fatal error routine
#include "kernel/fatal.h"

#include <SDL.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "kernel/program.h"

namespace {

struct FatalState {
    bool message_box = true;  // show the box after writing to standard error
} s_fatal;

}  // namespace

void set_fatal_message_box(bool shown) {
    s_fatal.message_box = shown;
}

void fatal_error(const char* format, ...) {
    char message[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof message, format, args);
    va_end(args);

    // The display mode is restored and the window gone before the message shows.
    shutdown();

    fprintf(stderr, "Error: %s\n", message);
    fflush(stderr);
    // Without a display the box cannot be shown; standard error has the message already.
    if (s_fatal.message_box) SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Error", message, nullptr);
    exit(1);
}
