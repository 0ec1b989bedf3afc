// player_test.cpp -- the player and varnel-tool as a user runs them, in a scratch directory
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "support/audio.h"
#include "support/pictures.h"
#include "support/scratch.h"

namespace {

class PlayerTest : public testing::Test {
protected:
    void SetUp() override { write_loading_picture(); }
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

TEST_F(PlayerTest, CommandLine) {
    ProcessResult r = run_process(VARNEL_BIN, {"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "varnel " VARNEL_VERSION "\n");
    EXPECT_EQ(tool({"--version"}).out, "varnel-tool " VARNEL_VERSION "\n");
    EXPECT_EQ(capture({"--version"}).out, "varnel-capture " VARNEL_VERSION "\n");
    r = run_process(VARNEL_BIN, {"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--control-socket PATH"), std::string::npos) << r.out;

    // A bad argument is refused with the usage before anything is read or opened: there is no
    // script here, which would otherwise be a fault of its own.
    const std::string usage =
        "Usage: varnel [--edit] [--at T] [--windowed] [--gentle] [--control-socket PATH] [--loop A,B] [DIR]\n";
    const struct {
        std::vector<std::string> args;
        const char* message;
    } bad[] = {
        {{"--no-such-option"}, "varnel: unknown option '--no-such-option'\n"},
        {{"--at", "soon"}, "varnel: --at takes a time in seconds, 0 or more, not 'soon'\n"},
        {{"--at"}, "varnel: --at needs a value\n"},
        {{"no-such-show"}, "varnel: no show directory 'no-such-show'\n"},
        {{"--loop", "1,2"}, "varnel: --loop works in authoring mode only: add --edit\n"},
        {{"--edit", "--gentle"}, "varnel: --gentle works when playing only, not in authoring mode\n"},
        {{"--edit", "--loop", "5,2"}, "varnel: --loop takes two times A,B with A before B, not '5,2'\n"},
    };
    for (const auto& b : bad) {
        r = run_process(VARNEL_BIN, b.args, kHeadless);
        EXPECT_EQ(r.status, 2) << b.message;
        EXPECT_EQ(r.err, b.message + usage);
    }
}

TEST_F(PlayerTest, PackedDataNeedsTheArchive) {
    write_file("script.txt", "g_packeddata 1\ngl_fullscreen 0\n[voidsection]\nend 0.1\n[eof]\n");
    ProcessResult r = player();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error: PAK not found\n");

    // Everything comes from the archive then, the loading picture too.
    write_file("data.dat", build_archive({}));
    r = player();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error: Error loading texture 'textures/loading.jpg'\n");
    write_file("data.dat", build_archive({{"textures/loading.jpg", read_file("textures/loading.jpg")}}));
    r = player();
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
}

// Played on the performance counter, the timeline lasts at least its length; how much longer
// depends on the machine's load, so no more is asked.
TEST_F(PlayerTest, PlaysATimelineForItsLength) {
    write_file("script.txt", kTransitions);
    const auto begin = std::chrono::steady_clock::now();
    ProcessResult r = player();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_GT(seconds, 1.9);
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

// Frames of a fixed clock at fps whose demo time, summed in 32-bit floats from clock_start as the
// kernel sums it, lies in [start, end).
int frames_between(float start, float end, int fps, float clock_start = 0.0f) {
    int n = 0;
    float t = clock_start;
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

// The "Error: ..." line among what the run wrote to standard error (SDL's disk driver adds its own).
std::string error_line(const std::string& err) {
    const size_t at = err.find("Error: ");
    return at == std::string::npos ? "" : err.substr(at, err.find('\n', at) - at);
}

std::vector<int16_t> read_samples(const std::string& path) {
    const std::string bytes = read_file(path);
    std::vector<int16_t> samples(bytes.size() / 2);
    memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

const std::vector<std::string> kDiskAudio = {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=disk",
                                             "SDL_DISKAUDIOFILE=heard.raw"};

std::string music_script(const std::string& mp3, float start, bool packed, float length = 1.2f) {
    return "gl_fullscreen 0\nsnd_enable 1\nsnd_mp3file " + mp3 + "\ng_packeddata " + (packed ? "1" : "0") +
           "\ng_demostart " + std::to_string(start) + "\n[voidSection]\nend " + std::to_string(start + length) +
           "\n[eof]\n";
}

// The frame at which the device stopped sounding silence, where the stream started.
long first_sound(const std::vector<int16_t>& heard) {
    const auto at = std::find_if(heard.begin(), heard.end(), [](int16_t v) { return v != 0; });
    return long(at - heard.begin()) / 2;
}

// The soundtrack that varnel-capture writes on its fixed clock, as samples.
std::vector<int16_t> wav_samples(const std::string& path) {
    const std::string wav = read_file(path);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
    std::vector<int16_t> samples(wav.size() > 44 ? (wav.size() - 44) / 2 : 0);
    if (!samples.empty()) memcpy(samples.data(), wav.data() + 44, samples.size() * 2);
    return samples;
}

// The song as the mpg123 program decodes it, from g_demostart on, sample for sample, however the
// MP3 is read: in the soundtrack of the fixed clock, as long as its frames, and from the device.
TEST_F(PlayerTest, MusicIsTheSongFromTheDemoStart) {
    const std::string mp3 = make_test_mp3(15.0);
    const std::vector<int16_t> reference = decode_mp3(mp3);
    ASSERT_EQ(reference.size(), size_t(15 * 44100 * 2)) << "the reference is gapless";
    write_file("music/Track.mp3", mp3);
    write_file("data.dat", build_archive({{"textures/loading.jpg", read_file("textures/loading.jpg")},
                                          {"music/Track.mp3", mp3}}));
    for (bool packed : {false, true}) {
        for (float start : {0.0f, 12.5f}) {
            SCOPED_TRACE(std::string(packed ? "archive, " : "loose, ") + std::to_string(start));
            write_file("script.txt", music_script("music/track.mp3", start, packed));
            ProcessResult r = capture({"--fps", "25", "--to", std::to_string(start + 1.0f), "--audio", "sound.wav"});
            ASSERT_EQ(r.status, 0) << r.err;
            const std::vector<int16_t> sound = wav_samples("sound.wav");
            // Frames from the start up to the first at or after a second later, each 1/25 s of sound.
            const int frames = frames_between(start, start + 1.0f, 25, start) + 1;
            ASSERT_EQ(sound.size(), size_t(frames) * 44100 / 25 * 2);
            EXPECT_TRUE(std::equal(sound.begin(), sound.end(), reference.begin() + long(start * 44100) * 2))
                << "not the song from " << start << " s on, to the sample";
        }
    }

    // Through SDL's disk driver in real time, which writes less than the demo's time on a loaded
    // machine: whatever it wrote is the song.
    write_file("script.txt", music_script("music/track.mp3", 12.5f, false));
    ProcessResult r = run_process(VARNEL_BIN, {}, kDiskAudio);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<int16_t> heard = read_samples("heard.raw");
    const long at = first_sound(heard) * 2;
    const size_t count = std::min(heard.size() - size_t(at), reference.size() - size_t(12.5 * 44100) * 2);
    EXPECT_GT(count, size_t(4096)) << "nothing of it was heard";
    EXPECT_TRUE(std::equal(heard.begin() + at, heard.begin() + at + long(count), reference.begin() + long(12.5 * 44100) * 2))
        << "the device does not sound the song from g_demostart on";
}

// Clicks at song times 1 s and 13 s sound at those demo times, whatever the file's rate.
TEST_F(PlayerTest, MusicAtOtherRatesPlaysAtItsTrueSpeed) {
    for (const auto& [rate, channels] : {std::pair{48000, 2}, std::pair{22050, 1}}) {
        write_file("song.mp3", make_test_mp3(14.0, rate, channels));
        for (float start : {0.0f, 12.5f}) {
            SCOPED_TRACE(std::to_string(rate) + " Hz from " + std::to_string(start));
            write_file("script.txt", music_script("song.mp3", start, false, 2.0f));
            ProcessResult r = capture({"--fps", "25", "--to", std::to_string(start + 1.5f), "--audio", "sound.wav"});
            ASSERT_EQ(r.status, 0) << r.err;
            const std::vector<int16_t> sound = wav_samples("sound.wav");
            const long click = std::lround((kClickTimes[start > 0 ? 1 : 0] - start) * 44100);
            ASSERT_LT(size_t(click + 2205) * 2, sound.size());
            long loudest = click - 2205;
            const auto level = [&](long frame) { return std::abs(sound[size_t(frame) * 2]) + std::abs(sound[size_t(frame) * 2 + 1]); };
            for (long frame = click - 2205; frame < click + 2205; ++frame) {
                if (level(frame) > level(loudest)) loudest = frame;
            }
            // The chirps alone never reach half of full scale in both channels.
            EXPECT_GT(level(loudest), 32768) << "no click within 50 ms of its time";
            EXPECT_NEAR(loudest, click, 22) << "the click does not sound within half a millisecond of its time";
            if (channels == 1) {
                long differ = 0;
                for (size_t i = 0; i < sound.size(); i += 2) differ += sound[i] != sound[i + 1];
                EXPECT_EQ(differ, 0) << "mono is not the same on both channels";
            }
        }
    }
}

TEST_F(PlayerTest, MusicFaults) {
    const std::vector<std::string> disk = {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=heard.raw"};
    const std::string show = "[voidSection]\nend 0.5\n[eof]\n";
    write_file("words.mp3", "these are words, not music\n");

    write_file("script.txt", "gl_fullscreen 0\nsnd_enable 1\nsnd_mp3file words.mp3\n" + show);
    EXPECT_EQ(error_line(run_process(VARNEL_BIN, {}, disk).err), "Error: Unknown file format");
    write_file("script.txt", "gl_fullscreen 0\nsnd_enable 1\nsnd_mp3file none.mp3\n" + show);
    ProcessResult r = run_process(VARNEL_BIN, {}, disk);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(error_line(r.err), "Error: Mp3 file not found");
    r = run_process(VARNEL_BIN, {}, {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=no-such-device"});
    EXPECT_EQ(error_line(r.err), "Error: Error initializing output device.");

    write_file("data.dat", build_archive({{"script.txt", "gl_fullscreen 0\ng_packeddata 1\nsnd_enable 1\nsnd_mp3file a.mp3\n" + show},
                                          {"textures/loading.jpg", read_file("textures/loading.jpg")}}));
    remove("script.txt");
    EXPECT_EQ(error_line(run_process(VARNEL_BIN, {}, disk).err), "Error: Mp3 file not found at PAK");

    // A fatal error while the music plays closes it on the way out.
    write_file("music.mp3", make_test_mp3(3.0));
    write_file("script.txt", "gl_fullscreen 0\nsnd_enable 1\nsnd_mp3file music.mp3\n[voidSection]\nend 2\n"
                             "[cameraloc]\nstart 0.3\nend 2\nsyncs 1\nsync 0\n[eof]\n");
    r = run_process(VARNEL_BIN, {}, disk);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(error_line(r.err), "Error: Section: invalid number of syncs (1 found, 0 expected)");

    // Without sound the audio system is never opened.
    remove("heard.raw");
    write_file("script.txt", "gl_fullscreen 0\nsnd_enable 0\nsnd_mp3file none.mp3\n" + show);
    r = run_process(VARNEL_BIN, {}, disk);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(std::filesystem::exists("heard.raw"));
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
