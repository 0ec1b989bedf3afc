// data_source.h -- one bounded reader for every data loader: a loose file or an archive entry
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// An open data file and the extent of its bytes: reads never pass the end of the file or of the
// archive entry, and report a short read instead.
struct DataSource {
    FILE* file = nullptr;
    uint64_t length = 0;    // bytes of the file or entry
    uint64_t position = 0;  // bytes consumed so far
};

// Results of open_data_source, the codes the image loader reports.
enum DataSourceResult {
    kSourceOk = 0,
    kSourceNoFile = -1,        // from disk: the file cannot be opened
    kSourceNoArchiveFile = -2, // from the archive: data.dat cannot be opened (or is shorter than its directory says)
    kSourceNotInArchive = -3,  // from the archive: no such entry, or no archive
};

// Opens path from data.dat (from_archive) or as a loose file found without regard to case.
int open_data_source(const char* path, bool from_archive, DataSource* source);
void close_data_source(DataSource* source);

// Reads exactly n bytes; false, with nothing promised about out, when fewer remain.
bool read_bytes(DataSource* source, void* out, size_t n);
// Reads up to n bytes; returns how many.
size_t read_some(DataSource* source, void* out, size_t n);
bool skip_bytes(DataSource* source, uint64_t n);
// Moves to offset bytes from the start of the extent.
bool seek_to(DataSource* source, uint64_t offset);
uint64_t bytes_left(const DataSource& source);

// Little-endian fields.
bool read_u8(DataSource* source, uint8_t* value);
bool read_u16(DataSource* source, uint16_t* value);
bool read_u32(DataSource* source, uint32_t* value);
bool read_f32(DataSource* source, float* value);
