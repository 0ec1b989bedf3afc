// command_lines.h -- lines of commands from standard input and a Unix socket, read without waiting
#pragma once

#include <cstddef>

inline constexpr int kCommandLineSize = 1024;  // a longer line is refused whole

// Reads standard input from now on, unless it is a terminal.
void listen_standard_input();

// Binds and listens on a Unix stream socket at path, replacing a socket file left there. False, with
// why in words, when it cannot: the path too long, taken by another kind of file, or not bindable.
bool open_command_socket(const char* path, char* why, size_t size);

// The next whole line from any source, without its line feed, and where it came from; false when
// none is waiting. A line longer than kCommandLineSize comes as "" with too_long set.
bool next_command_line(char (&line)[kCommandLineSize], int* source, bool* too_long);

// Writes text and a line feed back to the source a line came from; a source that has gone is
// skipped. Standard input's answers go to standard output.
void answer_command(int source, const char* text);

// Closes the socket and its clients and removes the socket file.
void close_command_lines();
