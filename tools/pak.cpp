// pak.cpp -- varnel-tool pak: writes the archive layout that the player reads, and reads it back
#include "pak.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "core/ascii_case.h"
#include "resources/archive.h"

namespace fs = std::filesystem;

namespace {

struct PackedFile {
    std::string name;  // relative to the packed directory, '/' separated
    fs::path path;
    uint32_t offset = 0;
    uint32_t length = 0;
};

void put_u32(unsigned char* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

int fail(const std::string& message) {
    fprintf(stderr, "varnel-tool: %s\n", message.c_str());
    return 1;
}

// Copies length bytes from in to out; false on a short read or a failed write.
bool copy_bytes(FILE* in, FILE* out, uint64_t length) {
    std::vector<char> buffer(1 << 16);
    while (length > 0) {
        const size_t chunk = size_t(std::min<uint64_t>(length, buffer.size()));
        if (fread(buffer.data(), 1, chunk, in) != chunk || fwrite(buffer.data(), 1, chunk, out) != chunk) return false;
        length -= chunk;
    }
    return true;
}

bool same_file(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    return fs::exists(b, ec) && fs::equivalent(a, b, ec);
}

bool open_for_list(const std::string& archive) {
    switch (open_archive(archive.c_str())) {
    case 0:
        return true;
    case -1:
        fail("cannot open " + archive);
        return false;
    default:
        fail(archive + ": not an archive, or its directory lies past the end of the file");
        return false;
    }
}

// A name that stays inside the directory it is extracted to: relative, with no ".." component.
bool safe_entry_name(const std::string& name) {
    if (name.empty() || name.front() == '/') return false;
    size_t begin = 0;
    while (begin <= name.size()) {
        size_t slash = name.find('/', begin);
        if (slash == std::string::npos) slash = name.size();
        if (name.compare(begin, slash - begin, "..") == 0 && slash - begin == 2) return false;
        begin = slash + 1;
    }
    return true;
}

}  // namespace

int pak_create(const std::string& archive, const std::string& dir) {
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) return fail(dir + ": not a directory");
    const std::string temp = archive + ".tmp";

    std::vector<PackedFile> files;
    for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        if (same_file(it->path(), archive) || same_file(it->path(), temp)) continue;
        PackedFile file;
        file.name = it->path().lexically_relative(dir).generic_string();
        file.path = it->path();
        const uintmax_t size = it->file_size(ec);
        if (ec || size > UINT32_MAX) return fail(file.path.string() + ": cannot read its size, or it is 4 GiB or more");
        if (file.name.size() > size_t(kArchiveNameSize - 1)) {
            return fail(file.name + ": name longer than " + std::to_string(kArchiveNameSize - 1) + " characters");
        }
        file.length = uint32_t(size);
        files.push_back(std::move(file));
    }
    if (ec) return fail(dir + ": " + ec.message());
    std::sort(files.begin(), files.end(), [](const PackedFile& a, const PackedFile& b) { return a.name < b.name; });

    FILE* out = fopen(temp.c_str(), "wb");
    if (!out) return fail("cannot write " + temp);
    unsigned char header[kArchiveHeaderSize] = {};
    bool ok = fwrite(header, 1, sizeof header, out) == sizeof header;

    uint64_t offset = kArchiveHeaderSize;
    for (PackedFile& file : files) {
        if (!ok) break;
        FILE* in = fopen(file.path.c_str(), "rb");
        if (!in) {
            fclose(out);
            remove(temp.c_str());
            return fail("cannot read " + file.path.string());
        }
        ok = copy_bytes(in, out, file.length);
        fclose(in);
        file.offset = uint32_t(offset);
        offset += file.length;
        const uint64_t directory_end = offset + uint64_t(files.size()) * kArchiveEntrySize;
        if (directory_end > UINT32_MAX) {
            fclose(out);
            remove(temp.c_str());
            return fail("the archive would pass 4 GiB, which its offsets cannot address");
        }
    }

    for (const PackedFile& file : files) {
        unsigned char entry[kArchiveEntrySize] = {};
        file.name.copy(reinterpret_cast<char*>(entry), kArchiveNameSize - 1);
        put_u32(entry + 64, file.offset);
        put_u32(entry + 68, file.length);
        ok = ok && fwrite(entry, 1, sizeof entry, out) == sizeof entry;
    }
    put_u32(header, kArchiveMagic);
    put_u32(header + 4, uint32_t(offset));
    put_u32(header + 8, uint32_t(files.size() * kArchiveEntrySize));
    ok = ok && fseek(out, 0, SEEK_SET) == 0 && fwrite(header, 1, sizeof header, out) == sizeof header;
    ok = (fclose(out) == 0) && ok;
    if (!ok || rename(temp.c_str(), archive.c_str()) != 0) {
        remove(temp.c_str());
        return fail("cannot write " + archive);
    }
    const uint64_t total = offset + uint64_t(files.size()) * kArchiveEntrySize;
    printf("packed %zu files, %llu bytes, into %s\n", files.size(), (unsigned long long)total, archive.c_str());
    return 0;
}

int pak_list(const std::string& archive) {
    if (!open_for_list(archive)) return 1;
    const ArchiveEntry* entries = archive_entries();
    for (int i = 0; i < archive_entry_count(); ++i) {
        printf("%u %u %s\n", entries[i].offset, entries[i].length, entries[i].name);
    }
    return 0;
}

int pak_extract(const std::string& archive, const std::string& dir) {
    if (!open_for_list(archive)) return 1;
    FILE* in = fopen(archive.c_str(), "rb");
    if (!in) return fail("cannot open " + archive);
    std::error_code ec;
    const uint64_t archive_size = fs::file_size(archive, ec);

    const ArchiveEntry* entries = archive_entries();
    const int count = archive_entry_count();
    int status = 0;
    int written = 0;
    for (int i = 0; i < count; ++i) {
        const ArchiveEntry& entry = entries[i];
        const std::string name = entry.name;
        bool duplicate = false;
        for (int j = 0; j < i && !duplicate; ++j) duplicate = ascii_equal_nocase(entries[j].name, entry.name);
        if (duplicate) {
            fprintf(stderr, "varnel-tool: %s: skipped, an earlier entry has this name\n", entry.name);
            continue;
        }
        if (!safe_entry_name(name)) {
            status = fail(name + ": refused, the name leaves the directory");
            continue;
        }
        if (uint64_t(entry.offset) + entry.length > archive_size) {
            status = fail(name + ": its data run past the end of the archive");
            continue;
        }
        const fs::path target = fs::path(dir) / name;
        fs::create_directories(target.parent_path(), ec);
        FILE* out = fopen(target.c_str(), "wb");
        if (!out) {
            status = fail("cannot write " + target.string());
            continue;
        }
        const bool ok = fseeko(in, entry.offset, SEEK_SET) == 0 && copy_bytes(in, out, entry.length);
        if (fclose(out) != 0 || !ok) {
            status = fail("cannot write " + target.string());
            continue;
        }
        ++written;
    }
    fclose(in);
    printf("extracted %d of %d entries into %s\n", written, count, dir.c_str());
    return status;
}
