// section.cpp -- the section type table and its look-up by name
#include "kernel/section.h"

#include <string_view>

#include "kernel/ascii_case.h"

void empty_handler() {}

// The row index is the type id stored in a section, the loading phase loads types in row order and
// the statistics print these names, so the order is fixed.
constexpr SectionType kSectionTypes[kSectionTypeCount] = {
    {"loading", empty_handler, empty_handler, empty_handler, empty_handler},
    {"hombre", empty_handler, empty_handler, empty_handler, empty_handler},
    {"cameraloc", empty_handler, empty_handler, empty_handler, empty_handler},
    {"marspanorama", empty_handler, empty_handler, empty_handler, empty_handler},
    {"blackFadeOUT", empty_handler, empty_handler, empty_handler, empty_handler},
    {"varnelBump", empty_handler, empty_handler, empty_handler, empty_handler},
    {"varnellogo", empty_handler, empty_handler, empty_handler, empty_handler},
    {"redExplosion", empty_handler, empty_handler, empty_handler, empty_handler},
    {"souls", empty_handler, empty_handler, empty_handler, empty_handler},
    {"blueroombox", empty_handler, empty_handler, empty_handler, empty_handler},
    {"final", empty_handler, empty_handler, empty_handler, empty_handler},
    {"tunnel", empty_handler, empty_handler, empty_handler, empty_handler},
    {"heart", empty_handler, empty_handler, empty_handler, empty_handler},
    {"amilar", empty_handler, empty_handler, empty_handler, empty_handler},
    {"horrorface", empty_handler, empty_handler, empty_handler, empty_handler},
    {"ascension", empty_handler, empty_handler, empty_handler, empty_handler},
    {"sync", empty_handler, empty_handler, empty_handler, empty_handler},
    {"credits", empty_handler, empty_handler, empty_handler, empty_handler},
    {"titulo", empty_handler, empty_handler, empty_handler, empty_handler},
    {"voidSection", empty_handler, empty_handler, empty_handler, empty_handler},
    {"fallingman", empty_handler, empty_handler, empty_handler, empty_handler},
};

namespace {

constexpr bool names_fit(const SectionType* types, int count) {
    for (int i = 0; i < count; ++i) {
        if (std::string_view(types[i].name).size() > 63) return false;
    }
    return true;
}

}  // namespace

static_assert(std::string_view(kSectionTypes[kLoadingType].name) == "loading", "row 0 is the loading type");
static_assert(std::string_view(kSectionTypes[20].name) == "fallingman", "the table holds all 21 rows");
static_assert(names_fit(kSectionTypes, kSectionTypeCount), "a type name fits a 64-character field");

int find_section_type(const char* name) {
    for (int i = 0; i < kSectionTypeCount; ++i) {
        if (ascii_equal_nocase(kSectionTypes[i].name, name)) return i;
    }
    return -1;
}
