// loose_file_test.cpp -- loose data files are found without regard to letter case
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "resources/loose_file.h"
#include "support/scratch.h"

namespace {

// The content of the file that open_loose_file finds, or "(none)".
std::string content(const char* path) {
    FILE* file = open_loose_file(path, "rb");
    if (!file) return "(none)";
    char text[64] = {};
    fread(text, 1, sizeof text - 1, file);
    fclose(file);
    return text;
}

TEST(LooseFile, MatchesEveryComponentWithoutRegardToCase) {
    ScratchDir dir;
    write_file("models/VarnelLogo/Letters.3DS", "model");
    write_file("textures/suelo.jpg", "floor");

    EXPECT_EQ(content("models/VarnelLogo/Letters.3DS"), "model");
    EXPECT_EQ(content("models/varnellogo/letters.3ds"), "model");
    EXPECT_EQ(content("MODELS/VARNELLOGO/LETTERS.3DS"), "model");
    EXPECT_EQ(content("./textures/SUELO.JPG"), "floor");
    EXPECT_EQ(content("textures//Suelo.jpg"), "floor");
    EXPECT_EQ(content((dir.path() + "/Textures/suelo.JPG").c_str()), "floor");

    EXPECT_EQ(content("textures/suelo.jp"), "(none)");
    EXPECT_EQ(content("textures/suelo.jpg/x"), "(none)");
    EXPECT_EQ(content("nothing/suelo.jpg"), "(none)");
    EXPECT_EQ(content(""), "(none)");
}

TEST(LooseFile, PrefersTheExactName) {
    ScratchDir dir;
    write_file("Pics/a.tga", "upper");
    write_file("pics/a.tga", "lower");
    write_file("pics/A.TGA", "capitals");
    EXPECT_EQ(content("pics/a.tga"), "lower");
    EXPECT_EQ(content("Pics/A.TGA"), "upper");
    // Several matches in other cases: the first in byte order, so every run finds the same file.
    EXPECT_EQ(content("pics/A.tga"), "capitals");
    EXPECT_EQ(content("PICS/a.tga"), "upper");
}

TEST(LooseFile, DirectoriesAreNotFiles) {
    ScratchDir dir;
    std::filesystem::create_directories("script.txt");
    EXPECT_EQ(content("script.txt"), "(none)");
    EXPECT_EQ(content("SCRIPT.TXT"), "(none)");
}

}  // namespace
