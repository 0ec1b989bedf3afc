// test_main.cpp -- runs the tests in a setting of their own: no display, no message box, and under
// the sanitizers the leak suppressions for system libraries, for this process and its children
#include <gtest/gtest.h>

#include <cstdlib>

#include "kernel/fatal.h"

#if defined(__SANITIZE_ADDRESS__)
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
    setenv("LSAN_OPTIONS", __lsan_default_options(), 0);
#endif
    set_fatal_message_box(false);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
