// section.cpp -- the look-up of a section type by name and the check of a sync index
#include "kernel/section.h"

#include "core/ascii_case.h"
#include "core/fatal.h"
#include "kernel/kernel.h"

void empty_handler() {}

int find_section_type(const char* name) {
    for (int i = 0; i < kSectionTypeCount; ++i) {
        if (ascii_equal_nocase(kSectionTypes[i].name, name)) return i;
    }
    return -1;
}

void require_sync_index(int index, int last) {
    const Section& section = *g_kernel.current;
    const float value = section.syncs[size_t(index)];
    // Truncation toward zero keeps -0.5 and last + 0.5 inside; NaN fails both tests.
    if (!(value > -1.0f && value < float(last) + 1.0f)) {
        fatal_error("Section '%s' at %.2f: sync %d is %g, outside 0 to %d", g_kernel.types[section.type].name,
                    double(section.start), index, double(value), last);
    }
}
