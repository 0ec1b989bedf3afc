// reload.cpp -- what authoring mode does when the show's files change, and the reload of everything
#include "kernel/reload.h"

#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "core/ascii_case.h"
#include "core/config.h"
#include "core/fatal.h"
#include "core/timer.h"
#include "kernel/edit.h"
#include "kernel/kernel.h"
#include "kernel/program.h"
#include "kernel/script.h"
#include "kernel/timeline.h"
#include "platform/file_watch.h"
#include "platform/gl_state.h"
#include "platform/music.h"
#include "resources/image.h"
#include "resources/model.h"
#include "resources/picture_prefetch.h"
#include "resources/skybox.h"

namespace {

constexpr int kMaxChanged = 64;         // distinct files changed at once; more reload everything
constexpr float kQuietSeconds = 0.03f;  // a save is acted on once its writes have stopped this long

struct ReloadState {
    bool watching = false;
    char changed[kMaxChanged][kWatchPathSize];  // saved since the last reload, each once
    int changed_count = 0;
    bool overflow = false;                      // more than kMaxChanged: reload everything
    uint64_t last_change = 0;                   // counter at the latest change
    bool music_open = false;                    // the sound output is open
} s_reload;

// Runs work under the failure routine's recovering policy: any fault it meets, in whatever loader,
// comes back here as its message instead of ending the program. The one place that catches it.
template <typename Work>
bool recover(Work work, char* why, size_t size) {
    set_failure_policy(FailurePolicy::Recover);
    try {
        work();
    } catch (const Failure& failure) {
        set_failure_policy(FailurePolicy::Exit);
        if (why) snprintf(why, size, "%s", failure.message);
        return false;
    }
    set_failure_policy(FailurePolicy::Exit);
    return true;
}

// The types the script's sections use, the loading type always among them.
void used_types(bool (&used)[kSectionTypeCount]) {
    for (bool& u : used) u = false;
    used[kLoadingType] = true;
    for (const Section* s = g_kernel.script; s; s = s->next_script) used[s->type] = true;
}

// Parses the script again, with the command line's overrides and the sync counts checked. On a
// fault the last good script is put back.
bool parse_again(char* why, size_t size) {
    keep_script();
    const bool parsed = recover(
        [] {
            parse_script();
            apply_player_options();
            check_script_syncs();
        },
        why, size);
    if (!parsed) restore_kept_script();
    return parsed;
}

void require_picture(const char* path) {
    const char* failure = nullptr;
    if (load_texture(path, g_packeddata != 0, &failure) < 0) {
        fatal_error("Error loading texture '%s': %s", path, failure ? failure : "unreadable");
    }
}

// Every file that the used types' load handlers read, read and decoded as they would read it, then
// let go: a fault comes back through the failure routine.
void check_show_files() {
    bool used[kSectionTypeCount];
    used_types(used);
    const bool packed = g_packeddata != 0;
    for (int type = 0; type < kSectionTypeCount; ++type) {
        if (!used[type]) continue;
        for (const SectionAsset& asset : g_kernel.types[type].assets) {
            switch (asset.kind) {
            case SectionAsset::kImage:
            case SectionAsset::kSkyboxImage:
                require_picture(asset.path);
                break;
            case SectionAsset::kSkybox:
                for (int face = 0; face < 6; ++face) {
                    char path[64];
                    if (skybox_face_path(asset.path, kSkyboxJpeg, face, path)) require_picture(path);
                }
                break;
            case SectionAsset::kModel: {
                ModelFailure failure;
                if (!load_model(asset.path, asset.file, packed, &failure)) {
                    fatal_error("Error loading model '%s%s': %s", asset.path, asset.file,
                                failure.why ? failure.why : "unreadable");
                }
                break;
            }
            }
        }
    }
}

void reload_script() {
    const int32_t packed = g_packeddata;
    const uint8_t sound = snd_enable;
    char music[kScriptStringSize];
    snprintf(music, sizeof music, "%s", snd_mp3file);

    char why[1024];
    if (!parse_again(why, sizeof why)) {
        show_edit_error(why);
        return;
    }
    bool used[kSectionTypeCount];
    used_types(used);
    bool everything = g_packeddata != packed || snd_enable != sound || strcmp(snd_mp3file, music) != 0;
    for (int type = 0; type < kSectionTypeCount; ++type) everything = everything || (used[type] && !g_kernel.type_loaded[type]);
    if (everything) {
        // Parsed again there, and checked with every file before anything is let go.
        restore_kept_script();
        reload_everything(nullptr, 0);
        return;
    }
    // The lists point into the old sections until they are rebuilt from the new ones.
    g_kernel.pending = g_kernel.active = g_kernel.current = nullptr;
    drop_kept_script();
    clear_edit_error();
    redraw_after_reload();
}

void reload_music() {
    std::vector<uint8_t> bytes;
    char why[1024];
    if (!recover([&] { bytes = read_soundtrack(); }, why, sizeof why)) {
        show_edit_error(why);
        return;
    }
    const char* failure = nullptr;
    if (!replace_music(std::move(bytes), edit_time(), true, &failure)) {
        char message[1024];
        snprintf(message, sizeof message, "Error loading '%s': %s", snd_mp3file, failure);
        show_edit_error(message);
        return;
    }
    redraw_after_reload();
}

// A loose data file saved: every picture, model and soundtrack read from it, read again.
void reload_data_file(const char* path) {
    bool reloaded = false;
    const char* why = nullptr;
    int images[16];
    const int count = find_images(path, images, 16);
    for (int i = 0; i < count && !why; ++i) reloaded = reload_texture(images[i], false, &why) || reloaded;
    if (!why) {
        const int models = reload_models(path, false, &why);
        reloaded = reloaded || models > 0;
    }
    if (why) {
        char message[1024];
        snprintf(message, sizeof message, "Error loading '%s': %s", path, why);
        show_edit_error(message);
        return;
    }
    if (snd_enable && s_reload.music_open && ascii_equal_nocase(path, snd_mp3file)) {
        reload_music();
        return;
    }
    if (!reloaded) return;
    clear_edit_error();
    redraw_after_reload();
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
        if (script) reload_script();
        if (!g_packeddata) {
            for (int i = 0; i < s_reload.changed_count; ++i) {
                const char* path = s_reload.changed[i];
                if (!ascii_equal_nocase(path, "script.txt") && !ascii_equal_nocase(path, "data.dat")) {
                    reload_data_file(path);
                }
            }
        }
    }
    s_reload.changed_count = 0;
    s_reload.overflow = false;
}

// Lets go of everything the loading phase made: every type's state, the saved GL state, the images.
void unload_everything() {
    g_kernel.pending = g_kernel.active = g_kernel.current = nullptr;
    for (int type = 0; type < kSectionTypeCount; ++type) {
        if (g_kernel.types[type].state) g_kernel.types[type].state->clear();
        g_kernel.type_loaded[type] = false;
    }
    clear_start_state();
    unload_textures(0);
}

}  // namespace

void start_file_watch() {
    s_reload.music_open = snd_enable != 0;
    s_reload.watching = start_watching(".");
    if (!s_reload.watching) show_edit_error("the show's files cannot be watched: no reload on save (R still reloads)");
}

void stop_file_watch() {
    stop_watching();
    s_reload.watching = false;
}

namespace {

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
    char message[1024];
    if (!parse_again(message, sizeof message)) {
        show_edit_error(message);
        if (why) snprintf(why, size, "%s", message);
        return false;
    }
    // Every file checked before anything is let go; the checked images go again.
    const int images = image_count();
    std::vector<uint8_t> music;
    const bool checked = recover(
        [&] {
            check_show_files();
            if (snd_enable) music = read_soundtrack();
        },
        message, sizeof message);
    unload_textures(images);
    if (!checked) {
        restore_kept_script();
        show_edit_error(message);
        if (why) snprintf(why, size, "%s", message);
        return false;
    }

    const float time = edit_time();
    unload_everything();
    drop_kept_script();
    const bool loaded = recover(
        [&] {
            kGlStartSnapshot.restore();
            reset_timeline();
            run_loading_phase();
            if (snd_enable) {
                if (!s_reload.music_open) open_music_output();
                const char* failure = nullptr;
                if (!replace_music(std::move(music), time, true, &failure)) fatal_error("%s", failure);
                s_reload.music_open = true;
            }
        },
        message, sizeof message);
    if (!loaded) {
        // Nothing half loaded is drawn: the show is empty until a reload succeeds.
        stop_picture_prefetch();
        g_kernel.loading = false;
        unload_everything();
        show_edit_error(message);
        if (why) snprintf(why, size, "%s", message);
        return false;
    }
    if (!snd_enable && s_reload.music_open) {
        close_music();
        s_reload.music_open = false;
    }
    clear_edit_error();
    redraw_after_reload();
    return true;
}
