// file_watch.h -- the files of a directory tree that change on disk, through inotify, read without waiting
#pragma once

inline constexpr int kWatchPathSize = 512;

// Watches root and every directory beneath it for files written, created, moved in or deleted
// (editors that save by renaming included). False when inotify cannot be had.
bool start_watching(const char* root);

// The next file changed, as a path relative to root ("textures/flame.jpg"); false when none is
// waiting. A file changed several times may come several times.
bool next_changed_file(char (&path)[kWatchPathSize]);

void stop_watching();
