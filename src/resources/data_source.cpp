// data_source.cpp -- opening a data file from disk or data.dat and reading it within its extent
#include "resources/data_source.h"

#include <sys/stat.h>

#include <cstring>

#include "resources/archive.h"
#include "resources/loose_file.h"

int open_data_source(const char* path, bool from_archive, DataSource* source) {
    *source = DataSource();
    if (from_archive) {
        uint32_t length = 0;
        const int result = open_archive_entry(path, "rb", &source->file, &length);
        if (result == kEntryNoArchive || result == kEntryNotFound) return kSourceNotInArchive;
        if (result != kEntryOk) return kSourceNoArchiveFile;
        source->length = length;
        return kSourceOk;
    }
    source->file = open_loose_file(path, "rb");
    if (!source->file) return kSourceNoFile;
    struct stat st;
    if (fstat(fileno(source->file), &st) != 0) {
        close_data_source(source);
        return kSourceNoFile;
    }
    source->length = uint64_t(st.st_size);
    return kSourceOk;
}

void close_data_source(DataSource* source) {
    if (source->file) fclose(source->file);
    *source = DataSource();
}

uint64_t bytes_left(const DataSource& source) {
    return source.length - source.position;
}

size_t read_some(DataSource* source, void* out, size_t n) {
    if (n > bytes_left(*source)) n = size_t(bytes_left(*source));
    const size_t got = n ? fread(out, 1, n, source->file) : 0;
    source->position += got;
    return got;
}

bool read_bytes(DataSource* source, void* out, size_t n) {
    return n <= bytes_left(*source) && read_some(source, out, n) == n;
}

bool skip_bytes(DataSource* source, uint64_t n) {
    if (n > bytes_left(*source) || fseeko(source->file, off_t(n), SEEK_CUR) != 0) return false;
    source->position += n;
    return true;
}

bool seek_to(DataSource* source, uint64_t offset) {
    if (offset > source->length) return false;
    const int64_t delta = int64_t(offset) - int64_t(source->position);
    if (fseeko(source->file, off_t(delta), SEEK_CUR) != 0) return false;
    source->position = offset;
    return true;
}

bool read_u8(DataSource* source, uint8_t* value) {
    return read_bytes(source, value, 1);
}

bool read_u16(DataSource* source, uint16_t* value) {
    uint8_t b[2];
    if (!read_bytes(source, b, 2)) return false;
    *value = uint16_t(b[0] | b[1] << 8);
    return true;
}

bool read_u32(DataSource* source, uint32_t* value) {
    uint8_t b[4];
    if (!read_bytes(source, b, 4)) return false;
    *value = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    return true;
}

bool read_f32(DataSource* source, float* value) {
    uint32_t bits = 0;
    if (!read_u32(source, &bits)) return false;
    memcpy(value, &bits, sizeof bits);
    return true;
}
