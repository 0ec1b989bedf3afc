// process.h -- running the benchmark's helper programs and reading what they print
#pragma once

#include <string>
#include <vector>

// Runs args[0] (looked up on PATH) with args, waits for it, and returns its exit status, or -1 when
// it could not be started or did not exit normally. What it prints on standard output and standard
// error goes to output when that is given, else to this program's own streams.
int run_process(const std::vector<std::string>& args, std::string* output = nullptr);

// True when the program can be found on PATH.
bool on_path(const char* program);
