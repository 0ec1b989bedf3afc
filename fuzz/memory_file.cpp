// memory_file.cpp -- fuzz inputs as streams over memory
#include "memory_file.h"

FILE* open_memory_file(const uint8_t* data, size_t size, const char* mode) {
    // fmemopen wants a writable buffer; a read mode never writes to it.
    static uint8_t empty[1];
    return fmemopen(size ? const_cast<uint8_t*>(data) : empty, size, mode);
}

bool open_memory_source(const uint8_t* data, size_t size, DataSource* source) {
    *source = memory_source(data, size);
    return true;
}
