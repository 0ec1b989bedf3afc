// program.cpp -- program entry, start-up and shutdown
#include "kernel/program.h"

#include "kernel/fatal.h"
#include "kernel/kernel.h"
#include "kernel/script.h"

KernelState g_kernel;

void start_up() {
    if (g_packeddata && !g_kernel.archive_loaded) fatal_error("PAK not found");
}

void shutdown() {}

int run_program() {
    parse_script();
    start_up();
    shutdown();
    return 0;
}
