// capture_test.cpp -- varnel-capture's video, its failures and interruption, and the contact sheet, read back
// with ffprobe, ffmpeg and libpng
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <png.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "support/audio.h"
#include "support/pictures.h"
#include "support/scratch.h"

namespace {

namespace fs = std::filesystem;

class CaptureTest : public testing::Test {
protected:
    void SetUp() override { write_loading_picture(); }
    ScratchDir dir;
};

ProcessResult capture(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
    return run_process(VARNEL_CAPTURE_BIN, args, env);
}

ProcessResult shell(const std::string& command) {
    return run_process("/bin/sh", {"-c", command});
}

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

Picture read_png(const char* path) {
    Picture picture;
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path)) return picture;
    image.format = PNG_FORMAT_RGB;
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr)) return {};
    picture.width = int(image.width);
    picture.height = int(image.height);
    return picture;
}

std::vector<std::string> files_in(const std::string& path) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(path)) names.push_back(e.path().filename().string());
    return names;
}

// ffprobe's "key=value" lines about show.mp4.
std::map<std::string, std::string> probe(const std::string& options) {
    const ProcessResult r = shell("ffprobe -v error " + options + " -of default=nw=1 show.mp4");
    EXPECT_EQ(r.status, 0) << r.err;
    std::map<std::string, std::string> fields;
    size_t begin = 0;
    for (size_t end = r.out.find('\n'); end != std::string::npos; begin = end + 1, end = r.out.find('\n', begin)) {
        const std::string line = r.out.substr(begin, end - begin);
        const size_t equals = line.find('=');
        if (equals != std::string::npos) fields[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return fields;
}

// A field as a number, "1.600000", "40" or a ratio "25/1"; NaN when it is not there.
double number(const std::map<std::string, std::string>& fields, const std::string& key) {
    const auto field = fields.find(key);
    if (field == fields.end()) return NAN;
    char* end = nullptr;
    double value = strtod(field->second.c_str(), &end);
    if (*end == '/') value /= strtod(end + 1, nullptr);
    return value;
}

// A show from 0.5 s to 2.1 s over the song whose click at 1 s then falls 0.5 s into the video; the
// frame rate is drawn at the bottom of the screen. 161 x 121 is padded to even sizes for yuv420p.
TEST_F(CaptureTest, VideoHoldsEveryFrameWithTheSoundInStep) {
    write_file("track.mp3", make_test_mp3(3.0));
    write_file("script.txt", "gl_width 161\ngl_height 121\ng_drawfps 1\nsnd_enable 1\nsnd_mp3file track.mp3\ng_demostart 0.5\n"
                             "[voidSection]\nend 2.1\n[eof]\n");
    fs::create_directory("tmp");
    ProcessResult r = capture({"--fps", "25", "--video", "show.mp4", "--at", "0.5", "--out", "frames"},
                              {"TMPDIR=" + dir.path() + "/tmp"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(files_in("tmp"), std::vector<std::string>{}) << "the temporary soundtrack stays";
    EXPECT_FALSE(fs::exists("show.mp4.part"));

    // 1.6 s at 25 fps, from the first frame on.
    auto fields = probe("-count_frames -select_streams v -show_entries "
                        "stream=codec_name,pix_fmt,width,height,r_frame_rate,duration,nb_read_frames");
    EXPECT_EQ(fields["codec_name"], "h264");
    EXPECT_EQ(fields["pix_fmt"], "yuv420p");
    EXPECT_EQ(number(fields, "width"), 162);
    EXPECT_EQ(number(fields, "height"), 122);
    EXPECT_NEAR(number(fields, "r_frame_rate"), 25.0, 1e-9);
    EXPECT_NEAR(number(fields, "duration"), 1.6, 0.001);
    EXPECT_EQ(number(fields, "nb_read_frames"), 40);
    // The encoder's priming and last frame may add some milliseconds of its own.
    fields = probe("-select_streams a -show_entries stream=codec_name,sample_rate,duration");
    EXPECT_EQ(fields["codec_name"], "aac");
    EXPECT_EQ(number(fields, "sample_rate"), 44100);
    EXPECT_NEAR(number(fields, "duration"), 1.6, 0.05);

    // The first frame is the picture drawn, upright, at the top left of the padded frame.
    ASSERT_EQ(shell("ffmpeg -v error -i show.mp4 -frames:v 1 -f rawvideo -pix_fmt rgb24 first.raw").status, 0);
    const std::string first = read_file("first.raw");
    ASSERT_EQ(first.size(), 162u * 122u * 3);
    const Picture drawn = read_png("frames/0.500.png");
    ASSERT_EQ(drawn.width, 161);
    ASSERT_EQ(drawn.height, 121);
    const auto video = [&](int x, int y, int c) { return int(uint8_t(first[(size_t(y) * 162 + size_t(x)) * 3 + size_t(c)])); };
    long difference = 0;
    long light = 0;
    int brightest_top = 0;
    int brightest_bottom = 0;
    for (int y = 0; y < 121; ++y) {
        for (int x = 0; x < 161; ++x) {
            for (int c = 0; c < 3; ++c) {
                const int want = drawn.rgb[(size_t(y) * 161 + size_t(x)) * 3 + size_t(c)];
                difference += std::abs(video(x, y, c) - want);
                light += want;
                if (y < 90) brightest_top = std::max(brightest_top, video(x, y, c));
                if (y >= 100) brightest_bottom = std::max(brightest_bottom, video(x, y, c));
            }
        }
    }
    EXPECT_GT(brightest_bottom, 128) << "no text at the bottom: the frame is not upright";
    EXPECT_LT(brightest_top, 32);
    EXPECT_LT(difference, light / 4) << "the video's first frame is not the picture drawn";

    ASSERT_EQ(shell("ffmpeg -v error -i show.mp4 -f s16le -c:a pcm_s16le sound.raw").status, 0);
    const std::string sound_bytes = read_file("sound.raw");
    std::vector<int16_t> sound(sound_bytes.size() / 2);
    memcpy(sound.data(), sound_bytes.data(), sound.size() * 2);
    const long click = 22050;
    ASSERT_GT(sound.size(), size_t(click + 2205) * 2);
    long loudest = click - 2205;
    const auto level = [&](long frame) { return std::abs(sound[size_t(frame) * 2]) + std::abs(sound[size_t(frame) * 2 + 1]); };
    for (long frame = click - 2205; frame < click + 2205; ++frame) {
        if (level(frame) > level(loudest)) loudest = frame;
    }
    EXPECT_GT(level(loudest), 32768) << "no click within 50 ms of its time";
    EXPECT_NEAR(loudest, click, 22) << "the sound is not in step with the first frame within half a millisecond";
}

TEST_F(CaptureTest, VideoFailuresLeaveNoFile) {
    write_file("script.txt", "gl_width 160\ngl_height 120\n[voidSection]\nend 1\n[eof]\n");
    const auto nothing_left = [] { return !fs::exists("show.mp4") && !fs::exists("show.mp4.part"); };

    ProcessResult r = capture({"--video", "show.mp4"}, {"PATH=" + dir.path() + "/none"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "varnel-capture: --video needs ffmpeg, which is not on PATH (scripts/deps.sh installs it)\n");
    EXPECT_TRUE(nothing_left());

    // An ffmpeg that gives up at once, and one that dies a few frames into the file it began.
    fs::create_directory("tmp");
    const struct {
        const char* scenario;
        const char* script;
        const char* said;  // what ffmpeg says, passed on
        const char* message;
    } failures[] = {
        {"gives up", "echo 'ffmpeg: cannot encode' >&2\nexit 3\n", "ffmpeg: cannot encode\n",
         "varnel-capture: ffmpeg failed (exit status 3); no video written\n"},
        {"dies", "for a; do out=$a; done\necho begun > \"$out\"\nhead -c 200000 > /dev/null\nkill -KILL $$\n", "",
         "varnel-capture: ffmpeg failed (signal 9); no video written\n"},
    };
    for (const auto& f : failures) {
        SCOPED_TRACE(f.scenario);
        write_file("bin/ffmpeg", std::string("#!/bin/sh\n") + f.script);
        fs::permissions("bin/ffmpeg", fs::perms::owner_all);
        r = capture({"--video", "show.mp4"}, {"PATH=" + dir.path() + "/bin:/usr/bin:/bin", "TMPDIR=" + dir.path() + "/tmp"});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(f.said), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(f.message), std::string::npos) << r.err;
        EXPECT_TRUE(nothing_left());
        EXPECT_EQ(files_in("tmp"), std::vector<std::string>{}) << "the temporary soundtrack stays";
    }

    r = capture({"--video", "no/show.mp4"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "varnel-capture: cannot write no/show.mp4.part: No such file or directory\n");
}

// Graphics that cannot be opened: the player's message and exit, then the capture's own line with
// SDL's reason and what is likely missing. Mesa's warnings may come between, so lines are looked up.
TEST_F(CaptureTest, GraphicsFailuresSayWhy) {
    write_file("script.txt", "gl_width 160\ngl_height 120\n[voidSection]\nend 1\n[eof]\n");
    const struct {
        const char* scenario;
        const char* env;
        const char* cause;
    } failures[] = {
        {"no EGL library", "SDL_VIDEO_EGL_DRIVER=/nonexistent/libEGL.so.1",
         "likely cause: EGL is missing: /nonexistent/libEGL.so.1 does not load"},
        {"no EGL driver", "__EGL_VENDOR_LIBRARY_DIRS=/nonexistent", "likely cause: EGL has no driver: libEGL.so.1 loads"},
        {"no Mesa driver", "LIBGL_DRIVERS_PATH=/nonexistent", "likely cause: EGL's driver does not start"},
    };
    for (const auto& f : failures) {
        SCOPED_TRACE(f.scenario);
        const ProcessResult r = capture({"--at", "0.5"}, {f.env});
        EXPECT_EQ(r.status, 1);
        const std::string message = "Error: Error opening graphics mode\nvarnel-capture: SDL: ";
        const size_t at = r.err.find(message);
        ASSERT_NE(at, std::string::npos) << r.err;
        const std::string line = r.err.substr(at + message.size(), r.err.find('\n', at + message.size()) - at - message.size());
        EXPECT_NE(line.find("; likely cause: "), std::string::npos) << "SDL's reason first: " << line;
        EXPECT_NE(line.find(f.cause), std::string::npos) << line;

        // The player says what it always said, and no more.
        const ProcessResult player = run_process(VARNEL_BIN, {}, {"SDL_VIDEODRIVER=offscreen", f.env});
        EXPECT_EQ(player.status, 1);
        EXPECT_NE(player.err.find("Error: Error opening graphics mode\n"), std::string::npos) << player.err;
        EXPECT_EQ(player.err.find("likely cause"), std::string::npos) << player.err;
    }
}

// Interrupted while ffmpeg runs: the begun video and the temporary soundtrack go, and ffmpeg is
// ended and waited for before the capture ends by the same signal.
TEST_F(CaptureTest, InterruptedVideoLeavesNothing) {
    write_file("script.txt", "gl_width 160\ngl_height 120\n[voidSection]\nend 30\n[eof]\n");
    // An ffmpeg that begins its file, says who it is and takes no frames.
    write_file("bin/ffmpeg", "#!/bin/sh\nfor a; do out=$a; done\necho begun > \"$out\"\n"
                             "echo $$ > ffmpeg.pid.part && mv ffmpeg.pid.part ffmpeg.pid\nexec sleep 60\n");
    fs::permissions("bin/ffmpeg", fs::perms::owner_all);
    fs::create_directory("tmp");
    const std::vector<std::string> env = {"PATH=" + dir.path() + "/bin:/usr/bin:/bin", "TMPDIR=" + dir.path() + "/tmp"};
    const pid_t pid = fork();
    if (pid == 0) {
        for (const std::string& assignment : env) putenv(const_cast<char*>(assignment.c_str()));
        execl(VARNEL_CAPTURE_BIN, VARNEL_CAPTURE_BIN, "--video", "show.mp4", static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_GT(pid, 0);
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!fs::exists("ffmpeg.pid") && std::chrono::steady_clock::now() < give_up) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const bool started = fs::exists("ffmpeg.pid") && fs::exists("show.mp4.part");
    EXPECT_TRUE(started) << "ffmpeg was never started";
    kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << "status " << status;
    EXPECT_FALSE(fs::exists("show.mp4.part"));
    EXPECT_FALSE(fs::exists("show.mp4"));
    EXPECT_EQ(files_in("tmp"), std::vector<std::string>{}) << "the temporary soundtrack stays";
    if (!started) return;
    const pid_t ffmpeg = std::stoi(read_file("ffmpeg.pid"));
    EXPECT_NE(kill(ffmpeg, 0), 0) << "ffmpeg outlived the capture";
    if (kill(ffmpeg, 0) == 0) kill(ffmpeg, SIGKILL);
}

// The thumbnails of a row of the sheet: runs of black, which is all that voidSection draws, at least
// half a frame wide, across the row a little below the first black pixel.
int thumbnails_in_first_row(const Picture& sheet) {
    const auto black = [&](size_t i) { return sheet.rgb[i] == 0 && sheet.rgb[i + 1] == 0 && sheet.rgb[i + 2] == 0; };
    size_t first = 0;
    while (first < sheet.rgb.size() && !black(first)) first += 3;
    const int y = int(first / 3) / sheet.width + 10;
    int count = 0;
    int run = 0;
    for (int x = 0; x <= sheet.width; ++x) {
        if (x < sheet.width && black((size_t(y) * size_t(sheet.width) + size_t(x)) * 3)) {
            ++run;
            continue;
        }
        count += run >= 80;
        run = 0;
    }
    return count;
}

TEST_F(CaptureTest, SheetHasAThumbnailPerStretch) {
    // Stretches of 1, 1, 0.5 and 1 seconds: the half second has none.
    write_file("script.txt", "gl_width 160\ngl_height 120\n[voidSection]\nend 3.5\n"
                             "[cameraloc]\nstart 1\nend 2\nlayer 1\n[cameraloc]\nstart 2\nend 2.5\nlayer 1\n[eof]\n");
    ProcessResult r = capture({"--fps", "20", "--sheet", "sheet.png"});
    ASSERT_EQ(r.status, 0) << r.err;
    Picture sheet = read_png("sheet.png");
    ASSERT_GT(sheet.width, 0);
    EXPECT_EQ(thumbnails_in_first_row(sheet), 3);
    EXPECT_FALSE(fs::exists("capture")) << "no frames were asked for";

    r = capture({"--fps", "20", "--sheet", "sheet.png", "--sheet-every", "0.5"});
    ASSERT_EQ(r.status, 0) << r.err;
    sheet = read_png("sheet.png");
    EXPECT_EQ(thumbnails_in_first_row(sheet), 7);
}

// A show that strobes full screen at 10 Hz from 1 s to 3 s, is calm to 5.5 s, then strobes
// saturated red to 7 s: sync sections of 0.05 s every 0.1 s, on white and on red pictures.
TEST_F(CaptureTest, FlashReportNamesTheStrobesAndGentleViewingPassesThem) {
    TestPicture white{8, 8, std::vector<uint8_t>(8 * 8 * 3, 255)}, red = white;
    for (size_t i = 0; i < red.rgb.size(); i += 3) red.rgb[i + 1] = red.rgb[i + 2] = 0;
    fs::create_directories("textures/sync");
    for (int i = 1; i <= 45; ++i) {
        char name[64];
        snprintf(name, sizeof name, "textures/sync/%02d.jpg", i);
        write_file(name, encode_jpeg(i == 2 ? red : white));
    }
    std::string script = "gl_width 160\ngl_height 120\nsnd_enable 0\n[voidSection]\nend 7.5\n";
    int line = 6;
    std::vector<int> white_lines, red_lines;
    for (int i = 0; i < 35; ++i) {
        const bool is_red = i >= 20;
        const double start = is_red ? 5.5 + (i - 20) * 0.1 : 1.0 + i * 0.1;
        char section[128];
        snprintf(section, sizeof section, "[sync]\nstart %.2f\nend %.2f\nlayer 1\nsyncs 2\nsync %d\nsync 3\n", start,
                 start + 0.05, is_red ? 1 : 0);
        script += section;
        (is_red ? red_lines : white_lines).push_back(line);
        line += 7;
    }
    write_file("script.txt", script + "[eof]\n");

    const auto report = [](const char* path) {
        std::ifstream in(path);
        return nlohmann::json::parse(in, nullptr, false);
    };
    ProcessResult r = capture({"--flash-report", "plain.json", "--every", "6", "--out", "plain"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("varnel-capture: flashes FAIL"), std::string::npos) << r.out;
    const nlohmann::json plain = report("plain.json");
    EXPECT_EQ(plain["verdict"], "fail");
    ASSERT_EQ(plain["failing"].size(), 2u) << plain.dump(1);
    // Each stretch is the seconds that hold a fourth flash: from a second before the strobe's
    // fourth flash to its last, so the calm stretch from 4 s to 4.8 s is in neither.
    const nlohmann::json& first = plain["failing"][0];
    const nlohmann::json& second = plain["failing"][1];
    EXPECT_GT(first["from"].get<double>(), 0.3);
    EXPECT_LT(first["to"].get<double>(), 4.0);
    EXPECT_GT(second["from"].get<double>(), 4.8);
    EXPECT_LT(second["to"].get<double>(), 8.0);
    EXPECT_EQ(first["general_flashes"], 10);
    EXPECT_EQ(first["red_flashes"], 0);
    EXPECT_EQ(second["red_flashes"], 10);
    // The sections on screen then: the void beneath, and the strobe's own sync sections by line.
    for (const auto& [stretch, lines] : {std::pair{&first, &white_lines}, std::pair{&second, &red_lines}}) {
        std::vector<int> syncs;
        for (const auto& section : (*stretch)["sections"]) {
            if (section["type"] == "sync") {
                syncs.push_back(section["line"].get<int>());
            } else {
                EXPECT_EQ(section["type"], "voidSection");
                EXPECT_EQ(section["line"], 4);
            }
        }
        EXPECT_EQ(syncs, *lines);
    }

    r = capture({"--gentle", "--flash-report", "gentle.json", "--every", "6", "--out", "gentle"});
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json gentle = report("gentle.json");
    EXPECT_EQ(gentle["verdict"], "pass") << gentle.dump(1);
    EXPECT_EQ(gentle["most_flashes_in_a_second"]["general"], 3);
    // The strobes are held back; the calm stretch, outside every failing second, is as drawn.
    EXPECT_NE(read_png("plain/frame-000096.png").rgb, read_png("gentle/frame-000096.png").rgb);
    for (int frame = 246; frame <= 288; frame += 6) {
        char name[64];
        snprintf(name, sizeof name, "/frame-%06d.png", frame);
        const Picture a = read_png(("plain" + std::string(name)).c_str());
        ASSERT_EQ(a.width, 160) << name;
        EXPECT_EQ(a.rgb, read_png(("gentle" + std::string(name)).c_str()).rgb) << name;
    }

    // varnel-tool flashes: the same verdicts, no frames written, the status telling them.
    r = run_process(VARNEL_TOOL_BIN, {"flashes"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.out.find("varnel-tool: flashes FAIL"), std::string::npos) << r.out;
    r = run_process(VARNEL_TOOL_BIN, {"flashes", "--gentle"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
}

}  // namespace
