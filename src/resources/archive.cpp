// archive.cpp -- reads the directory of "data.dat" once and finds entries in it
#include "resources/archive.h"

#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/ascii_case.h"

namespace {

struct ArchiveState {
    bool available = false;              // a directory was read whole
    std::string path;                    // the file the directory came from; entries are read from it
    std::vector<ArchiveEntry> entries;   // in file order
} s_archive;

uint32_t read_u32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Size of an open file in bytes, or -1.
long long file_size(FILE* file) {
    struct stat st;
    if (fstat(fileno(file), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return st.st_size;
}

}  // namespace

int open_archive(const char* path) {
    s_archive.available = false;
    s_archive.entries.clear();
    s_archive.path = path;

    FILE* file = fopen(path, "rb");
    if (!file) return -1;

    unsigned char header[kArchiveHeaderSize];
    const long long size = file_size(file);
    if (size < kArchiveHeaderSize || fread(header, 1, sizeof header, file) != sizeof header ||
        read_u32(header) != kArchiveMagic) {
        fclose(file);
        return -2;
    }
    const uint32_t dir_offset = read_u32(header + 4);
    // A length that is not a multiple of the entry size holds only its whole entries.
    const uint32_t count = read_u32(header + 8) / kArchiveEntrySize;
    const long long dir_bytes = (long long)count * kArchiveEntrySize;
    if ((long long)dir_offset + dir_bytes > size || fseeko(file, dir_offset, SEEK_SET) != 0) {
        fclose(file);
        return -2;
    }

    std::vector<ArchiveEntry> entries(count);
    for (ArchiveEntry& entry : entries) {
        unsigned char raw[kArchiveEntrySize];
        if (fread(raw, 1, sizeof raw, file) != sizeof raw) {
            fclose(file);
            return -2;
        }
        // A name field without a terminator is a name of all 64 bytes.
        memcpy(entry.name, raw, kArchiveNameSize);
        entry.name[kArchiveNameSize] = '\0';
        entry.offset = read_u32(raw + 64);
        entry.length = read_u32(raw + 68);
    }
    fclose(file);

    s_archive.entries = std::move(entries);
    s_archive.available = true;
    return 0;
}

int find_archive_entry(const char* name, uint32_t* offset, uint32_t* length) {
    if (!s_archive.available) return -1;
    for (const ArchiveEntry& entry : s_archive.entries) {
        if (ascii_equal_nocase(entry.name, name)) {
            *offset = entry.offset;
            *length = entry.length;
            return 0;
        }
    }
    return -2;
}

int open_archive_entry(const char* name, const char* mode, FILE** file, uint32_t* length) {
    uint32_t offset = 0;
    uint32_t size = 0;
    const int found = find_archive_entry(name, &offset, &size);
    if (found != 0) return found;

    FILE* f = fopen(s_archive.path.c_str(), mode);
    if (!f) return kEntryOpenFailed;
    // The archive may have been written with a directory that promises more than the file holds.
    const long long file_bytes = file_size(f);
    if (file_bytes < 0 || (long long)offset + size > file_bytes || fseeko(f, offset, SEEK_SET) != 0) {
        fclose(f);
        return kEntryPastEnd;
    }
    *file = f;
    *length = size;
    return kEntryOk;
}

int archive_entry_count() {
    return s_archive.available ? (int)s_archive.entries.size() : 0;
}

const ArchiveEntry* archive_entries() {
    return s_archive.entries.data();
}
