// program.h -- the program's course: parse, start up, play, shut down
#pragma once

// The player's whole run; returns its exit status.
int run_program();

// Checks what the script asked for against what exists and opens what the show needs; exits
// through fatal_error on failure.
void start_up();

// Releases what start-up created; safe at any stage, including before start-up.
void shutdown();
