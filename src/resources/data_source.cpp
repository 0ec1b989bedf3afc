// data_source.cpp -- reading a data file from disk or data.dat into memory at once, then within its extent
#include "resources/data_source.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "resources/archive.h"
#include "resources/loose_file.h"

namespace {

// One read of length bytes from the file's current position into the source.
bool read_whole(FILE* file, uint64_t length, DataSource* source) {
    if (length > SIZE_MAX) return false;
    source->storage.reset(new (std::nothrow) uint8_t[length ? size_t(length) : 1]);
    if (!source->storage) return false;
    if (length > 0 && fread(source->storage.get(), 1, size_t(length), file) != size_t(length)) return false;
    source->data = source->storage.get();
    source->length = length;
    return true;
}

}  // namespace

int open_data_source(const char* path, bool from_archive, DataSource* source) {
    *source = DataSource();
    if (from_archive) {
        FILE* file = nullptr;
        uint32_t length = 0;
        const int result = open_archive_entry(path, "rb", &file, &length);
        if (result == kEntryNoArchive || result == kEntryNotFound) return kSourceNotInArchive;
        if (result != kEntryOk) return kSourceNoArchiveFile;
        const bool read = read_whole(file, length, source);
        fclose(file);
        if (!read) {
            close_data_source(source);
            return kSourceNoArchiveFile;
        }
        return kSourceOk;
    }
    FILE* file = open_loose_file(path, "rb");
    if (!file) return kSourceNoFile;
    struct stat st;
    const bool read = fstat(fileno(file), &st) == 0 && read_whole(file, uint64_t(st.st_size), source);
    fclose(file);
    if (!read) {
        close_data_source(source);
        return kSourceNoFile;
    }
    return kSourceOk;
}

const char* data_source_failure(int code) {
    switch (code) {
    case kSourceNoFile:
        return "no such file";
    case kSourceNoArchiveFile:
        return "data.dat cannot be opened or is shorter than its directory says";
    default:
        return "not in data.dat";
    }
}

void close_data_source(DataSource* source) {
    *source = DataSource();
}

DataSource memory_source(const uint8_t* data, size_t length) {
    DataSource source;
    source.data = data;
    source.length = length;
    return source;
}

uint64_t bytes_left(const DataSource& source) {
    return source.length - source.position;
}

const uint8_t* read_pointer(const DataSource& source) {
    return source.data + source.position;
}

size_t read_some(DataSource* source, void* out, size_t n) {
    if (n > bytes_left(*source)) n = size_t(bytes_left(*source));
    if (n) memcpy(out, read_pointer(*source), n);
    source->position += n;
    return n;
}

bool read_bytes(DataSource* source, void* out, size_t n) {
    return n <= bytes_left(*source) && read_some(source, out, n) == n;
}

bool skip_bytes(DataSource* source, uint64_t n) {
    if (n > bytes_left(*source)) return false;
    source->position += n;
    return true;
}

bool seek_to(DataSource* source, uint64_t offset) {
    if (offset > source->length) return false;
    source->position = offset;
    return true;
}

bool read_u8(DataSource* source, uint8_t* value) {
    if (bytes_left(*source) < 1) return false;
    *value = source->data[source->position++];
    return true;
}

bool read_u16(DataSource* source, uint16_t* value) {
    if (bytes_left(*source) < 2) return false;
    const uint8_t* b = read_pointer(*source);
    *value = uint16_t(b[0] | b[1] << 8);
    source->position += 2;
    return true;
}

bool read_u32(DataSource* source, uint32_t* value) {
    if (bytes_left(*source) < 4) return false;
    const uint8_t* b = read_pointer(*source);
    *value = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    source->position += 4;
    return true;
}

bool read_f32(DataSource* source, float* value) {
    uint32_t bits = 0;
    if (!read_u32(source, &bits)) return false;
    memcpy(value, &bits, sizeof bits);
    return true;
}
