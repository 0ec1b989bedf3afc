// studio.h -- authoring mode: the show played under the author's hand, reloaded as its files are saved
#pragma once

#include "kernel/program.h"

// What the command line asks of the studio, besides what it asks of the player.
struct StudioOptions {
    PlayerOptions player;
    const char* control_socket = nullptr;  // a Unix socket for commands, besides standard input
    bool has_loop = false;                 // play from loop_start to loop_end, again and again
    float loop_start = 0.0f;
    float loop_end = 0.0f;
};

// The studio's whole run, in the working directory: the show parsed, loaded and played as the
// player plays it, then paused, sought, stepped and looped by keys and commands, and reloaded as its
// files change; no fault in a file saved ends it. Returns its exit status.
int run_studio(const StudioOptions& options);
