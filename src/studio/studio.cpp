// studio.cpp -- authoring mode's course: start-up, the loop over keys, commands, saved files and frames, shutdown
#include "studio/studio.h"

#include "core/config.h"
#include "core/signals.h"
#include "kernel/kernel.h"
#include "kernel/script.h"
#include "platform/window.h"
#include "studio/controls.h"
#include "studio/reload.h"
#include "studio/session.h"

int run_studio(const StudioOptions& options) {
    prepare_failure_routine();
    route_player_signals();
    parse_script();
    apply_player_options(options.player);
    open_show_window();
    start_show(options.player);
    start_session(options.has_loop, options.loop_start, options.loop_end);
    open_controls(options.control_socket);
    start_file_watch();

    while (!g_kernel.quit) {
        poll_signals();
        if (quit_signalled()) break;
        WindowEvent event;
        while (poll_window_event(&event)) handle_studio_event(event);
        poll_commands();
        poll_file_changes();
        if (g_kernel.quit) break;
        run_session_frame();
        finish_screenshot();
    }

    stop_file_watch();
    close_controls();
    shutdown();
    return 0;
}
