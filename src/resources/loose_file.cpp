// loose_file.cpp -- finds loose data files without regard to letter case
#include "resources/loose_file.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "core/ascii_case.h"

namespace {

// Appends to dir (empty for the working directory) the entry of it that matches name.
bool append_component(std::string* dir, const char* name, size_t length) {
    std::string exact = *dir + std::string(name, length);
    struct stat st;
    if (stat(exact.c_str(), &st) == 0) {
        *dir = std::move(exact);
        return true;
    }

    DIR* d = opendir(dir->empty() ? "." : dir->c_str());
    if (!d) return false;
    const std::string wanted(name, length);
    std::string best;
    while (const dirent* e = readdir(d)) {
        if (ascii_equal_nocase(e->d_name, wanted.c_str()) && (best.empty() || strcmp(e->d_name, best.c_str()) < 0)) {
            best = e->d_name;
        }
    }
    closedir(d);
    if (best.empty()) return false;
    *dir += best;
    return true;
}

// The existing path that matches path component by component, or false.
bool resolve_nocase(const char* path, std::string* resolved) {
    resolved->clear();
    const char* p = path;
    if (*p == '/') {
        *resolved = "/";
        ++p;
    }
    while (*p) {
        const char* slash = strchr(p, '/');
        const size_t length = slash ? size_t(slash - p) : strlen(p);
        const bool dots = (length == 1 && p[0] == '.') || (length == 2 && p[0] == '.' && p[1] == '.');
        if (length == 0 || dots) {
            resolved->append(p, length);
        } else if (!append_component(resolved, p, length)) {
            return false;
        }
        if (!slash) break;
        *resolved += '/';
        p = slash + 1;
    }
    return !resolved->empty();
}

// fopen that accepts regular files only: a directory opens for reading but yields no data.
FILE* open_regular(const char* path, const char* mode) {
    FILE* file = fopen(path, mode);
    struct stat st;
    if (file && (fstat(fileno(file), &st) != 0 || !S_ISREG(st.st_mode))) {
        fclose(file);
        return nullptr;
    }
    return file;
}

}  // namespace

FILE* open_loose_file(const char* path, const char* mode) {
    if (FILE* file = open_regular(path, mode)) return file;
    std::string resolved;
    if (!resolve_nocase(path, &resolved) || resolved == path) return nullptr;
    return open_regular(resolved.c_str(), mode);
}
