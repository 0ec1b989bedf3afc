// edit_test.cpp -- authoring mode driven through its command lines: exact seeks, reloads on save, bad input
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <png.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/scratch.h"

namespace {

namespace fs = std::filesystem;

// The player in authoring mode on a show directory, its commands written to its standard input and
// its answers read from its standard output, one line each.
class EditSession {
public:
    EditSession(const std::string& show, std::vector<std::string> args) {
        int in[2];
        int out[2];
        if (pipe(in) != 0 || pipe(out) != 0) return;
        args.insert(args.begin(), {"--edit", "--windowed"});
        args.push_back(show);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], STDIN_FILENO);
            dup2(out[1], STDOUT_FILENO);
            if (FILE* err = fopen("stderr.txt", "w")) dup2(fileno(err), STDERR_FILENO);
            close(in[1]);
            close(out[0]);
            setenv("SDL_VIDEODRIVER", "offscreen", 1);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            std::vector<char*> argv = {const_cast<char*>(VARNEL_BIN)};
            for (std::string& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(VARNEL_BIN, argv.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        to_ = in[1];
        from_ = out[0];
    }

    ~EditSession() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (to_ >= 0) close(to_);
        if (from_ >= 0) close(from_);
    }

    // The answer to one command; "" when none comes within two minutes (a sanitizer build loads slowly).
    std::string ask(const std::string& command) {
        const std::string line = command + "\n";
        if (write(to_, line.data(), line.size()) != ssize_t(line.size())) return "";
        std::string answer;
        for (;;) {
            pollfd p = {from_, POLLIN, 0};
            if (poll(&p, 1, 120000) <= 0) return "";
            char c;
            if (read(from_, &c, 1) != 1) return "";
            if (c == '\n') return answer;
            answer += c;
        }
    }

    // Quits and returns the exit status, -1 when it did not exit normally.
    int quit() {
        EXPECT_EQ(ask("quit").substr(0, 3), "ok ");
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int to_ = -1;
    int from_ = -1;
};

std::string shot(EditSession* session, const std::string& name) {
    const std::string path = fs::absolute(name).string();
    EXPECT_EQ(session->ask("screenshot " + path).substr(0, 3), "ok ") << name;
    return read_file(path);
}

// The frame that a fresh start at time draws first.
std::string first_frame(float time) {
    EditSession session(VARNEL_TEST_SHOW, {"--at", std::to_string(time)});
    const std::string frame = shot(&session, "fresh.png");
    EXPECT_EQ(session.quit(), 0);
    return frame;
}

TEST(EditTest, SeeksDrawTheFrameAFreshStartDraws) {
    ScratchDir dir;
    EditSession session(VARNEL_TEST_SHOW, {});
    // In no order, each after frames from that time that changed what its effects carry: the
    // mechanism's fountains, the tunnel's grain, the final swirl's trails.
    const float times[] = {124.1f, 70.3f, 160.5f};
    std::vector<std::string> frames;
    for (float t : times) {
        const std::string seek = "seek " + std::to_string(t);
        session.ask("play");
        char playing[64];
        snprintf(playing, sizeof playing, "ok %.3f playing", double(t));
        EXPECT_EQ(session.ask(seek), playing);  // the answer names the frame to come
        for (int i = 0; i < 5; ++i) shot(&session, "played.png");
        EXPECT_EQ(session.ask("pause").substr(0, 3), "ok ");
        EXPECT_EQ(session.ask(seek).substr(0, 3), "ok ");
        frames.push_back(shot(&session, "seek.png"));
    }
    EXPECT_EQ(session.quit(), 0);
    for (size_t i = 0; i < frames.size(); ++i) {
        ASSERT_FALSE(frames[i].empty());
        EXPECT_TRUE(frames[i] == first_frame(times[i])) << "seek to " << times[i];
    }
}

// A small show of the default show's files: the stone and the explosion from 2 s, at 320 x 240.
const char* const kScript =
    "gl_width 320\ngl_height 240\n"
    "[voidSection]\nend 10\n"
    "[cameraloc]\nend 10\nlayer 1\n"
    "[varnelBump]\nend 10\nlayer 2\n"
    "[redExplosion]\nstart 2\nend 10\nlayer 3\n"
    "[eof]\n";

void make_small_show() {
    for (const char* file : {"textures/loading.jpg", "textures/varnelstone.tga", "textures/varnelbump.jpg",
                             "textures/varnelglow.jpg", "textures/redexplosion.jpg"}) {
        write_file(std::string("show/") + file, read_file(std::string(VARNEL_TEST_SHOW) + "/" + file));
    }
    write_file("show/script.txt", kScript);
}

// A save that replaces the file at once, as editors do.
void save(const std::string& path, const std::string& bytes) {
    write_file(path + ".new", bytes);
    fs::rename(path + ".new", path);
}

TEST(EditTest, SavedFilesTakeEffectAndBrokenOnesKeepTheLastGoodShow) {
    ScratchDir dir;
    make_small_show();
    EditSession session("show", {"--at", "3"});
    session.ask("pause");
    const std::string before = shot(&session, "before.png");

    // A later start for the explosion: at 3 s it is not there yet.
    save("show/script.txt", std::string(kScript).replace(std::string(kScript).find("start 2"), 7, "start 6"));
    EXPECT_FALSE(shot(&session, "later.png") == before);

    // A broken save: its error is shown, the last good script goes on; mended, it plays.
    save("show/script.txt", "gl_width 320\n[voidSection]\nend x\n[nosuchtype]\n");
    shot(&session, "broken.png");
    save("show/script.txt", kScript);
    EXPECT_TRUE(shot(&session, "mended.png") == before);

    // A changed picture shows; one deleted keeps the old picture and says why.
    const std::string explosion = read_file("show/textures/redexplosion.jpg");
    save("show/textures/redexplosion.jpg", read_file("show/textures/varnelglow.jpg"));
    EXPECT_FALSE(shot(&session, "changed.png") == before);
    fs::remove("show/textures/redexplosion.jpg");
    EXPECT_EQ(session.ask("reload").substr(0, 6), "error ");
    save("show/textures/redexplosion.jpg", explosion);
    EXPECT_TRUE(shot(&session, "restored.png") == before);
    EXPECT_EQ(session.quit(), 0);

    const std::string err = read_file("stderr.txt");
    EXPECT_NE(err.find("Error: Script: invalid section duration, line 3"), std::string::npos) << err;
    EXPECT_NE(err.find("Error: Error loading 'textures/redexplosion.jpg': no such file"), std::string::npos) << err;
}

// A show of five scenes, one type with a check of its own in each of the first four, the music on.
const char* const kScenes =
    "gl_width 320\ngl_height 240\nsnd_enable 1\nsnd_mp3file music/varnel.mp3\n"
    "[voidSection]\nend 13\n"
    "[cameraloc]\nend 13\nlayer 1\n"
    "[hombre]\nend 3\nlayer 2\n"
    "[titulo]\nstart 3\nend 6\nlayer 2\nsyncs 7\nsync 1\nsync 2\nsync 0\nsync 0\nsync 30\nsync 0\nsync 160\n"
    "[sync]\nstart 6\nend 7\nlayer 2\nsyncs 2\nsync 3\nsync 1\n"
    "[tunnel]\nstart 7\nend 10\nlayer 2\nsyncs 3\nsync 1\nsync 2\nsync 3\n"
    "[varnelBump]\nstart 10\nend 13\nlayer 2\n"
    "[redExplosion]\nstart 10\nend 13\nlayer 3\n"
    "[eof]\n";
const float kSceneTimes[] = {1.5f, 4.2f, 6.3f, 8.5f, 11.5f};

// The pixel rows of a screenshot below the line where an error is shown.
std::vector<uint8_t> below_error_line(const std::string& png) {
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return {};
    const size_t row = size_t(image.width) * 3;
    return std::vector<uint8_t>(rgb.begin() + std::ptrdiff_t(24 * row), rgb.end());
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// Each scene's frame, paused at its time.
std::vector<std::vector<uint8_t>> scene_frames(EditSession* session) {
    std::vector<std::vector<uint8_t>> frames;
    for (float t : kSceneTimes) {
        EXPECT_EQ(session->ask("seek " + std::to_string(t)).substr(0, 3), "ok ") << t;
        frames.push_back(below_error_line(shot(session, "scene.png")));
        EXPECT_FALSE(frames.back().empty()) << t;
    }
    return frames;
}

TEST(EditTest, NoBadSaveEndsTheSessionOrChangesWhatItPlays) {
    ScratchDir dir;
    fs::create_directory("show");
    for (const char* folder : {"textures", "models", "music"}) {
        fs::copy(std::string(VARNEL_TEST_SHOW) + "/" + folder, std::string("show/") + folder, fs::copy_options::recursive);
    }
    // The player's first frame from 1.5 s, where every type still loads, as varnel-capture draws it.
    write_file("show/script.txt", std::string("g_demostart 1.5\n") + kScenes);
    fs::current_path("show");
    const ProcessResult captured = run_process(VARNEL_CAPTURE_BIN, {"--at", "1.5", "--to", "1.5", "--out", "../player"},
                                               {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"});
    fs::current_path("..");
    ASSERT_EQ(captured.status, 0) << captured.err;
    write_file("show/script.txt", kScenes);
    const std::string floor = read_file("show/textures/suelo.jpg");
    const std::string body = read_file("show/models/body3dlow.3ds");
    EditSession session("show", {});
    session.ask("pause");
    session.ask("seek 1.5");
    EXPECT_TRUE(shot(&session, "studio.png") == read_file("player/1.500.png")) << "the studio's start state is the player's";
    const std::vector<std::vector<uint8_t>> good = scene_frames(&session);

    struct BadSave {
        const char* what;
        std::function<void()> spoil;
        const char* message;  // on standard error
    };
    const BadSave saves[] = {
        {"the figure with a sync time", [] { save("show/script.txt", replaced(kScenes, "end 3\n", "end 3\nsyncs 1\nsync 0\n")); },
         "Error: Section: invalid sync number (1 found, 0 expected)"},
        {"a title's picture past the last", [] { save("show/script.txt", replaced(kScenes, "sync 0\nsync 0\nsync 30", "sync 99\nsync 0\nsync 30")); },
         "Error: Section 'titulo' at 3.00: sync 2 is 99, outside 0 to"},
        {"a flash's picture past the last", [] { save("show/script.txt", replaced(kScenes, "sync 3\nsync 1", "sync 99\nsync 1")); },
         "Error: Section 'sync' at 6.00: sync 0 is 99, outside 0 to 44"},
        {"the camera with a sync time", [] { save("show/script.txt", replaced(kScenes, "end 13\nlayer 1\n", "end 13\nlayer 1\nsyncs 1\nsync 0\n")); },
         "Error: Section: invalid number of syncs (1 found, 0 expected)"},
        {"a soundtrack that is no MP3", [] {
             save("show/noise.mp3", std::string(4096, 'x'));
             save("show/script.txt", replaced(kScenes, "music/varnel.mp3", "noise.mp3"));
         }, "Error: Unknown file format"},
        {"a picture cut short, then gone", [&] {
             save("show/textures/suelo.jpg", floor.substr(0, 16));
             session.ask("time");
             fs::remove("show/textures/suelo.jpg");
         }, "Error: Error loading 'textures/suelo.jpg': no such file"},
        {"a model turned to garbage while it plays", [&] {
             session.ask("seek 1");
             session.ask("play");
             save("show/models/body3dlow.3ds", std::string(body.size(), '\x4d'));
             session.ask("time");
             session.ask("pause");
         }, "Error: Error loading 'models/body3dlow.3ds':"},
    };
    for (const BadSave& bad : saves) {
        bad.spoil();
        EXPECT_EQ(session.ask("time").substr(0, 3), "ok ") << bad.what;
        EXPECT_TRUE(scene_frames(&session) == good) << bad.what << ": not the last good show";
        // Mended, and seen to be taken again.
        save("show/script.txt", kScenes);
        save("show/textures/suelo.jpg", floor);
        save("show/models/body3dlow.3ds", body);
        EXPECT_EQ(session.ask("reload").substr(0, 3), "ok ") << bad.what;
        EXPECT_NE(read_file("stderr.txt").find(bad.message), std::string::npos) << bad.what;
    }
    EXPECT_TRUE(scene_frames(&session) == good) << "mended";

    // A type dropped: the show then is the one a fresh start of the new script plays, whose loading
    // the tunnel's random grain no longer comes into.
    const std::string dropped = replaced(kScenes, "[tunnel]\nstart 7\nend 10\nlayer 2\nsyncs 3\nsync 1\nsync 2\nsync 3\n", "");
    save("show/script.txt", dropped);
    const std::vector<std::vector<uint8_t>> after = scene_frames(&session);
    EXPECT_EQ(session.quit(), 0);
    EditSession fresh("show", {});
    fresh.ask("pause");
    EXPECT_TRUE(scene_frames(&fresh) == after) << "the frames of a fresh start";
    EXPECT_FALSE(after.back() == good.back()) << "the bump's jitter draws on from another start";
    EXPECT_EQ(fresh.quit(), 0);
}

TEST(EditTest, ManyReloadsAndBadCommandsLeaveTheSessionWhole) {
    ScratchDir dir;
    make_small_show();
    const std::string socket_path = fs::absolute("control").string();
    EditSession session("show", {"--control-socket", socket_path});
    session.ask("pause");
    const std::string first = shot(&session, "first.png");
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(session.ask("reload").substr(0, 3), "ok ");
        save("show/textures/varnelglow.jpg", read_file("show/textures/varnelglow.jpg"));
    }
    EXPECT_TRUE(shot(&session, "again.png") == first);

    EXPECT_EQ(session.ask("seek -5"), "error -5 is outside the show, 0 to 10.000");
    EXPECT_EQ(session.ask("seek 1e9"), "error 1e9 is outside the show, 0 to 10.000");
    EXPECT_EQ(session.ask("step x"), "error step takes a whole number of frames, not 'x'");
    EXPECT_EQ(session.ask("loop 5 2"), "error loop: 5 is not before 2");
    EXPECT_EQ(session.ask(std::string(2000, 'x')), "error line longer than 1023 characters");
    EXPECT_EQ(session.ask("time").substr(0, 5), "ok 0.");

    // The socket answers as standard input does.
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    snprintf(address.sun_path, sizeof address.sun_path, "%s", socket_path.c_str());
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(write(fd, "seek 4\n", 7), 7);
    char answer[64] = {};
    for (size_t n = 0; n < sizeof answer - 1 && !strchr(answer, '\n');) {
        const ssize_t got = read(fd, answer + n, sizeof answer - 1 - n);
        if (got <= 0) break;
        n += size_t(got);
    }
    close(fd);
    EXPECT_STREQ(answer, "ok 4.000 paused\n");
    EXPECT_EQ(session.quit(), 0);
}

TEST(EditTest, ASocketThatCannotBeBoundIsAnErrorOnScreenNotTheEnd) {
    ScratchDir dir;
    make_small_show();
    EditSession session("show", {"--control-socket", "/no/such/directory/control"});
    EXPECT_EQ(session.ask("time").substr(0, 3), "ok ");
    EXPECT_EQ(session.quit(), 0);
    EXPECT_NE(read_file("stderr.txt").find("Error: control socket '/no/such/directory/control': No such file or directory"),
              std::string::npos);
}

}  // namespace
