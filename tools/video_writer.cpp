// video_writer.cpp -- pipes raw frames to ffmpeg beside a WAV, into a temporary file renamed when whole
#include "video_writer.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace {

constexpr const char* kMissing = "varnel-capture: --video needs ffmpeg, which is not on PATH (scripts/deps.sh installs it)";

// Waits for ffmpeg and says how it ended: true for exit status 0.
bool wait_ffmpeg(VideoWriter* video, bool quiet) {
    int status = 0;
    pid_t done = -1;
    do {
        done = waitpid(video->pid, &status, 0);
    } while (done < 0 && errno == EINTR);
    video->pid = -1;
    if (done >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    if (quiet) return false;
    if (done >= 0 && WIFEXITED(status)) {
        fprintf(stderr, "varnel-capture: ffmpeg failed (exit status %d); no video written\n", WEXITSTATUS(status));
    } else if (done >= 0 && WIFSIGNALED(status)) {
        fprintf(stderr, "varnel-capture: ffmpeg failed (signal %d); no video written\n", WTERMSIG(status));
    } else {
        fprintf(stderr, "varnel-capture: ffmpeg failed; no video written\n");
    }
    return false;
}

void close_input(VideoWriter* video) {
    if (video->fd >= 0) close(video->fd);
    video->fd = -1;
}

}  // namespace

bool find_ffmpeg() {
    const char* path = getenv("PATH");
    // What posix_spawnp searches when PATH is unset.
    if (!path) path = "/bin:/usr/bin";
    // An empty entry of PATH is the working directory.
    for (const char* entry = path;; ++entry) {
        const char* colon = strchr(entry, ':');
        const size_t length = colon ? size_t(colon - entry) : strlen(entry);
        std::string file = length ? std::string(entry, length) + "/ffmpeg" : std::string("ffmpeg");
        struct stat st;
        if (stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(file.c_str(), X_OK) == 0) return true;
        if (!colon) break;
        entry = colon;
    }
    fprintf(stderr, "%s\n", kMissing);
    return false;
}

bool reserve_video(VideoWriter* video, const std::string& path) {
    video->path = path;
    video->part = path + ".part";
    const int fd = open(video->part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        fprintf(stderr, "varnel-capture: cannot write %s: %s\n", video->part.c_str(), strerror(errno));
        return false;
    }
    close(fd);
    return true;
}

bool start_video(VideoWriter* video, const std::string& wav, int width, int height, int fps) {
    video->width = width;
    video->height = height;
    video->upright.resize(size_t(width) * size_t(height) * 3);

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        fprintf(stderr, "varnel-capture: cannot make a pipe to ffmpeg: %s\n", strerror(errno));
        return false;
    }
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const std::string rate = std::to_string(fps);
    const char* args[] = {
        "ffmpeg", "-hide_banner", "-loglevel", "error", "-y",
        "-f", "rawvideo", "-pix_fmt", "rgb24", "-video_size", size.c_str(), "-framerate", rate.c_str(), "-i", "pipe:0",
        "-i", wav.c_str(),
        "-map", "0:v:0", "-map", "1:a:0",
        // yuv420p halves both directions of the colour planes, so x264 wants even sizes.
        "-vf", "pad=ceil(iw/2)*2:ceil(ih/2)*2",
        "-c:v", "libx264", "-preset", "medium", "-crf", "18", "-pix_fmt", "yuv420p",
        "-c:a", "aac", "-b:a", "192k",
        "-movflags", "+faststart", "-f", "mp4", video->part.c_str(), nullptr,
    };
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
    const int error = posix_spawnp(&video->pid, "ffmpeg", &actions, nullptr, const_cast<char* const*>(args), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    if (error != 0) {
        close(fds[1]);
        video->pid = -1;
        if (error == ENOENT) {
            fprintf(stderr, "%s\n", kMissing);
        } else {
            fprintf(stderr, "varnel-capture: cannot start ffmpeg: %s\n", strerror(error));
        }
        unlink(video->part.c_str());
        return false;
    }
    video->fd = fds[1];
    return true;
}

bool write_video_frame(VideoWriter* video, const uint8_t* bottom_up) {
    const size_t stride = size_t(video->width) * 3;
    for (int y = 0; y < video->height; ++y) {
        memcpy(video->upright.data() + size_t(y) * stride, bottom_up + size_t(video->height - 1 - y) * stride, stride);
    }
    const uint8_t* data = video->upright.data();
    size_t left = video->upright.size();
    while (left > 0) {
        const ssize_t n = write(video->fd, data, left);
        if (n < 0 && errno == EINTR) continue;
        // EPIPE: ffmpeg has exited; why is told when it is waited for.
        if (n <= 0) return false;
        data += n;
        left -= size_t(n);
    }
    ++video->frames;
    return true;
}

bool finish_video(VideoWriter* video, bool complete) {
    close_input(video);
    const bool encoded = video->pid >= 0 && wait_ffmpeg(video, false);
    if (encoded && !complete) fprintf(stderr, "varnel-capture: the capture stopped early; no video written\n");
    const bool renamed = encoded && complete && rename(video->part.c_str(), video->path.c_str()) == 0;
    if (encoded && complete && !renamed) {
        fprintf(stderr, "varnel-capture: cannot write %s: %s\n", video->path.c_str(), strerror(errno));
    }
    if (!renamed) unlink(video->part.c_str());
    video->part.clear();
    return renamed;
}

void abandon_video(VideoWriter* video) {
    close_input(video);
    if (video->pid >= 0) {
        kill(video->pid, SIGTERM);
        wait_ffmpeg(video, true);
    }
    if (!video->part.empty()) unlink(video->part.c_str());
    video->part.clear();
}
