// section.h -- the section record, the section type, and the table of the 21 types that the kernel runs
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/snapshot.h"
#include "resources/asset.h"

// One timed entry of the script. The parser fills type and the keyed fields; the kernel alone
// writes the links and the timing fields.
struct Section {
    int32_t type = 0;                  // row of the section type table
    float start = 0.0f;                // demo time, seconds; never negative
    float end = 0.0f;                  // demo time, seconds
    int32_t layer = 0;                 // active sections render in ascending layer
    Section* next_script = nullptr;    // script list, in script order
    Section* next_pending = nullptr;   // pending list, ascending start
    Section* prev_pending = nullptr;
    Section* next_active = nullptr;    // active list, ascending layer
    Section* prev_active = nullptr;
    float run_time = 0.0f;             // sum of the frame times of the frames it was rendered in
    float cpu_time = 0.0f;             // seconds spent in its latest init or render call
    float cpu_percent = 0.0f;          // the previous cpu_time as a share of the frame time
    int32_t sync_count = 0;            // sync times declared by "syncs"
    std::vector<float> syncs;          // sync_count values; empty when "syncs" was not given
    float duration = 0.0f;             // end - start, taken when "end" is read
    int32_t line = 0;                  // the script line of its header
};

using SectionHandler = void (*)();

struct SectionType {
    const char* name;       // as written in a script header, compared without regard to case
    SectionHandler load;    // once in the loading phase when a section of the type is queued
    SectionHandler init;    // once per section, in the frame it starts
    SectionHandler render;  // every frame while a section of the type is active
    SectionHandler end;     // the loading type's only, at the end of the loading phase
    int syncs;              // sync times its handlers read: a queued section must declare as many
    std::span<const SectionAsset> assets;  // what its load handler reads
    const Snapshot* state = nullptr;       // what it carries from frame to frame; none for a stateless type
    SectionHandler check = nullptr;        // what its init handler checks of the current section, through
                                           // fatal_error; callable before the section starts
};

inline constexpr int kSectionTypeCount = 21;
inline constexpr int kLoadingType = 0;

// Defined with the handlers it names, in sections/section_types.cpp: the kernel reaches the section
// types through this table alone.
extern const SectionType kSectionTypes[kSectionTypeCount];

// The handler of every slot that a type does not need.
void empty_handler();

// Row index of the first type whose name matches without regard to ASCII case, or -1.
int find_section_type(const char* name);

// Ends the program unless sync time index of the current section, truncated toward zero, is a
// valid index from 0 to last: an image number or a slot that would read past its table.
void require_sync_index(int index, int last);
