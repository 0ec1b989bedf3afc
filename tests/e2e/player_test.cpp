// player_test.cpp -- the player and varnel-tool as a user runs them, in a scratch directory
#include <gtest/gtest.h>

#include <string>

#include "support/scratch.h"

namespace {

class PlayerTest : public testing::Test {
protected:
    ScratchDir dir;
};

ProcessResult player() {
    return run_process(VARNEL_BIN, {});
}

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
    write_file("script.txt", "g_packeddata 1\n[voidsection]\nend 1\n[eof]\n");
    ProcessResult r = player();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error: PAK not found\n");

    write_file("data.dat", build_archive({}));
    r = player();
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
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
