// data_source.h -- one bounded reader for every data loader: a loose file or an archive entry, read whole
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// The bytes of a data file or archive entry, read in one go when it is opened: reads never pass the
// end of the extent, and report a short read instead.
struct DataSource {
    std::unique_ptr<uint8_t[]> storage;  // the bytes, when the source owns them
    const uint8_t* data = nullptr;       // the file's or entry's bytes
    uint64_t length = 0;                 // bytes of the file or entry
    uint64_t position = 0;               // bytes consumed so far
};

// Results of open_data_source, the codes the image loader reports.
enum DataSourceResult {
    kSourceOk = 0,
    kSourceNoFile = -1,        // from disk: the file cannot be opened or read
    kSourceNoArchiveFile = -2, // from the archive: data.dat cannot be opened or read (or is shorter than its directory says)
    kSourceNotInArchive = -3,  // from the archive: no such entry, or no archive
};

// Reads path whole from data.dat (from_archive) or as a loose file found without regard to case.
int open_data_source(const char* path, bool from_archive, DataSource* source);
void close_data_source(DataSource* source);
// Why a file could not be opened, in words, for an open_data_source code other than kSourceOk.
const char* data_source_failure(int code);

// A source over bytes that the caller keeps for as long as it reads.
DataSource memory_source(const uint8_t* data, size_t length);

// Reads exactly n bytes; false, with nothing promised about out, when fewer remain.
bool read_bytes(DataSource* source, void* out, size_t n);
// Reads up to n bytes; returns how many.
size_t read_some(DataSource* source, void* out, size_t n);
bool skip_bytes(DataSource* source, uint64_t n);
// Moves to offset bytes from the start of the extent.
bool seek_to(DataSource* source, uint64_t offset);
uint64_t bytes_left(const DataSource& source);
// The bytes from the current position on, bytes_left of them.
const uint8_t* read_pointer(const DataSource& source);

// Little-endian fields.
bool read_u8(DataSource* source, uint8_t* value);
bool read_u16(DataSource* source, uint16_t* value);
bool read_u32(DataSource* source, uint32_t* value);
bool read_f32(DataSource* source, float* value);
