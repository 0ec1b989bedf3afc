// test_main.cpp -- runs the tests in a setting of their own: no display, no message box, and under
// the sanitizers the leak suppressions for system libraries and the runtime's options, for this
// process and its children; under ThreadSanitizer a GL driver without threads of its own
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/fatal.h"
#include "kernel/program.h"

#if defined(__SANITIZE_ADDRESS__)
// GCC 12's runtime takes a dynamic TLS block of the GL driver's for one with the header of an old
// glibc whenever malloc happens to place it 16 bytes into a page, and then reads a made-up range:
// the leak checker's tracer crashes at exit now and then, after every test has passed. Without the
// __tls_get_addr interceptor it does not track dynamic TLS at all; the only memory that scan would
// have kept alive is the driver's own, which the suppressions cover anyway.
extern "C" const char* __asan_default_options() { return "intercept_tls_get_addr=0"; }

extern "C" const char* __lsan_default_options() {
    return "suppressions=" VARNEL_LSAN_SUPPRESSIONS ":print_suppressions=0";
}
#endif

int main(int argc, char** argv) {
    // No test may open a window or a message box on the developer's display; the tests that need
    // an X server start their own.
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
#if defined(__SANITIZE_ADDRESS__)
    setenv("ASAN_OPTIONS", __asan_default_options(), 0);
    setenv("LSAN_OPTIONS", __lsan_default_options(), 0);
#endif
#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
    // llvmpipe's rasterizer threads hand frames to each other in ways ThreadSanitizer cannot follow
    // into the uninstrumented driver; without them it draws on the thread that calls GL.
    setenv("LP_NUM_THREADS", "0", 0);
#endif
#endif
    set_fatal_message_box(false);
    set_shutdown_routine(shutdown);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
