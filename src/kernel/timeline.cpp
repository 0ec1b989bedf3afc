// timeline.cpp -- the loading phase, the frame that runs the sections, and the clock advance
#include "kernel/timeline.h"

#include <string>
#include <vector>

#include "core/config.h"
#include "core/fatal.h"
#include "core/random.h"
#include "core/timer.h"
#include "kernel/kernel.h"
#include "kernel/statistics.h"
#include "platform/gl_state.h"
#include "platform/window.h"
#include "render/gentle_view.h"
#include "resources/image.h"
#include "resources/picture_prefetch.h"

namespace {

// The links of one of the two lists a section can be on.
struct ListLinks {
    Section* Section::*next;
    Section* Section::*prev;
};

constexpr ListLinks kPending = {&Section::next_pending, &Section::prev_pending};
constexpr ListLinks kActive = {&Section::next_active, &Section::prev_active};

// Inserts section before the first member whose key is greater than or equal to its own, so that
// among equal keys the section inserted last stands first.
template <typename Key>
void insert_sorted(Section** head, Section* section, ListLinks links, Key key) {
    Section* prev = nullptr;
    Section* next = *head;
    while (next && key(*next) < key(*section)) {
        prev = next;
        next = next->*links.next;
    }
    section->*links.prev = prev;
    section->*links.next = next;
    if (next) next->*links.prev = section;
    if (prev) {
        prev->*links.next = section;
    } else {
        *head = section;
    }
}

void unlink(Section** head, Section* section, ListLinks links) {
    Section* prev = section->*links.prev;
    Section* next = section->*links.next;
    if (prev) {
        prev->*links.next = next;
    } else {
        *head = next;
    }
    if (next) next->*links.prev = prev;
    section->*links.next = section->*links.prev = nullptr;
}

// Makes section current and times one of its handlers with the performance counter.
void call_timed(Section* section, SectionHandler handler) {
    g_kernel.current = section;
    const uint64_t before = read_counter();
    handler();
    const uint64_t after = read_counter();
    // The first frame has no frame time to measure a share against.
    section->cpu_percent = g_kernel.frame_time > 0.0f ? section->cpu_time * 100.0f / g_kernel.frame_time : 0.0f;
    section->cpu_time = float(after - before) / g_kernel.counter_frequency;
    g_kernel.section_time_sum += section->cpu_time;
}

// A section over before playback begins is never queued and does not get its type loaded; but in
// a show that any time can be sought in, every section's type is loaded.
bool needs_its_type(const Section& section) {
    return section.end > g_demostart || g_kernel.every_type;
}

// The pictures that the load handlers read, in the order they read them, decoded on a second
// thread while the loading phase uploads.
void prefetch_pictures() {
    const bool packed = g_packeddata != 0;
    std::vector<std::string> paths = list_asset_pictures(loading_assets(), packed);
    if (!paths.empty()) start_picture_prefetch(std::move(paths), packed);
}

// Handlers index their sync times without looking at the count.
void require_syncs(const Section& s) {
    const SectionType& type = g_kernel.types[s.type];
    if (s.sync_count < type.syncs) {
        fatal_error("Section '%s' at %.2f: %d syncs found, %d needed", type.name, double(s.start), s.sync_count,
                    type.syncs);
    }
}

// Every section that ends after time on the pending list, by start; among equal starts the section
// later in the script stands first.
void queue_sections(float time) {
    for (Section* s = g_kernel.script; s; s = s->next_script) {
        if (s->end <= time) continue;
        insert_sorted(&g_kernel.pending, s, kPending, [](const Section& x) { return x.start; });
    }
}

// What the engine beneath the sections carries from frame to frame: the effects' random values,
// the texture binding cache, and the GL state and framebuffer that a start leaves.
const Snapshot* const kEngineState[] = {&kRandomSnapshot, &kTextureBindSnapshot, &kGlStateSnapshot};

// Of those, what a second show loads into while the first is set aside; the saved GL state stays.
const Snapshot* const kEngineStateAside[] = {&kRandomSnapshot, &kTextureBindSnapshot};

// The loaded types and the loading counts of the show set aside.
struct ShowAside {
    bool type_loaded[kSectionTypeCount] = {};
    int32_t types_to_load = 0;
    int32_t types_loaded = 0;
} s_aside;

}  // namespace

std::vector<SectionAsset> loading_assets() {
    bool used[kSectionTypeCount] = {};
    used[kLoadingType] = true;
    for (const Section* s = g_kernel.script; s; s = s->next_script) used[s->type] |= needs_its_type(*s);
    std::vector<SectionAsset> assets;
    for (int type = 0; type < kSectionTypeCount; ++type) {
        if (used[type]) assets.insert(assets.end(), g_kernel.types[type].assets.begin(), g_kernel.types[type].assets.end());
    }
    return assets;
}

void reset_timeline() {
    g_kernel.pending = nullptr;
    g_kernel.active = nullptr;
    g_kernel.current = nullptr;
    g_kernel.demo_time = g_demostart;
    g_kernel.frame_count = 0;
    g_kernel.frame_time = 0.0f;
    g_kernel.rate_window_start = 0;
    g_kernel.rate_window_frames = 0;
    g_kernel.frame_rate = 0.0f;
    g_kernel.kernel_time = 0.0f;
    g_kernel.kernel_percent = 0.0f;
    g_kernel.quit = false;
}

void run_loading_phase() {
    load_section_types();
    end_loading_phase();
}

void load_section_types() {
    const SectionType* types = g_kernel.types;
    const SectionType& loading = types[kLoadingType];
    g_kernel.loading = true;

    bool used[kSectionTypeCount] = {};
    g_kernel.types_to_load = 0;
    g_kernel.types_loaded = 0;
    for (Section* s = g_kernel.script; s; s = s->next_script) {
        if (!needs_its_type(*s)) continue;
        require_syncs(*s);
        if (s->type != kLoadingType && !used[s->type]) {
            used[s->type] = true;
            ++g_kernel.types_to_load;
        }
    }
    queue_sections(g_demostart);

    // The loading screen's picture comes first on the list, and from the second thread too.
    prefetch_pictures();
    loading.load();
    loading.init();
    loading.render();
    g_kernel.type_loaded[kLoadingType] = true;
    for (int type = 1; type < kSectionTypeCount; ++type) {
        if (used[type]) {
            types[type].load();
            g_kernel.type_loaded[type] = true;
            ++g_kernel.types_loaded;
        }
        loading.render();
    }
    stop_picture_prefetch();
    g_kernel.loading = false;
}

void end_loading_phase() {
    g_kernel.loading = true;
    g_kernel.types[kLoadingType].end();
    g_kernel.loading = false;
}

void check_sections() {
    for (Section* s = g_kernel.script; s; s = s->next_script) {
        require_syncs(*s);
        g_kernel.current = s;
        if (g_kernel.types[s->type].check) g_kernel.types[s->type].check();
    }
    g_kernel.current = nullptr;
}

void save_start_state() {
    for (const Snapshot* state : kEngineState) state->save();
    for (int type = 0; type < kSectionTypeCount; ++type) {
        if (g_kernel.type_loaded[type] && g_kernel.types[type].state) g_kernel.types[type].state->save();
    }
}

void seek_timeline(float time) {
    for (const Snapshot* state : kEngineState) state->restore();
    for (int type = 0; type < kSectionTypeCount; ++type) {
        if (g_kernel.type_loaded[type] && g_kernel.types[type].state) g_kernel.types[type].state->restore();
    }
    for (Section* s = g_kernel.script; s; s = s->next_script) {
        s->next_pending = s->prev_pending = s->next_active = s->prev_active = nullptr;
        s->run_time = s->cpu_time = s->cpu_percent = 0.0f;
    }
    const bool quit = g_kernel.quit;
    reset_timeline();
    g_kernel.quit = quit;
    g_kernel.demo_time = time;
    queue_sections(time);
    g_kernel.last_counter = read_clock();
}

void set_show_aside() {
    g_kernel.pending = g_kernel.active = g_kernel.current = nullptr;
    for (int type = 0; type < kSectionTypeCount; ++type) {
        if (const Snapshot* state = g_kernel.types[type].state) {
            state->set_aside();
            state->clear();
        }
        s_aside.type_loaded[type] = g_kernel.type_loaded[type];
        g_kernel.type_loaded[type] = false;
    }
    for (const Snapshot* state : kEngineStateAside) {
        state->set_aside();
        state->clear();
    }
    s_aside.types_to_load = g_kernel.types_to_load;
    s_aside.types_loaded = g_kernel.types_loaded;
    begin_second_image_table();
}

void keep_show_loaded_beside() {
    for (int type = 0; type < kSectionTypeCount; ++type) {
        if (const Snapshot* state = g_kernel.types[type].state) state->let_go();
    }
    for (const Snapshot* state : kEngineStateAside) state->let_go();
    end_second_image_table(true);
}

void put_show_back() {
    stop_picture_prefetch();
    g_kernel.loading = false;
    g_kernel.pending = g_kernel.active = g_kernel.current = nullptr;
    // The records of the second show go before its images: its models delete their own objects.
    for (int type = 0; type < kSectionTypeCount; ++type) {
        if (const Snapshot* state = g_kernel.types[type].state) state->take_back();
        g_kernel.type_loaded[type] = s_aside.type_loaded[type];
    }
    for (const Snapshot* state : kEngineStateAside) state->take_back();
    g_kernel.types_to_load = s_aside.types_to_load;
    g_kernel.types_loaded = s_aside.types_loaded;
    end_second_image_table(false);
}

void start_clock() {
    const uint64_t frequency = clock_frequency();
    if (frequency == 0 || counter_frequency() == 0) fatal_error("High-resolution performance counter not available");
    g_kernel.clock_frequency = float(frequency);
    g_kernel.counter_frequency = float(counter_frequency());
    g_kernel.last_counter = read_clock();
}

bool draw_frame() {
    g_kernel.section_time_sum = 0.0f;

    while (g_kernel.pending && g_kernel.pending->start <= g_kernel.demo_time) {
        Section* section = g_kernel.pending;
        // Off the pending list before its init runs: an init that fails leaves it on neither list.
        unlink(&g_kernel.pending, section, kPending);
        call_timed(section, g_kernel.types[section->type].init);
        // Among equal layers the section started last renders first.
        insert_sorted(&g_kernel.active, section, kActive, [](const Section& x) { return x.layer; });
    }

    for (Section* section = g_kernel.active; section;) {
        Section* next = section->next_active;
        if (section->end <= g_kernel.demo_time) {
            unlink(&g_kernel.active, section, kActive);
        } else {
            section->run_time += g_kernel.frame_time;
            call_timed(section, g_kernel.types[section->type].render);
        }
        section = next;
    }

    if (g_drawfps) {
        draw_frame_rate();
    } else if (g_debug) {
        draw_statistics();
    }
    return g_kernel.pending || g_kernel.active;
}

bool run_frame() {
    const bool going_on = draw_frame();
    if (g_kernel.gentle) gentle_view_frame(g_kernel.demo_time);
    present_frame();
    return going_on;
}

void advance_clock() {
    const uint64_t now = read_clock();
    const uint64_t ticks = now - g_kernel.last_counter;
    ++g_kernel.frame_count;
    ++g_kernel.rate_window_frames;
    g_kernel.frame_time = float(ticks) / g_kernel.clock_frequency;
    g_kernel.last_counter = now;
    // The demo time follows this sum alone, never the counter or the music.
    g_kernel.demo_time += g_kernel.frame_time;

    // A window longer than half a second closes; the first frame closes one at once.
    const uint64_t window = now - g_kernel.rate_window_start;
    if (2.0f * float(window) > g_kernel.clock_frequency) {
        g_kernel.frame_rate = float(g_kernel.rate_window_frames) * g_kernel.clock_frequency / float(window);
        g_kernel.rate_window_frames = 0;
        g_kernel.rate_window_start = now;
    }

    g_kernel.kernel_time = g_kernel.frame_time - g_kernel.section_time_sum;
    g_kernel.kernel_percent = g_kernel.frame_time > 0.0f ? g_kernel.kernel_time * 100.0f / g_kernel.frame_time : 0.0f;
}
