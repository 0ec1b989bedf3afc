// config.cpp -- the configuration variables, their defaults and the table the script parser reads
#include "core/config.h"

#include <cstdio>
#include <cstring>

char g_demoname[kScriptStringSize];
int32_t g_drawfps;
int32_t g_debug;
int32_t g_packeddata;
float g_demostart;
uint8_t gl_fullscreen;
uint8_t gl_info;
int32_t gl_width;
int32_t gl_height;
uint8_t snd_enable;
char snd_mp3file[kScriptStringSize];

const ConfigVariable kConfigVariables[kConfigVariableCount] = {
    {"g_demoname", ConfigKind::String, g_demoname},
    {"g_drawfps", ConfigKind::Integer, &g_drawfps},
    {"g_debug", ConfigKind::Integer, &g_debug},
    {"g_packeddata", ConfigKind::Integer, &g_packeddata},
    {"g_demostart", ConfigKind::Float, &g_demostart},
    {"gl_fullscreen", ConfigKind::Byte, &gl_fullscreen},
    {"gl_info", ConfigKind::Byte, &gl_info},
    {"gl_width", ConfigKind::Integer, &gl_width},
    {"gl_height", ConfigKind::Integer, &gl_height},
    {"snd_enable", ConfigKind::Byte, &snd_enable},
    {"snd_mp3file", ConfigKind::String, snd_mp3file},
};

namespace {

size_t size_of(ConfigKind kind) {
    switch (kind) {
    case ConfigKind::Byte:
        return 1;
    case ConfigKind::String:
        return kScriptStringSize;
    default:
        return 4;
    }
}

}  // namespace

ConfigValues save_config() {
    ConfigValues values;
    size_t at = 0;
    for (const ConfigVariable& v : kConfigVariables) {
        memcpy(values.bytes + at, v.storage, size_of(v.kind));
        at += size_of(v.kind);
    }
    return values;
}

void restore_config(const ConfigValues& values) {
    size_t at = 0;
    for (const ConfigVariable& v : kConfigVariables) {
        memcpy(v.storage, values.bytes + at, size_of(v.kind));
        at += size_of(v.kind);
    }
}

void set_config_defaults() {
    snprintf(g_demoname, sizeof g_demoname, "%s", "Varnel");
    g_drawfps = 0;
    g_debug = 0;
    g_packeddata = 0;
    g_demostart = 0.0f;
    gl_fullscreen = 1;
    gl_info = 0;
    gl_width = 640;
    gl_height = 480;
    snd_enable = 0;
    snd_mp3file[0] = '\0';
}
