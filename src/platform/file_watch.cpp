// file_watch.cpp -- inotify watches on a directory tree, drained without blocking
#include "platform/file_watch.h"

#include <dirent.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kChanges = IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_DELETE | IN_MOVED_FROM;

struct WatchedDirectory {
    int descriptor;
    std::string path;  // relative to the root, "" for the root itself, else ending in '/'
};

struct WatchState {
    int fd = -1;
    std::string root;
    std::vector<WatchedDirectory> directories;
    alignas(inotify_event) char events[16 * 1024];  // read but not yet taken
    int used = 0;
    int taken = 0;
} s_watch;

void watch_tree(const std::string& relative) {
    const std::string full = s_watch.root + "/" + relative;
    const int descriptor = inotify_add_watch(s_watch.fd, full.c_str(), kChanges | IN_ONLYDIR);
    if (descriptor < 0) return;
    s_watch.directories.push_back({descriptor, relative});
    DIR* dir = opendir(full.c_str());
    if (!dir) return;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        if (entry->d_type == DT_DIR) watch_tree(relative + entry->d_name + "/");
    }
    closedir(dir);
}

const std::string* directory_of(int descriptor) {
    for (const WatchedDirectory& d : s_watch.directories) {
        if (d.descriptor == descriptor) return &d.path;
    }
    return nullptr;
}

}  // namespace

bool start_watching(const char* root) {
    s_watch.fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (s_watch.fd < 0) return false;
    s_watch.root = root;
    watch_tree("");
    return true;
}

bool next_changed_file(char (&path)[kWatchPathSize]) {
    if (s_watch.fd < 0) return false;
    for (;;) {
        if (s_watch.taken >= s_watch.used) {
            const ssize_t n = read(s_watch.fd, s_watch.events, sizeof s_watch.events);
            if (n <= 0) return false;
            s_watch.used = int(n);
            s_watch.taken = 0;
        }
        const auto* event = reinterpret_cast<const inotify_event*>(s_watch.events + s_watch.taken);
        s_watch.taken += int(sizeof(inotify_event) + event->len);
        if (event->len == 0 || (event->mask & IN_ISDIR)) continue;
        const std::string* directory = directory_of(event->wd);
        if (!directory) continue;
        const int n = snprintf(path, sizeof path, "%s%s", directory->c_str(), event->name);
        if (n > 0 && n < int(sizeof path)) return true;
    }
}

void stop_watching() {
    if (s_watch.fd >= 0) close(s_watch.fd);
    s_watch = WatchState();
}
