// program.cpp -- program entry, start-up, the message loop and shutdown
#include "kernel/program.h"

#include <vector>

#include "core/config.h"
#include "core/fatal.h"
#include "core/signals.h"
#include "kernel/kernel.h"
#include "kernel/keys.h"
#include "kernel/script.h"
#include "kernel/timeline.h"
#include "platform/music.h"
#include "platform/sound.h"
#include "platform/text.h"
#include "platform/window.h"
#include "render/gentle_view.h"
#include "resources/data_source.h"

KernelState g_kernel;

namespace {

void (*s_before_music)() = nullptr;

}  // namespace

std::vector<uint8_t> read_soundtrack() {
    DataSource source;
    switch (open_data_source(snd_mp3file, g_packeddata != 0, &source)) {
    case kSourceOk:
        break;
    case kSourceNotInArchive:
        fatal_error("Mp3 file not found at PAK");
    case kSourceNoArchiveFile:
        fatal_error("Error opening PAK file");
    default:
        fatal_error("Mp3 file not found");
    }
    std::vector<uint8_t> bytes(size_t(source.length));
    const bool read_whole = read_bytes(&source, bytes.data(), bytes.size());
    close_data_source(&source);
    if (!read_whole) fatal_error("%s", sound_error_text(kSoundDecodeFailed));
    return bytes;
}

void apply_player_options(const PlayerOptions& options) {
    if (options.windowed) gl_fullscreen = 0;
    if (options.has_at) g_demostart = options.at;
    if (options.gentle) g_kernel.gentle = true;
    s_before_music = options.before_music;
}

void prepare_failure_routine() {
    set_shutdown_routine(shutdown);
    route_terminate_through_shutdown();
}

void route_player_signals() {
    route_signals(leave_full_screen);
}

void open_show_window() {
    if (g_packeddata && !g_kernel.archive_loaded) fatal_error("PAK not found");
    if (open_graphics(g_demoname) < 0) fatal_error("Error opening graphics mode");
    create_font("Arial");
    if (g_kernel.gentle) open_gentle_view(g_display.width, g_display.height);
}

void start_soundtrack() {
    if (!snd_enable) return;
    open_music_output();
    open_music(read_soundtrack(), g_demostart);
    start_music();
}

void start_up() {
    open_show_window();
    reset_timeline();
    run_loading_phase();
    if (s_before_music) s_before_music();
    start_soundtrack();
    start_clock();
}

void run_message_loop() {
    while (!g_kernel.quit) {
        poll_signals();
        if (quit_signalled()) {
            g_kernel.quit = true;
        } else if (!process_window_event()) {
            if (!run_frame()) g_kernel.quit = true;
            advance_clock();
        }
    }
}

void shutdown() {
    if (snd_enable) close_music();
    close_gentle_view();
    close_graphics();
}

void play_program(const PlayerOptions& options) {
    prepare_failure_routine();
    route_player_signals();
    parse_script();
    apply_player_options(options);
    start_up();
    run_message_loop();
}

int run_program(const PlayerOptions& options) {
    play_program(options);
    shutdown();
    return 0;
}
