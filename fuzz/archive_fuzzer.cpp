// archive_fuzzer.cpp -- an arbitrary data.dat: its directory, every look-up, every entry read the way
// the loaders read it, and the script entry parsed within its length
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "kernel/script.h"
#include "memory_file.h"
#include "resources/archive.h"

namespace {

// Each look-up walks the whole directory, so an input of many entries costs the square of their
// number: the first ones are looked up and read, however many the directory holds. Every record is
// still parsed and walked, and the fuzzer moves any record into the first places.
constexpr int kEntriesExercised = 32;

// The archive is opened by name, so the input goes to a file in memory that has one.
struct ArchiveFile {
    int fd = -1;
    char path[64] = {};
} s_file;

bool write_archive(const uint8_t* data, size_t size) {
    if (s_file.fd < 0) {
        s_file.fd = memfd_create("data.dat", 0);
        if (s_file.fd < 0) return false;
        snprintf(s_file.path, sizeof s_file.path, "/proc/self/fd/%d", s_file.fd);
    }
    // Written over the last input, then cut to length: the file keeps its pages from run to run, which
    // truncating it to nothing first would give back and fault in again each time.
    return pwrite(s_file.fd, data, size, 0) == ssize_t(size) && ftruncate(s_file.fd, off_t(size)) == 0;
}

void read_entry(const char* name) {
    DataSource source;
    if (open_data_source(name, true, &source) != kSourceOk) return;
    uint8_t buffer[4096];
    while (read_some(&source, buffer, sizeof buffer) > 0) {
    }
    close_data_source(&source);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!write_archive(data, size) || open_archive(s_file.path) != 0) return 0;

    // Every name must find an entry, in any letter case: the first of that name.
    for (int i = 0; i < archive_entry_count() && i < kEntriesExercised; ++i) {
        std::string name = archive_entries()[i].name;
        for (char& c : name) {
            if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        }
        uint32_t offset = 0;
        uint32_t length = 0;
        if (find_archive_entry(name.c_str(), &offset, &length) != 0) __builtin_trap();
        read_entry(name.c_str());
    }

    FILE* file = nullptr;
    uint32_t length = 0;
    if (open_archive_entry("script.txt", "r", &file, &length) == kEntryOk) {
        ScriptFault fault;
        read_script(file, length, &fault);
        fclose(file);
    }
    return 0;
}
