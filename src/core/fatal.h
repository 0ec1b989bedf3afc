// fatal.h -- the one way the program fails: shut down, tell the user, exit 1
#pragma once

#include <cstddef>

// Formats the message (at most 1023 characters), runs the shutdown routine, writes
// "Error: <message>" as one line to standard error, shows it in a message box titled "Error"
// when one can be shown, and exits with status 1.
[[noreturn]] void fatal_error(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Runs the shutdown routine and ends the process with status: a way out that has already told the
// user (libjpeg's message) still gives the desktop back first.
[[noreturn]] void exit_program(int status);

// What fatal_error and exit_program do. Exit: end the program, as above. Recover: while authoring
// mode reloads a file, a fault must not end the session; fatal_error throws a Failure with the
// message, which the one place that reloads catches and shows, and exit_program throws one with
// "Unexpected error". Loaders never catch it.
enum class FailurePolicy { Exit, Recover };
void set_failure_policy(FailurePolicy policy);
FailurePolicy failure_policy();

struct Failure {
    char message[1024];
};

// What both run before they exit: the program's shutdown, which releases whatever exists (the display
// mode, the window, the sound device). None until one is set.
void set_shutdown_routine(void (*shutdown)());

// An exception that nobody catches (an allocation that fails while loading) would end the process
// through std::terminate, past the shutdown; after this it ends through fatal_error instead.
void route_terminate_through_shutdown();

// The tools and the tests report on standard error alone; the player also shows the box.
void set_fatal_message_box(bool shown);

// The tools say more than the player about some failures: explain is handed the message before the
// shutdown routine runs (SDL still holds its reason then) and writes what follows the "Error:" line,
// as whole lines without the last newline, or nothing. None until one is set.
void set_fatal_explanation(void (*explain)(const char* message, char* text, size_t size));
