// pak_test.cpp -- varnel-tool pak: create, list and extract round-trip and refuse what is unsafe
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "pak.h"
#include "resources/archive.h"
#include "support/scratch.h"

namespace {

namespace fs = std::filesystem;

class PakTest : public testing::Test {
protected:
    ScratchDir dir;
};

TEST_F(PakTest, CreateListExtractRoundTrip) {
    write_file("show/script.txt", "[eof]\n");
    write_file("show/textures/b.jpg", std::string("\xff\xd8\0binary\0", 10));
    write_file("show/models/VarnelLogo/a.3ds", std::string(70000, 'm'));
    write_file("show/empty.txt", "");
    fs::create_directories("show/no/files/here");

    testing::internal::CaptureStdout();
    ASSERT_EQ(pak_create("show/data.dat", "show"), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "packed 4 files, 70316 bytes, into show/data.dat\n");

    // The player's reader sees the entries, named relative to the directory and sorted.
    ASSERT_EQ(open_archive("show/data.dat"), 0);
    ASSERT_EQ(archive_entry_count(), 4);
    EXPECT_STREQ(archive_entries()[0].name, "empty.txt");
    EXPECT_STREQ(archive_entries()[1].name, "models/VarnelLogo/a.3ds");
    EXPECT_STREQ(archive_entries()[3].name, "textures/b.jpg");

    testing::internal::CaptureStdout();
    ASSERT_EQ(pak_list("show/data.dat"), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "12 0 empty.txt\n"
              "12 70000 models/VarnelLogo/a.3ds\n"
              "70012 6 script.txt\n"
              "70018 10 textures/b.jpg\n");

    testing::internal::CaptureStdout();
    ASSERT_EQ(pak_extract("show/data.dat", "out"), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "extracted 4 of 4 entries into out\n");
    for (const char* name : {"script.txt", "textures/b.jpg", "models/VarnelLogo/a.3ds", "empty.txt"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(read_file(std::string("out/") + name), read_file(std::string("show/") + name));
    }
    EXPECT_FALSE(fs::exists("out/data.dat")) << "the archive does not pack itself";

    // Packing again gives the same bytes.
    const std::string first = read_file("show/data.dat");
    testing::internal::CaptureStdout();
    ASSERT_EQ(pak_create("show/data.dat", "show"), 0);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(read_file("show/data.dat"), first);
}

TEST_F(PakTest, CreateRefusesWhatTheFormatCannotHold) {
    write_file("show/" + std::string(60, 'n') + "/x.txt", "x");
    testing::internal::CaptureStderr();
    EXPECT_EQ(pak_create("data.dat", "show"), 1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("name longer than 63 characters"), std::string::npos);
    EXPECT_FALSE(fs::exists("data.dat"));

    testing::internal::CaptureStderr();
    EXPECT_EQ(pak_create("data.dat", "missing"), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "varnel-tool: missing: not a directory\n");
}

TEST_F(PakTest, ExtractRefusesUnsafeNamesAndSkipsShadowedOnes) {
    const std::string absolute = dir.path() + "/absolute.txt";
    write_file("evil.dat", build_archive({
                               {"../escape.txt", "no"},
                               {absolute, "no"},
                               {"a/../../up.txt", "no"},
                               {"ok/Name.txt", "first"},
                               {"OK/NAME.TXT", "second"},
                               {"dots..txt", "fine"},
                           }));
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    EXPECT_EQ(pak_extract("evil.dat", "out"), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "extracted 2 of 6 entries into out\n");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("../escape.txt: refused"), std::string::npos);
    EXPECT_NE(err.find("OK/NAME.TXT: skipped"), std::string::npos);
    EXPECT_FALSE(fs::exists("escape.txt"));
    EXPECT_FALSE(fs::exists("up.txt"));
    EXPECT_FALSE(fs::exists(absolute));
    EXPECT_EQ(read_file("out/ok/Name.txt"), "first");
    EXPECT_EQ(read_file("out/dots..txt"), "fine");
}

// Links already in the destination, to a file, to a file not yet there or to a directory, are never
// written through; a file that is there stays unless forced.
TEST_F(PakTest, ExtractNeverWritesThroughALinkNorOverAFile) {
    write_file("a.dat", build_archive({{"file.txt", "new"}, {"linked.txt", "new"}, {"dangling.txt", "new"},
                                       {"sub/x.txt", "new"}}));
    write_file("elsewhere/target.txt", "untouched");
    write_file("out/file.txt", "old");
    fs::create_symlink(dir.path() + "/elsewhere/target.txt", "out/linked.txt");
    fs::create_symlink(dir.path() + "/elsewhere/made.txt", "out/dangling.txt");
    fs::create_directory_symlink(dir.path() + "/elsewhere", "out/sub");
    for (bool force : {false, true}) {
        SCOPED_TRACE(force ? "forced" : "not forced");
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        EXPECT_EQ(pak_extract("a.dat", "out", force), 1);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string("extracted ") + (force ? "1" : "0") + " of 4 entries into out\n");
        const std::string err = testing::internal::GetCapturedStderr();
        for (const char* link : {"out/linked.txt", "out/dangling.txt", "out/sub"}) {
            EXPECT_NE(err.find(std::string("varnel-tool: ") + link + ": refused, a symbolic link is in the way\n"), std::string::npos) << err;
        }
        EXPECT_EQ(err.find("out/file.txt: exists; --force replaces it\n") != std::string::npos, !force) << err;
        EXPECT_EQ(read_file("out/file.txt"), force ? "new" : "old");
        EXPECT_EQ(read_file("elsewhere/target.txt"), "untouched");
        EXPECT_FALSE(fs::exists("elsewhere/made.txt"));
        EXPECT_FALSE(fs::exists("elsewhere/x.txt"));
    }
}

TEST_F(PakTest, CreatePacksLinksToFilesInsideOnly) {
    write_file("show/a.txt", "inside");
    write_file("secret.txt", "outside");
    fs::create_symlink("a.txt", "show/inside.txt");
    fs::create_symlink("../secret.txt", "show/outside.txt");
    fs::create_symlink("none.txt", "show/dangling.txt");
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    ASSERT_EQ(pak_create("data.dat", "show"), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "packed 2 files, 168 bytes, into data.dat\n");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("varnel-tool: show/outside.txt: skipped, a symbolic link to a file outside the directory\n"),
              std::string::npos) << err;
    EXPECT_NE(err.find("varnel-tool: show/dangling.txt: skipped, a symbolic link to no regular file\n"), std::string::npos) << err;
    ASSERT_EQ(open_archive("data.dat"), 0);
    ASSERT_EQ(archive_entry_count(), 2);
    EXPECT_STREQ(archive_entries()[1].name, "inside.txt");
    EXPECT_EQ(archive_entries()[1].length, 6u);
}

TEST_F(PakTest, BrokenArchives) {
    std::string archive = build_archive({{"a.txt", "alpha"}, {"b.txt", "bravo"}});
    archive[12 + 10 + 72 + 68] = char(250);  // b.txt promises 250 bytes of a 166-byte file
    write_file("short.dat", archive);
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    EXPECT_EQ(pak_extract("short.dat", "out"), 1);
    testing::internal::GetCapturedStdout();
    EXPECT_NE(testing::internal::GetCapturedStderr().find("b.txt: its data run past the end"), std::string::npos);
    EXPECT_EQ(read_file("out/a.txt"), "alpha");

    write_file("junk.dat", "not an archive at all");
    testing::internal::CaptureStderr();
    EXPECT_EQ(pak_list("junk.dat"), 1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("not an archive"), std::string::npos);
    testing::internal::CaptureStderr();
    EXPECT_EQ(pak_list("none.dat"), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "varnel-tool: cannot open none.dat\n");
}

}  // namespace
