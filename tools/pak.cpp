// pak.cpp -- varnel-tool pak: writes the archive layout that the player reads, and reads it back
#include "pak.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
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

// Whether target, resolved, lies under root, resolved.
bool lies_under(const fs::path& root, const fs::path& target) {
    return std::mismatch(root.begin(), root.end(), target.begin(), target.end()).first == root.end();
}

// Why a symbolic link found under dir is not packed, or nullptr when its target is a regular file
// under dir: then that file is packed under the link's name.
const char* link_refusal(const fs::path& link, const fs::path& root) {
    std::error_code ec;
    const fs::path target = fs::canonical(link, ec);
    if (ec || !fs::is_regular_file(target, ec)) return "a symbolic link to no regular file";
    if (!lies_under(root, target)) return "a symbolic link to a file outside the directory";
    return nullptr;
}

// Creates name's file under the directory root_fd, making the directories on the way, and opens it
// for writing. Nothing is reached through a symbolic link: a link anywhere on the way refuses the
// entry, whatever it points at. An existing file is replaced (unlinked first, so that another name
// of it keeps its bytes) only with force. -1, with *why set, when refused or failed; *at names the
// path that stood in the way.
int create_entry(int root_fd, const std::string& name, bool force, std::string* at, std::string* why) {
    std::vector<std::string> parts;
    for (size_t begin = 0; begin <= name.size();) {
        size_t slash = name.find('/', begin);
        if (slash == std::string::npos) slash = name.size();
        if (slash > begin) parts.push_back(name.substr(begin, slash - begin));
        begin = slash + 1;
    }
    if (parts.empty()) {
        *why = "no file name";
        return -1;
    }
    const auto is_link = [](int fd, const char* part) {
        struct stat st;
        return fstatat(fd, part, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode);
    };
    int fd = dup(root_fd);
    for (size_t i = 0; fd >= 0 && i + 1 < parts.size(); ++i) {
        at->append(parts[i]).push_back('/');
        const char* part = parts[i].c_str();
        int next = openat(fd, part, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0 && errno == ENOENT && mkdirat(fd, part, 0777) == 0) {
            next = openat(fd, part, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        }
        if (next < 0) *why = is_link(fd, part) ? "refused, a symbolic link is in the way" : strerror(errno);
        close(fd);
        fd = next;
    }
    if (fd < 0) {
        at->pop_back();
        return -1;
    }
    const char* leaf = parts.back().c_str();
    at->append(leaf);
    int out = -1;
    if (is_link(fd, leaf)) {
        *why = "refused, a symbolic link is in the way";
    } else {
        if (force && unlinkat(fd, leaf, 0) != 0 && errno != ENOENT) {
            *why = strerror(errno);
        } else {
            out = openat(fd, leaf, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
            if (out < 0) *why = errno == EEXIST ? "exists; --force replaces it" : strerror(errno);
        }
    }
    close(fd);
    return out;
}

}  // namespace

int pak_create(const std::string& archive, const std::string& dir) {
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) return fail(dir + ": not a directory");
    const std::string temp = archive + ".tmp";
    const fs::path root = fs::canonical(dir, ec);

    std::vector<PackedFile> files;
    for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        PackedFile file;
        file.name = it->path().lexically_relative(dir).generic_string();
        file.path = it->path();
        if (it->is_symlink(ec)) {
            if (const char* why = link_refusal(file.path, root)) {
                fprintf(stderr, "varnel-tool: %s: skipped, %s\n", file.path.c_str(), why);
                continue;
            }
        } else if (!it->is_regular_file(ec)) {
            continue;
        }
        if (same_file(it->path(), archive) || same_file(it->path(), temp)) continue;
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

int pak_extract(const std::string& archive, const std::string& dir, bool force) {
    if (!open_for_list(archive)) return 1;
    std::error_code ec;
    fs::create_directories(dir, ec);
    const int root_fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root_fd < 0) return fail("cannot write into " + dir + ": " + strerror(errno));
    FILE* in = fopen(archive.c_str(), "rb");
    if (!in) {
        close(root_fd);
        return fail("cannot open " + archive);
    }
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
        std::string at = dir + (dir.empty() || dir.back() == '/' ? "" : "/");
        std::string why;
        const int fd = create_entry(root_fd, name, force, &at, &why);
        FILE* out = fd >= 0 ? fdopen(fd, "wb") : nullptr;
        if (!out) {
            if (fd >= 0) close(fd);
            status = fail(at + ": " + (why.empty() ? "cannot write" : why));
            continue;
        }
        const std::string target = at;
        const bool ok = fseeko(in, entry.offset, SEEK_SET) == 0 && copy_bytes(in, out, entry.length);
        if (fclose(out) != 0 || !ok) {
            status = fail("cannot write " + target);
            continue;
        }
        ++written;
    }
    fclose(in);
    close(root_fd);
    printf("extracted %d of %d entries into %s\n", written, count, dir.c_str());
    return status;
}
