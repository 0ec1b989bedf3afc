// script.h -- the script "script.txt": configuration variables and the section list
#pragma once

#include <cstdint>
#include <cstdio>

inline constexpr int kScriptStringSize = 64;  // a string value holds at most 63 characters
inline constexpr int kMaxSyncs = 1 << 20;     // sync times one section may declare

// Configuration variables, set from the script's region before the first header.
extern char g_demoname[kScriptStringSize];    // window title
extern int32_t g_drawfps;                     // frame rate alone instead of the statistics line
extern int32_t g_debug;                       // statistics line; enables the D key
extern int32_t g_packeddata;                  // data files come from data.dat instead of loose files
extern float g_demostart;                     // demo time at which playback begins, seconds
extern uint8_t gl_fullscreen;                 // switch the display mode, full-screen window
extern uint8_t gl_info;                       // write opengl.log
extern int32_t gl_width;                      // display size, pixels
extern int32_t gl_height;
extern uint8_t snd_enable;                    // play the music
extern char snd_mp3file[kScriptStringSize];   // music file: a path, or an entry of data.dat

enum class ConfigKind { Integer, Byte, Float, String };

struct ConfigVariable {
    const char* name;
    ConfigKind kind;  // Byte: given as a decimal integer, its low 8 bits stored
    void* storage;
};

inline constexpr int kConfigVariableCount = 11;
extern const ConfigVariable kConfigVariables[kConfigVariableCount];

// Reads the script, loose "script.txt" first, else the one in data.dat, and sets the configuration
// variables, the script list (g_kernel.script) and the demo end. Opens the archive directory first.
// Any fault in the script ends the program through fatal_error.
void parse_script();

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
