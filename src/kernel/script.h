// script.h -- the script parser: "script.txt" read into the configuration variables and the section list
#pragma once

#include <cstdint>
#include <cstdio>

#include "core/config.h"

inline constexpr int kMaxSyncs = 1 << 20;     // sync times one section may declare

// Reads the script, loose "script.txt" first, else the one in data.dat, and sets the configuration
// variables, the script list (g_kernel.script) and the demo end. Opens the archive directory first.
// Any fault in the script ends the program through fatal_error.
void parse_script();

// While a changed script is parsed: the script list, its sections and the configuration set aside,
// then put back when the new parse fails, or let go when it stands. Nothing may point into the
// kept sections once they are let go.
void keep_script();
void restore_kept_script();
void drop_kept_script();

struct ScriptFault {
    char message[256];  // what the player ends with, "Script: ..."
};

// The parse itself, from the open file's position: budget is the length of the archive entry that
// holds the script, or -1 for a loose file. False at the first fault, its message in fault.
bool read_script(FILE* file, long long budget, ScriptFault* fault);

// Numeric conversion as the script reads numbers: leading blanks skipped, reading stops at the first
// character that does not fit. False, and the target untouched, when no number can be read.
bool scan_int(const char* text, int32_t* value);
bool scan_float(const char* text, float* value);
