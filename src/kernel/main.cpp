// main.cpp -- the player's entry: --help and --version, otherwise the show in the working directory
#include <cstdio>
#include <cstring>

#include "kernel/program.h"

namespace {

constexpr char kUsage[] =
    "Usage: varnel [--help | --version]\n"
    "Plays the show in the working directory: reads script.txt (or the one in data.dat), opens its\n"
    "window (full screen in a display mode of exactly gl_width x gl_height, or windowed), loads what\n"
    "the script uses and plays it in step with its music. Escape or closing the window ends the show.\n"
    "\n"
    "Options:\n"
    "  --help     print this text and exit\n"
    "  --version  print the version and exit\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc == 1) return run_program();
    if (argc == 2 && strcmp(argv[1], "--help") == 0) {
        fputs(kUsage, stdout);
        return 0;
    }
    if (argc == 2 && strcmp(argv[1], "--version") == 0) {
        printf("varnel %s\n", VARNEL_VERSION);
        return 0;
    }
    // --help and --version come alone.
    const bool option = strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "--version") == 0;
    fprintf(stderr, "varnel: unexpected argument '%s'; varnel --help shows the usage\n", argv[option ? 2 : 1]);
    return 2;
}
