// archive.h -- the packed data archive "data.dat": its directory and how a reader opens an entry
#pragma once

#include <cstdint>
#include <cstdio>

inline constexpr const char* kArchiveName = "data.dat";
inline constexpr uint32_t kArchiveMagic = 0x4B434150;  // "PACK" read as a little-endian word
inline constexpr int kArchiveHeaderSize = 12;
inline constexpr int kArchiveEntrySize = 72;
inline constexpr int kArchiveNameSize = 64;  // name field on disk, terminator included

struct ArchiveEntry {
    char name[kArchiveNameSize + 1];  // always terminated, even when the field on disk is not
    uint32_t offset;                  // bytes from the start of the archive file
    uint32_t length;                  // bytes of data
};

// Result codes of open_archive_entry; the first two are those of find_archive_entry.
enum ArchiveEntryResult {
    kEntryOk = 0,
    kEntryNoArchive = -1,   // the directory was never read
    kEntryNotFound = -2,    // no entry of that name
    kEntryOpenFailed = -3,  // the archive file cannot be opened
    kEntryPastEnd = -4,     // the entry's data run past the end of the archive file
};

// Reads the directory of the archive at path (the player's is "data.dat") into the one process-wide
// directory, replacing any earlier one. 0 on success, -1 when the file cannot be opened, -2 when it
// is not an archive or its directory cannot be read whole; on failure no directory is available.
int open_archive(const char* path = kArchiveName);

// Looks name up without regard to ASCII letter case; the first matching entry wins.
// 0 and the entry's offset and length; -1 when no directory is available; -2 when absent.
// On failure offset and length are left alone.
int find_archive_entry(const char* name, uint32_t* offset, uint32_t* length);

// Opens the archive file afresh, as every load does, positioned at the first byte of the named entry.
// mode is "rb" for binary readers, "r" for the script. The caller closes the handle.
int open_archive_entry(const char* name, const char* mode, FILE** file, uint32_t* length);

// The directory as read, in file order; count 0 when none is available.
int archive_entry_count();
const ArchiveEntry* archive_entries();
