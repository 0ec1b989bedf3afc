// loose_file.h -- opens a loose data file the way a case-insensitive file system would find it
#pragma once

#include <cstdio>

// Opens path with fopen's mode. When the exact path does not open, every component of it is looked
// for in its directory without regard to ASCII letter case (an exact match first, then the first
// match in byte order), so "models/varnellogo/x.tga" finds "models/VarnelLogo/x.tga".
// nullptr when no such file exists or it cannot be opened.
FILE* open_loose_file(const char* path, const char* mode);
