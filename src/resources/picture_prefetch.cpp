// picture_prefetch.cpp -- a worker thread that decodes a list of pictures while the loaders upload
#include "resources/picture_prefetch.h"

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "core/timer.h"
#include "resources/load_timings.h"

namespace {

enum class SlotState { Waiting, Reading, Done, Taken };

struct Slot {
    std::string path;       // lower-cased
    SlotState state = SlotState::Waiting;
    int result = 0;         // the loader's code
    DecodedImage picture;
    PictureTicks ticks;
};

struct PrefetchState {
    std::mutex mutex;              // guards every slot's state and the stop flag
    std::condition_variable done;  // a slot has been read
    std::vector<Slot> slots;       // in the order the loaders are expected to ask
    bool from_archive = false;
    bool stop = false;             // the worker leaves the slots it has not begun
    std::thread worker;
    bool exit_hook = false;        // stop_picture_prefetch runs at exit
} s_prefetch;

void read_slots() {
    for (Slot& slot : s_prefetch.slots) {
        {
            std::lock_guard<std::mutex> lock(s_prefetch.mutex);
            if (s_prefetch.stop) return;
            if (slot.state != SlotState::Waiting) continue;
            slot.state = SlotState::Reading;
        }
        // Quiet: whatever libjpeg has to say, it says on the loader's thread, as without this one.
        DecodedImage picture;
        PictureTicks ticks;
        const int result = read_picture(slot.path, s_prefetch.from_archive, JpegFaults::Defer, &picture, &ticks);
        {
            std::lock_guard<std::mutex> lock(s_prefetch.mutex);
            slot.result = result;
            slot.picture = std::move(picture);
            slot.ticks = ticks;
            slot.state = SlotState::Done;
        }
        s_prefetch.done.notify_all();
    }
}

}  // namespace

void start_picture_prefetch(std::vector<std::string> paths, bool from_archive) {
    stop_picture_prefetch();
    // A fatal error or libjpeg's exit may end the process meanwhile: the worker is stopped before
    // the statics it reads go.
    if (!s_prefetch.exit_hook) s_prefetch.exit_hook = std::atexit(stop_picture_prefetch) == 0;
    s_prefetch.slots.resize(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) s_prefetch.slots[i].path = std::move(paths[i]);
    s_prefetch.from_archive = from_archive;
    s_prefetch.stop = false;
    s_prefetch.worker = std::thread(read_slots);
}

bool take_prefetched_picture(const std::string& path, bool from_archive, DecodedImage* picture, int* result,
                             PictureTicks* ticks) {
    if (s_prefetch.slots.empty() || from_archive != s_prefetch.from_archive) return false;
    std::unique_lock<std::mutex> lock(s_prefetch.mutex);
    for (Slot& slot : s_prefetch.slots) {
        if (slot.path != path || slot.state == SlotState::Taken) continue;
        if (slot.state == SlotState::Waiting) {
            // Not begun: read here rather than wait for the worker to get to it.
            slot.state = SlotState::Taken;
            return false;
        }
        const uint64_t waiting = read_counter();
        s_prefetch.done.wait(lock, [&] { return slot.state == SlotState::Done; });
        g_load_timings.prefetch_wait_ticks += read_counter() - waiting;
        slot.state = SlotState::Taken;
        if (slot.result == kImageDecodeAloud) return false;
        *result = slot.result;
        *picture = std::move(slot.picture);
        *ticks = slot.ticks;
        return true;
    }
    return false;
}

void stop_picture_prefetch() {
    {
        std::lock_guard<std::mutex> lock(s_prefetch.mutex);
        s_prefetch.stop = true;
    }
    if (s_prefetch.worker.joinable()) s_prefetch.worker.join();
    s_prefetch.slots.clear();
}
