// fatal.cpp -- the fatal error routine
#include "core/fatal.h"

#include <SDL.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>

#include "core/signals.h"

namespace {

struct FatalState {
    bool message_box = true;      // show the box after writing to standard error
    void (*shutdown)() = nullptr;  // run before the message and before every exit
    FailurePolicy policy = FailurePolicy::Exit;
    void (*explain)(const char*, char*, size_t) = nullptr;  // the tools' lines after the message
} s_fatal;

void run_shutdown() {
    if (s_fatal.shutdown) s_fatal.shutdown();
}

[[noreturn]] void on_terminate() {
    const char* what = "Unexpected error";
    try {
        if (const std::exception_ptr e = std::current_exception()) std::rethrow_exception(e);
    } catch (const std::bad_alloc&) {
        what = "Out of memory";
    } catch (...) {
    }
    // A second terminate while shutting down must not come back here.
    std::set_terminate(abort);
    fatal_error("%s", what);
}

}  // namespace

void route_terminate_through_shutdown() {
    std::set_terminate(on_terminate);
}

void set_shutdown_routine(void (*shutdown)()) {
    s_fatal.shutdown = shutdown;
}

void set_failure_policy(FailurePolicy policy) {
    s_fatal.policy = policy;
}

FailurePolicy failure_policy() {
    return s_fatal.policy;
}

void set_fatal_message_box(bool shown) {
    s_fatal.message_box = shown;
}

void set_fatal_explanation(void (*explain)(const char* message, char* text, size_t size)) {
    s_fatal.explain = explain;
}

void exit_program(int status) {
    if (s_fatal.policy == FailurePolicy::Recover) {
        Failure failure;
        snprintf(failure.message, sizeof failure.message, "Unexpected error");
        throw failure;
    }
    run_shutdown();
    fflush(stderr);
    exit(status);
}

void fatal_error(const char* format, ...) {
    char message[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof message, format, args);
    va_end(args);

    if (s_fatal.policy == FailurePolicy::Recover) {
        Failure failure;
        snprintf(failure.message, sizeof failure.message, "%s", message);
        throw failure;
    }

    char explanation[1024] = "";
    if (s_fatal.explain) s_fatal.explain(message, explanation, sizeof explanation);

    // The display mode is restored and the window gone before the message shows.
    run_shutdown();

    fprintf(stderr, "Error: %s\n", message);
    if (explanation[0]) fprintf(stderr, "%s\n", explanation);
    fflush(stderr);
    // Without a display the box cannot be shown; standard error has the message already. The box
    // waits for a click, so a request to end, now or while it waits, ends the process as the box would.
    end_at_ending_signals(1);
#ifndef __EMSCRIPTEN__
    // (A web page shows the line on standard error itself: SDL's box there is an alert().)
    if (s_fatal.message_box && !quit_signalled()) SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Error", message, nullptr);
#endif
    exit(1);
}
