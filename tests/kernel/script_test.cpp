// script_test.cpp -- the script parser: configuration, sections, line handling and every message
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kernel/kernel.h"
#include "kernel/script.h"
#include "support/scratch.h"

namespace {

class ScriptTest : public testing::Test {
protected:
    ScratchDir dir;
};

std::vector<const Section*> sections() {
    std::vector<const Section*> out;
    for (const Section* s = g_kernel.script; s; s = s->next_script) out.push_back(s);
    return out;
}

void parse(const std::string& script) {
    write_file("script.txt", script);
    parse_script();
}

#define EXPECT_FATAL(statement, message) \
    EXPECT_EXIT(statement, testing::ExitedWithCode(1), fatal_line(message))

TEST_F(ScriptTest, DefaultsBeforeTheFirstLine) {
    g_kernel.debug_lines = true;
    parse("");
    EXPECT_STREQ(g_demoname, "Varnel");
    EXPECT_EQ(g_drawfps, 0);
    EXPECT_EQ(g_debug, 0);
    EXPECT_EQ(g_packeddata, 0);
    EXPECT_EQ(g_demostart, 0.0f);
    EXPECT_EQ(gl_fullscreen, 1);
    EXPECT_EQ(gl_info, 0);
    EXPECT_EQ(gl_width, 640);
    EXPECT_EQ(gl_height, 480);
    EXPECT_EQ(snd_enable, 0);
    EXPECT_STREQ(snd_mp3file, "");
    EXPECT_FALSE(g_kernel.debug_lines);
    EXPECT_EQ(g_kernel.demo_end, 0.0f);
    EXPECT_EQ(g_kernel.script, nullptr);

    // A second parse starts from the defaults again.
    parse("gl_width 800\n[tunnel]\nend 3\n");
    parse("");
    EXPECT_EQ(gl_width, 640);
    EXPECT_EQ(g_kernel.script, nullptr);
}

TEST_F(ScriptTest, ConfigurationVariables) {
    parse("GL_WIDTH 1024\n"
          "gl_Height\t768\n"
          "g_demoname  A title  \n"
          "snd_mp3file music/track.mp3\n"
          "g_demostart 12.5\n"
          "g_debug 7\n"
          "g_drawfps -1\n");
    EXPECT_EQ(gl_width, 1024);
    EXPECT_EQ(gl_height, 768);
    EXPECT_STREQ(g_demoname, "A title  ") << "trailing blanks belong to the value";
    EXPECT_STREQ(snd_mp3file, "music/track.mp3");
    EXPECT_EQ(g_demostart, 12.5f);
    EXPECT_EQ(g_debug, 7);
    EXPECT_EQ(g_drawfps, -1);
}

TEST_F(ScriptTest, ValuesThatAreNotNumbers) {
    // No number keeps the default; the last readable value wins; reading stops at the first misfit.
    parse("gl_width abc\ngl_height 600\ngl_height x\ng_demostart 2.5s\ng_debug 12abc\ngl_info\n");
    EXPECT_EQ(gl_width, 640);
    EXPECT_EQ(gl_height, 600);
    EXPECT_EQ(g_demostart, 2.5f);
    EXPECT_EQ(g_debug, 12);
    EXPECT_EQ(gl_info, 0);

    parse("g_demostart .5\ngl_width +77\ng_drawfps 99999999999\n");
    EXPECT_EQ(g_demostart, 0.5f);
    EXPECT_EQ(gl_width, 77);
    EXPECT_EQ(g_drawfps, 2147483647) << "past the 32-bit range saturates";

    parse("g_demostart 3e1\ngl_width 1e3\n");
    EXPECT_EQ(g_demostart, 30.0f);
    EXPECT_EQ(gl_width, 1);

    parse("g_demostart 2e\n");
    EXPECT_EQ(g_demostart, 2.0f) << "an exponent without digits is not read";

    parse("g_demostart -\ng_demostart .\n");
    EXPECT_EQ(g_demostart, 0.0f);
}

TEST_F(ScriptTest, EightBitFlagsKeepTheLowByte) {
    parse("gl_fullscreen 256\ngl_info 257\nsnd_enable -1\n");
    EXPECT_EQ(gl_fullscreen, 0) << "256 has no low bits set: off";
    EXPECT_EQ(gl_info, 1);
    EXPECT_EQ(snd_enable, 255);

    // Each variable has its own storage, whatever the order.
    parse("gl_fullscreen 0\ngl_info 1\n");
    EXPECT_EQ(gl_fullscreen, 0);
    EXPECT_EQ(gl_info, 1);
    parse("gl_info 1\ngl_fullscreen 0\n");
    EXPECT_EQ(gl_fullscreen, 0);
    EXPECT_EQ(gl_info, 1);
}

TEST_F(ScriptTest, LongNamesAndValuesAreCut) {
    const std::string value(100, 'v');
    parse("g_demoname " + value + "\n");
    EXPECT_EQ(std::string(g_demoname), std::string(63, 'v'));

    // A type name of more than 62 letters is cut to 63 characters with the bracket, so it is not found.
    EXPECT_FATAL(parse("[" + std::string(80, 'a') + "]\n"),
                 "Script: section '" + std::string(62, 'a') + "' not found, line 1");
}

TEST_F(ScriptTest, Sections) {
    parse("gl_width 320\n"
          "[Tunnel]\n"
          "START 1.5\n"
          "End 4\n"
          "layer 3\n"
          "syncs 2\n"
          "sync 2.25\n"
          "SYNC 3\n"
          "[voidsection]\n"
          "end 10\n"
          "[eof]\n"
          "this line is never read\n");
    const auto list = sections();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->type, 11);
    EXPECT_EQ(list[0]->start, 1.5f);
    EXPECT_EQ(list[0]->end, 4.0f);
    EXPECT_EQ(list[0]->duration, 2.5f);
    EXPECT_EQ(list[0]->layer, 3);
    EXPECT_EQ(list[0]->sync_count, 2);
    EXPECT_EQ(list[0]->syncs, (std::vector<float>{2.25f, 3.0f}));
    EXPECT_EQ(list[1]->type, 19);
    EXPECT_EQ(list[1]->layer, 0);
    EXPECT_EQ(list[1]->sync_count, 0);
    EXPECT_TRUE(list[1]->syncs.empty());
    EXPECT_EQ(g_kernel.demo_end, 10.0f);
    EXPECT_EQ(list[0]->run_time, 0.0f);
    EXPECT_EQ(list[0]->next_pending, nullptr);
}

TEST_F(ScriptTest, DurationUsesTheStartReadSoFar) {
    parse("[tunnel]\nend 8\nstart 5\n");
    const auto list = sections();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->start, 5.0f);
    EXPECT_EQ(list[0]->duration, 8.0f) << "a later start does not recompute it";
}

TEST_F(ScriptTest, DemoEndCountsEverySection) {
    g_demostart = 0;
    parse("g_demostart 50\n[tunnel]\nstart 0\nend 40\n[heart]\nstart 10\nend 20\n");
    EXPECT_EQ(g_kernel.demo_end, 40.0f) << "sections ending before the start still count";
}

TEST_F(ScriptTest, SyncValues) {
    // A second "syncs" replaces the array and restarts the count; a "sync" that is no number
    // repeats the previous value, even one from an earlier section.
    parse("[tunnel]\nsyncs 1\nsync 7\n"
          "[heart]\nsyncs 5\nsync 1\nsyncs 3\nsync 4\nsync nope\nsync 6\n"
          "[sync]\nsyncs 1\nsync ?\n[eof]\n");
    const auto list = sections();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[1]->sync_count, 3);
    EXPECT_EQ(list[1]->syncs, (std::vector<float>{4.0f, 4.0f, 6.0f}));
    EXPECT_EQ(list[2]->syncs, (std::vector<float>{6.0f}));

    // Before any sync value was read, a "sync" that is no number reads 0.
    parse("[tunnel]\nsyncs 1\nsync -\n");
    EXPECT_EQ(sections()[0]->syncs, (std::vector<float>{0.0f}));

    // Without [eof] the last section's count is never compared.
    parse("[tunnel]\nsyncs 3\nsync 1\n");
    EXPECT_EQ(sections()[0]->syncs, (std::vector<float>{1.0f, 0.0f, 0.0f}));
}

TEST_F(ScriptTest, CrlfParsesLikeLf) {
    parse("g_demoname Title \r\ngl_width 800\r\n;c\r\n\r\n[tunnel]\r\nend 2\r\nsyncs 1\r\nsync 1\r\n[EOF]\r\n");
    EXPECT_STREQ(g_demoname, "Title ");
    EXPECT_EQ(gl_width, 800);
    ASSERT_EQ(sections().size(), 1u);

    // The blank line counted: the bad header is line 4 either way.
    EXPECT_FATAL(parse("gl_width 1\r\n\r\n; x\r\n[nothing]\r\n"), "Script: section 'nothing' not found, line 4");
}

TEST_F(ScriptTest, LinesAreReadIn255CharacterPieces) {
    // 300 characters and a line feed: the first piece is a comment of 255, the second starts a
    // variable line.
    std::string comment(301, 'x');
    comment[0] = ';';
    comment[300] = '\n';
    EXPECT_FATAL(parse(comment + "gl_width 1\n"), "Script: variable '" + std::string(45, 'x') + "' not found, line 2");

    // A line of 254 characters and its line feed is one piece.
    std::string whole(255, 'x');
    whole[0] = ';';
    whole[254] = '\n';
    parse(whole + "[tunnel]\n");
    EXPECT_EQ(sections().size(), 1u);
    EXPECT_FATAL(parse(whole + "[bad]\n"), "Script: section 'bad' not found, line 2");
}

struct MessageCase {
    const char* scenario;
    const char* script;
    const char* message;
};

TEST_F(ScriptTest, EveryFaultHasItsMessageAndLine) {
    const MessageCase cases[] = {
        {"too few sync lines", "[tunnel]\nsyncs 3\nsync 1\n; gap\n\nsync 2\n[heart]\n",
         "Script: incorrect number of syncs (2 found, 3 expected), line 7"},
        {"a sync before syncs", "[tunnel]\nsync 1\n[heart]\n", "Script: incorrect number of syncs (1 found, 0 expected), line 3"},
        {"extra syncs caught at [eof]", "[tunnel]\nsyncs 1\nsync 1\nsync 2\n[eof]\n",
         "Script: incorrect number of syncs (2 found, 1 expected), line 5"},
        {"a blank before the bracket", "[tunnel ]\n", "Script: section 'tunne' not found, line 1"},
        {"an unknown type", "g_debug 1\n\n[nosuch]\n", "Script: section 'nosuch' not found, line 3"},
        {"an empty header", "[\n", "Script: section '' not found, line 1"},
        {"an unknown key", "[tunnel]\nstarts 1\n", "Script: section variable 'starts' not found, line 2"},
        {"a key line starting with a blank", "[tunnel]\n start 1\n", "Script: section variable '' not found, line 2"},
        {"a negative start", "[tunnel]\nstart -0.5\n", "Script: invalid section start, line 2"},
        {"an end equal to the start", "[tunnel]\nstart 3\nend 3\n", "Script: invalid section duration, line 3"},
        {"an end before the start", "[tunnel]\nstart 3\nend 1\n", "Script: invalid section duration, line 3"},
        {"an end that is no number", "[tunnel]\nend soon\n", "Script: invalid section duration, line 2"},
        {"an unknown variable", ";\ngl_depth 16\n", "Script: variable 'gl_depth' not found, line 2"},
        {"a line of blanks", "   \n", "Script: variable '' not found, line 1"},
        {"a section key before any header", "start 1\n", "Script: variable 'start' not found, line 1"},
        {"a negative sync count", "[tunnel]\nsyncs -1\n", "Script: invalid number of syncs, line 2"},
        {"a sync count too large to hold", "[tunnel]\nsyncs 2000000000\n", "Script: invalid number of syncs, line 2"},
    };
    for (const MessageCase& c : cases) {
        SCOPED_TRACE(c.scenario);
        EXPECT_FATAL(parse(c.script), c.message);
    }
}

TEST_F(ScriptTest, ScriptNotFound) {
    EXPECT_FATAL(parse_script(), "Script not found, PAK not found");
    write_file("data.dat", "JUNKJUNKJUNKJUNK");
    EXPECT_FATAL(parse_script(), "Script not found, PAK not found");
    write_file("data.dat", build_archive({{"music.mp3", "ID3"}}));
    EXPECT_FATAL(parse_script(), "Script not found, but PAK loaded");
}

TEST_F(ScriptTest, LooseScriptIsFoundInAnyCase) {
    write_file("SCRIPT.TXT", "gl_width 999\n");
    parse_script();
    EXPECT_EQ(gl_width, 999);
}

TEST_F(ScriptTest, ScriptInsideTheArchive) {
    write_file("data.dat", build_archive({{"textures/a.jpg", "JFIF"}, {"Script.TXT", "gl_width 800\r\n[tunnel]\nend 2\n[eof]\n"}}));
    parse_script();
    EXPECT_TRUE(g_kernel.archive_loaded);
    EXPECT_EQ(gl_width, 800);
    EXPECT_EQ(sections().size(), 1u);

    // A loose script wins; the archive is opened all the same.
    write_file("script.txt", "gl_width 1024\n");
    parse_script();
    EXPECT_EQ(gl_width, 1024);
    EXPECT_TRUE(g_kernel.archive_loaded);
}

TEST_F(ScriptTest, ArchiveScriptLengthBudget) {
    // Without [eof] the reader runs on into the next entry until the budget is spent.
    write_file("data.dat", build_archive({{"script.txt", "gl_width 800\n"}, {"z.txt", "gl_height 600\n[eof]\n"}}));
    EXPECT_FATAL(parse_script(), "Script: out of script file");

    // [eof] as the last line of the entry, exactly at the budget.
    write_file("data.dat", build_archive({{"script.txt", "gl_width 800\n[eof]\n"}, {"z.txt", "junk\n"}}));
    parse_script();
    EXPECT_EQ(gl_width, 800);

    // An [eof] without its line feed reads on into the next entry's bytes: past the budget.
    write_file("data.dat", build_archive({{"script.txt", "gl_width 800\n[eof]"}, {"z.txt", "junk\n"}}));
    EXPECT_FATAL(parse_script(), "Script: out of script file");

    // The budget counts characters after the carriage returns are dropped, so a CRLF entry leaves
    // room to read a line of the next entry, which then reports its own fault.
    std::string crlf;
    for (int i = 0; i < 20; ++i) crlf += "\r\n";
    write_file("data.dat", build_archive({{"script.txt", crlf}, {"z.txt", "bogus 1\n"}}));
    EXPECT_FATAL(parse_script(), "Script: variable 'bogus' not found, line 21");
}

TEST_F(ScriptTest, ArchiveScriptPastTheEndOfTheFile) {
    // The directory promises more bytes than the file has: the reader never starts.
    std::string archive = build_archive({{"script.txt", "gl_width 800\n[eof]\n"}});
    archive[12 + 19 + 68] = char(0xFF);  // the entry's length, low byte
    archive[12 + 19 + 69] = char(0xFF);
    write_file("data.dat", archive);
    EXPECT_FATAL(parse_script(), "Script PAK open failed");
}

}  // namespace
