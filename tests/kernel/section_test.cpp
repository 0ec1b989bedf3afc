// section_test.cpp -- the section type table and its look-up by name
#include <gtest/gtest.h>

#include "kernel/section.h"

namespace {

TEST(SectionTypes, LookUpByNameInAnyCase) {
    EXPECT_EQ(find_section_type("loading"), 0);
    EXPECT_EQ(find_section_type("blackFadeOUT"), 4);
    EXPECT_EQ(find_section_type("BLACKFADEOUT"), 4);
    EXPECT_EQ(find_section_type("Tunnel"), 11);
    EXPECT_EQ(find_section_type("voidsection"), 19);
    EXPECT_EQ(find_section_type("fallingman"), 20);
    EXPECT_EQ(find_section_type("tunne"), -1);
    EXPECT_EQ(find_section_type("tunnel "), -1);
    EXPECT_EQ(find_section_type(""), -1);
}

TEST(SectionTypes, EveryNameFindsItsOwnRow) {
    // No row hides a later one under a spelling that differs only in case.
    for (int i = 0; i < kSectionTypeCount; ++i) {
        SCOPED_TRACE(kSectionTypes[i].name);
        EXPECT_EQ(find_section_type(kSectionTypes[i].name), i);
        EXPECT_NE(kSectionTypes[i].render, nullptr);
    }
}

}  // namespace
