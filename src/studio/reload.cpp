// reload.cpp -- loading the studio's show, and again when its files change, without ever losing the last good one
#include "studio/reload.h"

#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "core/ascii_case.h"
#include "core/config.h"
#include "core/timer.h"
#include "kernel/kernel.h"
#include "kernel/program.h"
#include "kernel/script.h"
#include "kernel/timeline.h"
#include "platform/file_watch.h"
#include "platform/gl_state.h"
#include "platform/music.h"
#include "resources/image.h"
#include "resources/model.h"
#include "studio/recover.h"
#include "studio/session.h"

namespace {

constexpr int kMaxChanged = 64;         // distinct files changed at once; more reload everything
constexpr float kQuietSeconds = 0.03f;  // a save is acted on once its writes have stopped this long
constexpr int kWhySize = 1024;

struct ReloadState {
    PlayerOptions options;                      // the command line's, applied after every parse
    bool watching = false;
    char changed[kMaxChanged][kWatchPathSize];  // saved since the last reload, each once
    int changed_count = 0;
    bool overflow = false;                      // more than kMaxChanged: reload everything
    uint64_t last_change = 0;                   // counter at the latest change
    bool music_open = false;                    // the sound output is open
} s_reload;

// The end of a load, the same at the start and after every reload: from the GL state the window
// opened with, the loading screen shown once more and faded as the loading phase ends it, and all
// that the show carries saved as its start. Whatever state the loading left, the start state is
// then the one a fresh start has.
void finish_loading() {
    kGlStateSnapshot.clear();
    kGlStartSnapshot.restore();
    // What bind_texture believes of GL must be what a fresh start believes of that state: nothing.
    kTextureBindSnapshot.clear();
    g_kernel.loading = true;
    g_kernel.types[kLoadingType].render();
    g_kernel.loading = false;
    end_loading_phase();
    save_start_state();
}

// Whether the types loaded are exactly those the script uses (the loading type always among them).
bool loaded_types_fit_script() {
    bool used[kSectionTypeCount] = {};
    used[kLoadingType] = true;
    for (const Section* s = g_kernel.script; s; s = s->next_script) used[s->type] = true;
    for (int type = 0; type < kSectionTypeCount; ++type) {
        if (used[type] != g_kernel.type_loaded[type]) return false;
    }
    return true;
}

// Parses the script again, with the command line's overrides, and runs every check its sections'
// starts would run. On a fault the last good script is put back; else it is kept aside until
// accept_script takes the new one or puts it back.
bool parse_and_check(char* why, size_t size) {
    keep_script();
    if (recover(
            [] {
                parse_script();
                apply_player_options(s_reload.options);
                check_sections();
            },
            why, size)) {
        return true;
    }
    restore_kept_script();
    return false;
}

// Takes the script that parse_and_check left into use, once everything it needs is in hand: with
// whole, every type it uses loaded beside the show that plays; with new_music, the soundtrack read
// and its first frame decoded. The old show is let go only then; on a fault it is put back whole,
// the old script with it. Either way the timeline must be rebuilt afterwards.
bool accept_script(bool whole, bool new_music, char* why, size_t size) {
    const bool sound = snd_enable != 0;
    std::vector<uint8_t> music;
    bool ok = recover(
        [&] {
            if (sound && !s_reload.music_open) open_music_output();
            s_reload.music_open = s_reload.music_open || sound;
            if (sound && new_music) {
                music = read_soundtrack();
                check_music(music);
            }
        },
        why, size);
    if (ok && whole) {
        set_show_aside();
        ok = recover(
            [] {
                reset_timeline();
                load_section_types();
            },
            why, size);
        if (!ok) put_show_back();
    }
    if (ok && sound && new_music) {
        const char* failure = nullptr;
        ok = replace_music(std::move(music), session_time(), true, &failure);
        if (!ok) {
            snprintf(why, size, "%s", failure);
            if (whole) put_show_back();
        }
    }
    if (!ok) {
        restore_kept_script();
        return false;
    }
    if (!sound && s_reload.music_open) {
        close_music();
        s_reload.music_open = false;
    }
    if (whole) {
        // The loading screen ends on the new show's pictures; the old ones go after it.
        finish_loading();
        keep_show_loaded_beside();
    }
    drop_kept_script();
    return true;
}

// A changed script: parsed and checked, and taken into use with what it needs. Whether the frame
// must be drawn again.
bool reload_script() {
    const int32_t packed = g_packeddata;
    char music[kScriptStringSize];
    snprintf(music, sizeof music, "%s", snd_mp3file);

    char why[kWhySize];
    if (!parse_and_check(why, sizeof why)) {
        show_error(why);
        return false;
    }
    // Another set of types gives another start state (load handlers draw random numbers): loaded
    // whole, as a fresh start loads them.
    const bool whole = g_packeddata != packed || !loaded_types_fit_script();
    const bool new_music = whole || !s_reload.music_open || strcmp(snd_mp3file, music) != 0;
    if (!accept_script(whole, new_music, why, sizeof why)) {
        show_error(why);
        return whole;
    }
    clear_error();
    return true;
}

// The soundtrack's file saved: read and decoded again, then played in place of the old one.
bool reload_music() {
    std::vector<uint8_t> bytes;
    char why[kWhySize];
    if (!recover(
            [&] {
                bytes = read_soundtrack();
                check_music(bytes);
            },
            why, sizeof why)) {
        show_error(why);
        return false;
    }
    const char* failure = nullptr;
    if (!replace_music(std::move(bytes), session_time(), true, &failure)) {
        show_error(failure);
        return false;
    }
    return true;
}

// A loose data file saved: every picture, model and soundtrack read from it, read again, each whole
// or not at all. Whether anything changed.
bool reload_data_file(const char* path) {
    const char* why = nullptr;
    const int pictures = reload_textures(path, false, &why);
    const int models = pictures < 0 ? 0 : reload_models(path, false, &why);
    if (pictures < 0 || models < 0) {
        char message[kWhySize];
        snprintf(message, sizeof message, "Error loading '%s': %s", path, why);
        show_error(message);
        return false;
    }
    if (snd_enable && s_reload.music_open && ascii_equal_nocase(path, snd_mp3file)) return reload_music();
    if (pictures == 0 && models == 0) return false;
    clear_error();
    return true;
}

// Whether the show reads its script from data.dat: none is loose.
bool script_in_archive() {
    FILE* file = fopen("script.txt", "r");
    if (file) fclose(file);
    return !file && g_kernel.archive_loaded;
}

void apply_changes() {
    bool script = false;
    bool archive = false;
    for (int i = 0; i < s_reload.changed_count; ++i) {
        const char* path = s_reload.changed[i];
        if (ascii_equal_nocase(path, "script.txt")) {
            script = true;
        } else if (ascii_equal_nocase(path, "data.dat")) {
            archive = true;
        }
    }
    const bool everything = s_reload.overflow || (archive && (g_packeddata || script_in_archive()));
    if (everything) {
        reload_everything(nullptr, 0);
    } else {
        bool redraw = script && reload_script();
        if (!g_packeddata) {
            for (int i = 0; i < s_reload.changed_count; ++i) {
                const char* path = s_reload.changed[i];
                if (!ascii_equal_nocase(path, "script.txt") && !ascii_equal_nocase(path, "data.dat")) {
                    redraw = reload_data_file(path) || redraw;
                }
            }
        }
        // One frame for the whole batch.
        if (redraw) restart_at_session_time();
    }
    s_reload.changed_count = 0;
    s_reload.overflow = false;
}

void collect_changes() {
    char path[kWatchPathSize];
    while (next_changed_file(path)) {
        s_reload.last_change = read_counter();
        bool known = false;
        for (int i = 0; i < s_reload.changed_count && !known; ++i) known = ascii_equal_nocase(s_reload.changed[i], path);
        if (known) continue;
        if (s_reload.changed_count == kMaxChanged) {
            s_reload.overflow = true;
        } else {
            memcpy(s_reload.changed[s_reload.changed_count++], path, sizeof path);
        }
    }
}

bool changes_waiting() {
    return s_reload.changed_count > 0 || s_reload.overflow;
}

}  // namespace

void start_show(const PlayerOptions& options) {
    s_reload.options = options;
    g_kernel.every_type = true;
    kGlStartSnapshot.save();
    reset_timeline();
    load_section_types();
    finish_loading();
    start_soundtrack();
    s_reload.music_open = snd_enable != 0;
    start_clock();
}

void start_file_watch() {
    s_reload.watching = start_watching(".");
    if (!s_reload.watching) show_error("the show's files cannot be watched: no reload on save (R still reloads)");
}

void stop_file_watch() {
    stop_watching();
    s_reload.watching = false;
}

void poll_file_changes() {
    collect_changes();
    if (!changes_waiting()) return;
    if (float(read_counter() - s_reload.last_change) < kQuietSeconds * float(counter_frequency())) return;
    apply_changes();
}

void apply_file_changes_now() {
    collect_changes();
    if (changes_waiting()) apply_changes();
}

bool reload_everything(char* why, size_t size) {
    char message[kWhySize];
    const bool parsed = parse_and_check(message, sizeof message);
    const bool reloaded = parsed && accept_script(true, true, message, sizeof message);
    if (reloaded) {
        clear_error();
    } else {
        show_error(message);
        if (why) snprintf(why, size, "%s", message);
    }
    if (parsed) restart_at_session_time();
    return reloaded;
}
