// main.cpp -- the player's entry: its command line, then the show in the working directory or DIR, played or in the studio
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kernel/program.h"
#include "studio/studio.h"

namespace {

constexpr char kUsageLine[] =
    "Usage: varnel [--edit] [--at T] [--windowed] [--gentle] [--control-socket PATH] [--loop A,B] [DIR]";

constexpr char kHelp[] =
    "Plays the show in DIR, or in the working directory: reads script.txt (or the one in data.dat),\n"
    "opens its window (full screen in a display mode of exactly gl_width x gl_height, or windowed),\n"
    "loads what the script uses and plays it in step with its music. Escape or closing the window\n"
    "ends the show.\n"
    "\n"
    "Options:\n"
    "  --edit                 authoring mode: pause, seek, step, loop, reload on save, a timeline,\n"
    "                         screenshots and marks; commands from standard input when it is not a\n"
    "                         terminal, and from --control-socket\n"
    "  --at T                 start at demo time T, in seconds, as if the script said g_demostart T\n"
    "  --windowed             a window of gl_width x gl_height, whatever gl_fullscreen says\n"
    "  --gentle               gentle viewing: a frame that would make more than three general or\n"
    "                         red flashes in a second is blended toward the frame before it; a\n"
    "                         screening aid against the usual flash thresholds, not a medical\n"
    "                         guarantee (varnel-tool flashes reports on a show)\n"
    "  --control-socket PATH  with --edit: also read commands from the Unix socket PATH\n"
    "  --loop A,B             with --edit: play from A to B and back to A, again and again\n"
    "  --help                 print this text and exit\n"
    "  --version              print the version and exit\n";

[[noreturn]] void usage_error(const char* format, const char* argument) {
    fprintf(stderr, "varnel: ");
    fprintf(stderr, format, argument);
    fprintf(stderr, "\n%s\n", kUsageLine);
    exit(2);
}

// A time in seconds: a whole, finite number, 0 or more.
bool parse_time(const char* text, float* time) {
    char* end = nullptr;
    errno = 0;
    const float value = strtof(text, &end);
    if (end == text || *end != '\0' || errno != 0 || !std::isfinite(value) || value < 0.0f) return false;
    *time = value;
    return true;
}

// The option's value: the next argument, which must be there.
const char* value_of(int argc, char** argv, int* i) {
    if (*i + 1 >= argc) usage_error("%s needs a value", argv[*i]);
    return argv[++*i];
}

}  // namespace

int main(int argc, char** argv) {
    StudioOptions options;
    bool edit = false;
    const char* directory = nullptr;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (strcmp(arg, "--help") == 0) {
            printf("%s\n%s", kUsageLine, kHelp);
            return 0;
        } else if (strcmp(arg, "--version") == 0) {
            printf("varnel %s\n", VARNEL_VERSION);
            return 0;
        } else if (strcmp(arg, "--edit") == 0) {
            edit = true;
        } else if (strcmp(arg, "--windowed") == 0) {
            options.player.windowed = true;
        } else if (strcmp(arg, "--gentle") == 0) {
            options.player.gentle = true;
        } else if (strcmp(arg, "--at") == 0) {
            const char* value = value_of(argc, argv, &i);
            if (!parse_time(value, &options.player.at)) {
                usage_error("--at takes a time in seconds, 0 or more, not '%s'", value);
            }
            options.player.has_at = true;
        } else if (strcmp(arg, "--control-socket") == 0) {
            options.control_socket = value_of(argc, argv, &i);
        } else if (strcmp(arg, "--loop") == 0) {
            const char* value = value_of(argc, argv, &i);
            char a[64] = {};
            const char* comma = strchr(value, ',');
            const size_t n = comma ? size_t(comma - value) : 0;
            if (!comma || n >= sizeof a) usage_error("--loop takes two times, A,B, not '%s'", value);
            memcpy(a, value, n);
            if (!parse_time(a, &options.loop_start) || !parse_time(comma + 1, &options.loop_end) ||
                !(options.loop_start < options.loop_end)) {
                usage_error("--loop takes two times A,B with A before B, not '%s'", value);
            }
            options.has_loop = true;
        } else if (arg[0] == '-' && arg[1] != '\0') {
            usage_error("unknown option '%s'", arg);
        } else if (directory) {
            usage_error("one show directory only, not also '%s'", arg);
        } else {
            directory = arg;
        }
    }
    if (!edit && options.control_socket) usage_error("%s works in authoring mode only: add --edit", "--control-socket");
    if (edit && options.player.gentle) usage_error("%s works when playing only, not in authoring mode", "--gentle");
    if (!edit && options.has_loop) usage_error("%s works in authoring mode only: add --edit", "--loop");
    if (directory) {
        struct stat info;
        if (stat(directory, &info) != 0 || !S_ISDIR(info.st_mode)) usage_error("no show directory '%s'", directory);
        if (chdir(directory) != 0) usage_error("cannot enter the show directory '%s'", directory);
    }
    return edit ? run_studio(options) : run_program(options.player);
}
