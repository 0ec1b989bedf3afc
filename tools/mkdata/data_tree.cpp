// data_tree.cpp -- collecting, encoding and writing the generated files
#include "data_tree.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "jpeg_writer.h"
#include "tga_writer.h"

namespace fs = std::filesystem;

void DataTree::add(const std::string& path, std::string bytes) {
    std::lock_guard<std::mutex> guard(lock_);
    files_[path] = std::move(bytes);
}

void DataTree::add_jpeg(const std::string& path, const Raster& raster, int quality) {
    add(path, encode_jpeg(raster, quality));
}

void DataTree::add_tga(const std::string& path, const Raster& raster, bool alpha) {
    add(path, encode_tga(raster, alpha));
}

size_t DataTree::count() const {
    std::lock_guard<std::mutex> guard(lock_);
    return files_.size();
}

size_t DataTree::bytes() const {
    std::lock_guard<std::mutex> guard(lock_);
    size_t total = 0;
    for (const auto& [path, data] : files_) total += data.size();
    return total;
}

bool DataTree::write(const std::string& dir, std::string* error) const {
    std::lock_guard<std::mutex> guard(lock_);
    for (const auto& [path, data] : files_) {
        const fs::path target = fs::path(dir) / path;
        std::error_code ec;
        fs::create_directories(target.parent_path(), ec);
        FILE* out = fopen(target.c_str(), "wb");
        if (!out) {
            *error = "cannot write " + target.string();
            return false;
        }
        const bool ok = fwrite(data.data(), 1, data.size(), out) == data.size();
        if (fclose(out) != 0 || !ok) {
            *error = "cannot write " + target.string();
            return false;
        }
    }
    return true;
}
