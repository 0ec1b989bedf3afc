// picture_prefetch.cpp -- a worker thread that decodes a list of pictures while the loaders upload
#include "resources/picture_prefetch.h"

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "core/ascii_case.h"
#include "core/timer.h"
#include "resources/data_source.h"
#include "resources/load_timings.h"
#include "resources/model3ds.h"
#include "resources/skybox.h"

namespace {

enum class SlotState { Waiting, Reading, Done };

struct Slot {
    std::string path;       // lower-cased; never written while the worker runs
    SlotState state = SlotState::Waiting;
    int result = 0;         // the loader's code
    DecodedImage picture;   // given to every loader that asks, its pixels shared
    PictureTicks ticks;
    int decodes = 0;
    int takes = 0;
};

struct PrefetchState {
    std::mutex mutex;              // guards every slot's state, counts and picture, wanted and the stop flag
    std::condition_variable done;  // a slot has been read
    std::vector<Slot> slots;       // in the order the loaders are expected to ask
    size_t next = 0;               // the worker's place in the list
    long wanted = -1;              // a slot a loader waits for that the worker had not begun: read next
    bool from_archive = false;
    bool stop = false;             // the worker leaves the slots it has not begun
    bool reading = false;          // the worker has not left
    std::thread worker;
    bool exit_hook = false;        // stop_picture_prefetch runs at exit
    PrefetchReport report;         // the latest list's, filled in as it goes and at its stop
} s_prefetch;

// The slot the worker reads next, under the lock: the one a loader waits for, else the next in order.
Slot* next_slot() {
    std::vector<Slot>& slots = s_prefetch.slots;
    if (s_prefetch.wanted >= 0 && slots[size_t(s_prefetch.wanted)].state == SlotState::Waiting) {
        return &slots[size_t(s_prefetch.wanted)];
    }
    while (s_prefetch.next < slots.size() && slots[s_prefetch.next].state != SlotState::Waiting) ++s_prefetch.next;
    return s_prefetch.next < slots.size() ? &slots[s_prefetch.next] : nullptr;
}

void read_slots() {
    for (;;) {
        Slot* slot = nullptr;
        {
            std::lock_guard<std::mutex> lock(s_prefetch.mutex);
            if (s_prefetch.stop || !(slot = next_slot())) {
                s_prefetch.reading = false;
                break;
            }
            slot->state = SlotState::Reading;
        }
        // Quiet: whatever libjpeg has to say, it says on the loader's thread, as without this one.
        DecodedImage picture;
        PictureTicks ticks;
        const int result = read_picture(slot->path, s_prefetch.from_archive, JpegFaults::Defer, &picture, &ticks);
        {
            std::lock_guard<std::mutex> lock(s_prefetch.mutex);
            slot->result = result;
            slot->picture = std::move(picture);
            slot->ticks = ticks;
            ++slot->decodes;
            slot->state = SlotState::Done;
        }
        s_prefetch.done.notify_all();
    }
    s_prefetch.done.notify_all();
}

}  // namespace

std::vector<std::string> list_asset_pictures(std::span<const SectionAsset> assets, bool from_archive) {
    std::vector<std::string> paths;
    for (const SectionAsset& asset : assets) {
        switch (asset.kind) {
        case SectionAsset::kImage:
        case SectionAsset::kSkyboxImage:
            paths.push_back(ascii_lower(asset.path));
            break;
        case SectionAsset::kSkybox:
            for (int face = 0; face < 6; ++face) {
                char path[64];
                if (skybox_face_path(asset.path, kSkyboxJpeg, face, path)) paths.push_back(ascii_lower(path));
            }
            break;
        case SectionAsset::kModel: {
            DataSource source;
            const std::string model = std::string(asset.path) + asset.file;
            if (open_data_source(model.c_str(), from_archive, &source) != kSourceOk) break;
            for (const std::string& map : list_3ds_maps(&source)) paths.push_back(ascii_lower(asset.path + map));
            close_data_source(&source);
            break;
        }
        }
    }
    return paths;
}

void start_picture_prefetch(std::vector<std::string> paths, bool from_archive) {
    stop_picture_prefetch();
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
    // A web page without threads: the loaders read every picture themselves.
    (void)paths, (void)from_archive;
    return;
#endif
    // A fatal error or libjpeg's exit may end the process meanwhile: the worker is stopped before
    // the statics it reads go.
    if (!s_prefetch.exit_hook) s_prefetch.exit_hook = std::atexit(stop_picture_prefetch) == 0;
    s_prefetch.report = PrefetchReport();
    for (std::string& path : paths) {
        bool listed = false;
        for (const Slot& slot : s_prefetch.slots) listed = listed || slot.path == path;
        if (!listed) s_prefetch.slots.emplace_back().path = std::move(path);
    }
    s_prefetch.next = 0;
    s_prefetch.wanted = -1;
    s_prefetch.from_archive = from_archive;
    s_prefetch.stop = false;
    s_prefetch.reading = true;
    s_prefetch.worker = std::thread(read_slots);
}

bool take_prefetched_picture(const std::string& path, bool from_archive, DecodedImage* picture, int* result,
                             PictureTicks* ticks) {
    if (s_prefetch.slots.empty()) return false;
    std::unique_lock<std::mutex> lock(s_prefetch.mutex);
    Slot* slot = nullptr;
    for (Slot& s : s_prefetch.slots) {
        if (s.path == path) slot = &s;
    }
    if (!slot || from_archive != s_prefetch.from_archive) {
        s_prefetch.report.read_by_loaders.push_back(path);
        return false;
    }
    if (slot->state != SlotState::Done) {
        if (slot->state == SlotState::Waiting) s_prefetch.wanted = slot - s_prefetch.slots.data();
        const uint64_t waiting = read_counter();
        s_prefetch.done.wait(lock, [&] { return slot->state == SlotState::Done || !s_prefetch.reading; });
        g_load_timings.prefetch_wait_ticks += read_counter() - waiting;
    }
    ++slot->takes;
    if (slot->state != SlotState::Done || slot->result == kImageDecodeAloud) {
        s_prefetch.report.read_by_loaders.push_back(path);
        return false;
    }
    *result = slot->result;
    *picture = slot->picture;
    // Read once: a loader that asks again reads nothing.
    *ticks = slot->takes == 1 ? slot->ticks : PictureTicks();
    return true;
}

void stop_picture_prefetch() {
    {
        std::lock_guard<std::mutex> lock(s_prefetch.mutex);
        s_prefetch.stop = true;
    }
    if (s_prefetch.worker.joinable()) s_prefetch.worker.join();
    for (const Slot& slot : s_prefetch.slots) s_prefetch.report.pictures.push_back({slot.path, slot.decodes, slot.takes});
    s_prefetch.slots.clear();
}

const PrefetchReport& picture_prefetch_report() {
    return s_prefetch.report;
}
