// player_test.cpp -- the player and varnel-tool as a user runs them, in a scratch directory
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "support/scratch.h"

namespace {

class PlayerTest : public testing::Test {
protected:
    ScratchDir dir;
};

const std::vector<std::string> kHeadless = {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"};

ProcessResult player() {
    return run_process(VARNEL_BIN, {}, kHeadless);
}

ProcessResult capture(const std::vector<std::string>& args) {
    return run_process(VARNEL_CAPTURE_BIN, args);
}

const char* const kTransitions =
    "gl_fullscreen 0\ng_debug 1\n"
    "[voidSection]\nend 2\n"
    "[cameraloc]\nend 2\nlayer 1\n"
    "[blackFadeOUT]\nstart 1\nend 2\nlayer 2\n"
    "[eof]\n";

ProcessResult tool(const std::vector<std::string>& args) {
    return run_process(VARNEL_TOOL_BIN, args);
}

TEST_F(PlayerTest, ScriptFaultsEndTheRunWithTheirMessage) {
    ProcessResult r = player();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error: Script not found, PAK not found\n");

    write_file("script.txt", "gl_width 640\r\n[tunnel]\r\nsyncs 2\r\nsync 1\r\n[eof]\r\n");
    r = player();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error: Script: incorrect number of syncs (1 found, 2 expected), line 5\n");
}

TEST_F(PlayerTest, PackedDataNeedsTheArchive) {
    write_file("script.txt", "g_packeddata 1\ngl_fullscreen 0\n[voidsection]\nend 0.1\n[eof]\n");
    ProcessResult r = player();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error: PAK not found\n");

    write_file("data.dat", build_archive({}));
    r = player();
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
}

TEST_F(PlayerTest, PlaysATimelineForItsLength) {
    write_file("script.txt", kTransitions);
    const auto begin = std::chrono::steady_clock::now();
    ProcessResult r = player();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_GT(seconds, 1.9);
    EXPECT_LT(seconds, 8.0);
    EXPECT_FALSE(std::filesystem::exists("opengl.log")) << "gl_info is off";
}

TEST_F(PlayerTest, DriverLogWithGlInfo) {
    write_file("script.txt", "gl_fullscreen 0\ngl_info 1\n[voidSection]\nend 0.1\n[eof]\n");
    ProcessResult r = player();
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string log = read_file("opengl.log");
    EXPECT_EQ(log.rfind("\n   OpenGL driver information\n   ---------------------------\n\nvendor :\n", 0), 0u);
    EXPECT_NE(log.find("\nrenderer :\n"), std::string::npos);
    EXPECT_NE(log.find("\nversion : \n"), std::string::npos);
    EXPECT_NE(log.find("\nextensions : \n      GL_"), std::string::npos);
    EXPECT_EQ(log.substr(log.size() - 2), "\n\n");
}

TEST_F(PlayerTest, StartUpFaults) {
    // The offscreen display has no display mode to switch to.
    write_file("script.txt", "gl_fullscreen 1\n[voidSection]\nend 1\n[eof]\n");
    ProcessResult r = player();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error: Error opening graphics mode\n");

    write_file("script.txt", "gl_fullscreen 0\n[voidSection]\nend 1\n[cameraloc]\nstart 0.5\nend 1\nsyncs 1\nsync 0\n[eof]\n");
    r = player();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error: Section: invalid number of syncs (1 found, 0 expected)\n");

    // Too few sync times for what the type reads: refused before anything is shown.
    write_file("script.txt", "gl_fullscreen 0\n[tunnel]\nstart 1\nend 5\nsyncs 2\nsync 1\nsync 2\n[eof]\n");
    r = player();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error: Section 'tunnel' at 1.00: 2 syncs found, 3 needed\n");
}

// Frames of a fixed clock at fps whose demo time, summed in 32-bit floats as the kernel sums it,
// lies in [start, end).
int frames_between(float start, float end, int fps) {
    int n = 0;
    float t = 0.0f;
    for (; t < end; t += 1.0f / float(fps)) n += t >= start;
    return n;
}

TEST_F(PlayerTest, CaptureWritesTheFramesAskedFor) {
    write_file("script.txt", kTransitions);
    ProcessResult r = capture({"--fps", "30", "--at", "1.5,0.2,9", "--every", "20", "--stats", "stats.json", "--out", "frames"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator("frames")) files.push_back(e.path().filename().string());
    std::sort(files.begin(), files.end());
    // 2 seconds at 30 fps and one more frame that finds the timeline empty; 9 s is never reached.
    const int frames = frames_between(0, 2, 30);
    ASSERT_GE(frames, 60);
    std::vector<std::string> expected = {"0.200.png", "1.500.png"};
    for (int n = 0; n <= frames; n += 20) {
        char name[32];
        snprintf(name, sizeof name, "frame-%06d.png", n);
        expected.push_back(name);
    }
    EXPECT_EQ(files, expected);
    EXPECT_EQ(read_file("frames/0.200.png").substr(1, 3), "PNG");
    const std::string stats = read_file("stats.json");
    EXPECT_NE(stats.find("\"frames\": " + std::to_string(frames + 1) + ","), std::string::npos) << stats;
    EXPECT_NE(stats.find("\"type\": \"voidSection\",\n      \"frames\": " + std::to_string(frames)), std::string::npos) << stats;
    EXPECT_NE(stats.find("\"type\": \"blackFadeOUT\",\n      \"frames\": " + std::to_string(frames_between(1, 2, 30))),
              std::string::npos)
        << stats;

    r = capture({"--to", "0.5", "--every", "1", "--out", "short"});
    ASSERT_EQ(r.status, 0) << r.err;
    int count = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("short")) ++count;
    EXPECT_EQ(count, frames_between(0, 0.5f, 60) + 1) << "up to the first frame at or after 0.5 s";

    r = capture({"--fps", "0"});
    EXPECT_NE(r.status, 0);
}

TEST_F(PlayerTest, ToolPrintsTheScriptAsJson) {
    write_file("show/script.txt", "g_demoname Demo \ng_packeddata 1\n[TUNNEL]\nstart 0.1\nend 2\nsyncs 1\nsync 0.5\n[eof]\n");
    ProcessResult r = tool({"pak", "create", "data.dat", "show"});
    ASSERT_EQ(r.status, 0) << r.err;

    // No loose script here: the archive's is read.
    r = tool({"script"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "{\n"
              "  \"config\": {\n"
              "    \"g_demoname\": \"Demo \",\n"
              "    \"g_drawfps\": 0,\n"
              "    \"g_debug\": 0,\n"
              "    \"g_packeddata\": 1,\n"
              "    \"g_demostart\": 0.0,\n"
              "    \"gl_fullscreen\": 1,\n"
              "    \"gl_info\": 0,\n"
              "    \"gl_width\": 640,\n"
              "    \"gl_height\": 480,\n"
              "    \"snd_enable\": 0,\n"
              "    \"snd_mp3file\": \"\"\n"
              "  },\n"
              "  \"demo_end\": 2.0,\n"
              "  \"sections\": [\n"
              "    {\n"
              "      \"type\": 11,\n"
              "      \"name\": \"tunnel\",\n"
              "      \"start\": 0.1,\n"
              "      \"end\": 2.0,\n"
              "      \"layer\": 0,\n"
              "      \"sync_count\": 1,\n"
              "      \"syncs\": [\n"
              "        0.5\n"
              "      ],\n"
              "      \"duration\": 1.9\n"
              "    }\n"
              "  ]\n"
              "}\n");

    write_file("script.txt", "[tunnel]\nstart -1\n");
    r = tool({"script", "--check"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Error: Script: invalid section start, line 2\n");
}

TEST_F(PlayerTest, ToolUsage) {
    ProcessResult r = tool({});
    EXPECT_EQ(r.status, 2);
    r = tool({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("pak"), std::string::npos);
    r = tool({"pak", "list"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("ARCHIVE"), std::string::npos);
}

}  // namespace
