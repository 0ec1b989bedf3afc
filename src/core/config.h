// config.h -- the configuration variables that a script sets before its first section, and their table
#pragma once

#include <cstdint>

inline constexpr int kScriptStringSize = 64;  // a string value holds at most 63 characters

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

// Every variable to the value it has when the script does not set it.
void set_config_defaults();

// Every variable's value, in table order: kept while a script is parsed again, put back when it fails.
struct ConfigValues {
    unsigned char bytes[2 * kScriptStringSize + 9 * 4];
};
ConfigValues save_config();
void restore_config(const ConfigValues& values);
