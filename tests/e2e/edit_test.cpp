// edit_test.cpp -- authoring mode driven through its command lines: exact seeks, reloads on save, bad input
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
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
