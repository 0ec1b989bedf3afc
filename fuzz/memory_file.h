// memory_file.h -- a fuzz input handed to the loaders as the open file they read from
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "resources/data_source.h"

// The bytes as a read-only stream; nullptr only when the C library cannot make one.
FILE* open_memory_file(const uint8_t* data, size_t size, const char* mode);

// The bytes as a loose data file of that length, as open_data_source would give it.
bool open_memory_source(const uint8_t* data, size_t size, DataSource* source);

// Every target's entry, as libFuzzer calls it; the replay runner calls it too.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
