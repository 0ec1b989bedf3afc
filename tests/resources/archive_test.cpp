// archive_test.cpp -- the archive directory, look-ups and opening an entry
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "resources/archive.h"
#include "support/scratch.h"

namespace {

class ArchiveTest : public testing::Test {
protected:
    ScratchDir dir;
};

// Looks name up; returns the result code, with offset and length left at 7 and 9 on failure.
int find(const char* name, uint32_t* offset = nullptr, uint32_t* length = nullptr) {
    uint32_t o = 7;
    uint32_t l = 9;
    const int result = find_archive_entry(name, &o, &l);
    if (offset) *offset = o;
    if (length) *length = l;
    return result;
}

TEST_F(ArchiveTest, MissingOrNotAnArchive) {
    EXPECT_EQ(open_archive(), -1);
    uint32_t offset;
    uint32_t length;
    EXPECT_EQ(find("script.txt", &offset, &length), -1);
    EXPECT_EQ(offset, 7u) << "failure leaves the out-parameters alone";
    EXPECT_EQ(length, 9u);

    write_file("data.dat", "PAKC" + std::string(20, '\0'));
    EXPECT_EQ(open_archive(), -2);
    EXPECT_EQ(find("script.txt"), -1) << "a bad magic is like no archive at all";

    write_file("data.dat", "PA");
    EXPECT_EQ(open_archive(), -2);
    write_file("data.dat", "PACK\x0c\0\0\0");
    EXPECT_EQ(open_archive(), -2) << "a header that cannot be read whole";
    EXPECT_EQ(archive_entry_count(), 0);
}

TEST_F(ArchiveTest, DirectoryThatCannotBeReadWhole) {
    // Directory offset past the end of the file.
    std::string archive = build_archive({{"a.txt", "hello"}});
    archive[4] = char(0x70);
    write_file("data.dat", archive);
    EXPECT_EQ(open_archive(), -2);
    EXPECT_EQ(find("a.txt"), -1);

    // Directory length promising a second entry that is not there.
    archive = build_archive({{"a.txt", "hello"}});
    archive[8] = char(144);
    write_file("data.dat", archive);
    EXPECT_EQ(open_archive(), -2);
    EXPECT_EQ(archive_entry_count(), 0);
}

TEST_F(ArchiveTest, LookUps) {
    const std::string name63 = "textures/" + std::string(50, 'n') + ".tga";
    ASSERT_EQ(name63.size(), 63u);
    write_file("data.dat", build_archive({
                               {"textures/Suelo.jpg", "first"},
                               {"TEXTURES/SUELO.JPG", "second"},
                               {"script.txt", "[eof]\n"},
                               {name63, "long"},
                           }));
    ASSERT_EQ(open_archive(), 0);
    ASSERT_EQ(archive_entry_count(), 4);

    uint32_t offset;
    uint32_t length;
    EXPECT_EQ(find("textures/suelo.jpg", &offset, &length), 0);
    EXPECT_EQ(offset, 12u) << "the first of two names that differ in case wins";
    EXPECT_EQ(length, 5u);
    EXPECT_EQ(find("SCRIPT.TXT", &offset, &length), 0);
    EXPECT_EQ(offset, 12u + 5 + 6);
    EXPECT_EQ(find(name63.c_str(), nullptr, &length), 0);
    EXPECT_EQ(length, 4u);

    EXPECT_EQ(find("textures\\suelo.jpg"), -2);
    EXPECT_EQ(find("./script.txt"), -2);
    EXPECT_EQ(find("script.tx"), -2) << "no prefix matching";
    EXPECT_EQ(find("script.txt "), -2) << "no trimming";
    EXPECT_EQ(find(""), -2);
}

TEST_F(ArchiveTest, EmptyDirectoryAndPartialEntries) {
    write_file("data.dat", build_archive({}));
    ASSERT_EQ(open_archive(), 0);
    EXPECT_EQ(find("script.txt"), -2);

    // 72 * 2 + 50 bytes of directory: two whole entries, the rest ignored.
    std::string archive = build_archive({{"a", "1"}, {"b", "2"}});
    archive[8] = char(144 + 50);
    archive += std::string(50, 'x');
    write_file("data.dat", archive);
    ASSERT_EQ(open_archive(), 0);
    EXPECT_EQ(archive_entry_count(), 2);
    EXPECT_EQ(find("b"), 0);
}

TEST_F(ArchiveTest, NameFieldWithoutTerminator) {
    const std::string name64(64, 'q');
    write_file("data.dat", build_archive({{name64, "x"}}));
    ASSERT_EQ(open_archive(), 0);
    EXPECT_STREQ(archive_entries()[0].name, name64.c_str());
    EXPECT_EQ(find(name64.c_str()), 0) << "the 64 bytes are the whole name";
    EXPECT_EQ(find((name64 + "q").c_str()), -2);
}

TEST_F(ArchiveTest, OpeningAnEntry) {
    write_file("data.dat", build_archive({{"a.txt", "alpha"}, {"b.txt", "bravo!"}}));
    ASSERT_EQ(open_archive(), 0);

    FILE* file = nullptr;
    uint32_t length = 0;
    ASSERT_EQ(open_archive_entry("B.TXT", "rb", &file, &length), kEntryOk);
    char bytes[7] = {};
    EXPECT_EQ(fread(bytes, 1, length, file), 6u);
    EXPECT_STREQ(bytes, "bravo!");
    fclose(file);

    EXPECT_EQ(open_archive_entry("c.txt", "rb", &file, &length), kEntryNotFound);

    // Each load opens the file afresh: once it is gone, opening fails cleanly.
    remove("data.dat");
    EXPECT_EQ(open_archive_entry("a.txt", "rb", &file, &length), kEntryOpenFailed);
}

TEST_F(ArchiveTest, EntryPastTheEndOfTheFile) {
    std::string archive = build_archive({{"a.txt", "alpha"}});
    archive[12 + 5 + 68] = char(200);  // 200 bytes promised, 5 there
    write_file("data.dat", archive);
    ASSERT_EQ(open_archive(), 0);
    FILE* file = nullptr;
    uint32_t length = 0;
    EXPECT_EQ(open_archive_entry("a.txt", "rb", &file, &length), kEntryPastEnd);
    EXPECT_EQ(file, nullptr);

    // An offset near 4 GiB must not wrap around when added to the length.
    archive = build_archive({{"a.txt", "alpha"}});
    for (int i = 0; i < 4; ++i) archive[12 + 5 + 64 + i] = char(0xFF);
    write_file("data.dat", archive);
    ASSERT_EQ(open_archive(), 0);
    EXPECT_EQ(open_archive_entry("a.txt", "rb", &file, &length), kEntryPastEnd);
}

TEST_F(ArchiveTest, NoArchive) {
    FILE* file = nullptr;
    uint32_t length = 0;
    EXPECT_EQ(open_archive(), -1);
    EXPECT_EQ(open_archive_entry("a.txt", "rb", &file, &length), kEntryNoArchive);
}

}  // namespace
