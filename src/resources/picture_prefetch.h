// picture_prefetch.h -- the loading phase's pictures read and decoded on a second thread, ahead of their loaders
#pragma once

#include <span>
#include <string>
#include <vector>

#include "resources/asset.h"
#include "resources/picture_file.h"

// The lower-cased paths of the pictures that loading these assets reads, in the order their loaders
// read them: each picture, the six faces of each skybox, the texture maps that each model names
// (its file is read here for them).
std::vector<std::string> list_asset_pictures(std::span<const SectionAsset> assets, bool from_archive);

// Starts a second thread that reads and decodes the pictures at these lower-cased paths, in this
// order and each path once, while the loading phase goes on uploading what it has. Any earlier
// list is stopped first.
void start_picture_prefetch(std::vector<std::string> paths, bool from_archive);

// The picture at the lower-cased path, if it is on the list: true, with the loader's result code and
// the picture, waiting for the second thread when it has not finished it (and having it read that
// one next when it has not begun). Asked for again, the same picture, its pixels shared and its
// ticks zero. False: the caller reads it itself, as it is not on the list, or libjpeg faulted or
// warned about it and it is to be decoded aloud.
bool take_prefetched_picture(const std::string& path, bool from_archive, DecodedImage* picture, int* result,
                             PictureTicks* ticks);

// Stops the second thread, leaving what it had not read, and drops the pictures it kept.
void stop_picture_prefetch();

// What became of the latest list, kept from its stop until the next start.
struct PrefetchedPicture {
    std::string path;  // lower-cased
    int decodes = 0;   // by the second thread
    int takes = 0;     // loaders that asked for it
};
struct PrefetchReport {
    std::vector<PrefetchedPicture> pictures;   // the list, each path once, in its order
    std::vector<std::string> read_by_loaders;  // asked for while the list was up, but read on the loaders' thread
};
const PrefetchReport& picture_prefetch_report();
