// program.cpp -- program entry, start-up, the message loop and shutdown
#include "kernel/program.h"

#include "kernel/fatal.h"
#include "kernel/kernel.h"
#include "kernel/script.h"
#include "kernel/timeline.h"
#include "platform/music.h"
#include "platform/text.h"
#include "platform/window.h"

KernelState g_kernel;

void start_up() {
    if (g_packeddata && !g_kernel.archive_loaded) fatal_error("PAK not found");
    if (open_graphics(g_demoname) < 0) fatal_error("Error opening graphics mode");
    create_font("Arial");
    reset_timeline();
    run_loading_phase();
    if (snd_enable) {
        open_music();
        start_music();
    }
    start_clock();
}

void run_message_loop() {
    while (!g_kernel.quit) {
        if (!poll_window_event()) {
            run_frame();
            advance_clock();
        }
    }
}

void shutdown() {
    if (snd_enable) close_music();
    close_graphics();
}

int run_program() {
    route_terminate_through_shutdown();
    parse_script();
    start_up();
    run_message_loop();
    shutdown();
    return 0;
}
