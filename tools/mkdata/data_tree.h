// data_tree.h -- the generated files, collected in memory and then written under one directory
#pragma once

#include <map>
#include <mutex>
#include <string>

#include "raster.h"

// Paths are relative, with '/'. Adding is safe from several threads; the files are written in
// path order whatever order they were made in.
class DataTree {
public:
    void add(const std::string& path, std::string bytes);
    void add_jpeg(const std::string& path, const Raster& raster, int quality = 88);
    void add_tga(const std::string& path, const Raster& raster, bool alpha);

    size_t count() const;
    size_t bytes() const;
    const std::map<std::string, std::string>& files() const { return files_; }

    // Writes every file under dir, making directories; false with a message on failure.
    bool write(const std::string& dir, std::string* error) const;

private:
    mutable std::mutex lock_;
    std::map<std::string, std::string> files_;
};
