// fatal.h -- the one way the program fails: shut down, tell the user, exit 1
#pragma once

// Formats the message (at most 1023 characters), shuts down whatever exists, writes
// "Error: <message>" as one line to standard error, shows it in a message box titled "Error"
// when one can be shown, and exits with status 1.
[[noreturn]] void fatal_error(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The tools and the tests report on standard error alone; the player also shows the box.
void set_fatal_message_box(bool shown);
