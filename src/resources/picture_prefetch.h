// picture_prefetch.h -- the loading phase's pictures read and decoded on a second thread, ahead of their loaders
#pragma once

#include <string>
#include <vector>

#include "resources/picture_file.h"

// Starts a second thread that reads and decodes the pictures at these lower-cased paths, in this
// order, while the loading phase goes on uploading what it has. Any earlier list is stopped first.
void start_picture_prefetch(std::vector<std::string> paths, bool from_archive);

// The picture at the lower-cased path, if it is on the list and not yet taken: true, with the
// loader's result code and the picture, waiting for it when the second thread is at it and taking
// it over when that thread has not reached it yet. False: the caller reads it itself. A picture
// that libjpeg faulted or warned about is given back to the caller, to be decoded aloud.
bool take_prefetched_picture(const std::string& path, bool from_archive, DecodedImage* picture, int* result,
                             PictureTicks* ticks);

// Stops the second thread, leaving what it had not read, and drops the pictures nobody took.
void stop_picture_prefetch();
