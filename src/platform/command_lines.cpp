// command_lines.cpp -- non-blocking line readers over standard input and a Unix socket's clients
#include "platform/command_lines.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kMaxSources = 9;  // standard input, then up to eight socket clients
constexpr int kStandardInput = 0;

struct Source {
    int fd = -1;                     // -1: unused
    char buffer[kCommandLineSize];   // the start of a line not yet ended
    int used = 0;
    bool too_long = false;           // the line being read has overflowed: dropped up to its end
};

struct CommandLineState {
    Source sources[kMaxSources];
    int listener = -1;               // the socket that accepts clients
    char path[sizeof(sockaddr_un::sun_path)] = {};
} s_lines;

// Standard input is left open for whoever else reads it; a client is closed.
void close_source(Source* source) {
    if (source->fd >= 0 && source != &s_lines.sources[kStandardInput]) close(source->fd);
    source->fd = -1;
    source->used = 0;
    source->too_long = false;
}

void set_nonblocking(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

void accept_clients() {
    if (s_lines.listener < 0) return;
    for (;;) {
        const int fd = accept(s_lines.listener, nullptr, nullptr);
        if (fd < 0) return;
        set_nonblocking(fd);
        Source* free_source = nullptr;
        for (int i = 1; i < kMaxSources && !free_source; ++i) {
            if (s_lines.sources[i].fd < 0) free_source = &s_lines.sources[i];
        }
        if (!free_source) {
            static constexpr char kBusy[] = "error too many clients\n";
            (void)!write(fd, kBusy, sizeof kBusy - 1);
            close(fd);
            continue;
        }
        free_source->fd = fd;
        free_source->used = 0;
        free_source->too_long = false;
    }
}

// Takes one whole line out of the source's buffer, if it holds one.
bool take_line(Source* source, char (&line)[kCommandLineSize], bool* too_long) {
    char* end = static_cast<char*>(memchr(source->buffer, '\n', size_t(source->used)));
    if (!end) return false;
    const int length = int(end - source->buffer);
    *too_long = source->too_long;
    if (source->too_long) {
        line[0] = '\0';
    } else {
        memcpy(line, source->buffer, size_t(length));
        line[length] = '\0';
        // A carriage return before the line feed is not part of the command.
        if (length > 0 && line[length - 1] == '\r') line[length - 1] = '\0';
    }
    source->too_long = false;
    source->used -= length + 1;
    memmove(source->buffer, end + 1, size_t(source->used));
    return true;
}

// Reads what the source has; false when it has closed.
bool fill(Source* source) {
    for (;;) {
        if (source->used == kCommandLineSize) {
            // No line feed in a whole buffer: the line is too long; keep looking for its end.
            source->too_long = true;
            source->used = 0;
        }
        const ssize_t n = read(source->fd, source->buffer + source->used, size_t(kCommandLineSize - source->used));
        if (n > 0) {
            source->used += int(n);
            if (memchr(source->buffer + source->used - n, '\n', size_t(n))) return true;
            continue;
        }
        if (n == 0) return false;
        return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    }
}

}  // namespace

void listen_standard_input() {
    if (isatty(STDIN_FILENO)) return;
    set_nonblocking(STDIN_FILENO);
    s_lines.sources[kStandardInput].fd = STDIN_FILENO;
}

bool open_command_socket(const char* path, char* why, size_t size) {
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (strlen(path) >= sizeof address.sun_path) {
        snprintf(why, size, "control socket '%s': the path is too long for a socket", path);
        return false;
    }
    snprintf(address.sun_path, sizeof address.sun_path, "%s", path);
    // A socket left by an earlier run is replaced; any other file is not touched.
    struct stat info;
    if (lstat(path, &info) == 0) {
        if (!S_ISSOCK(info.st_mode)) {
            snprintf(why, size, "control socket '%s': a file that is no socket is there", path);
            return false;
        }
        unlink(path);
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || listen(fd, 4) != 0) {
        snprintf(why, size, "control socket '%s': %s", path, strerror(errno));
        if (fd >= 0) close(fd);
        return false;
    }
    set_nonblocking(fd);
    s_lines.listener = fd;
    snprintf(s_lines.path, sizeof s_lines.path, "%s", path);
    return true;
}

bool next_command_line(char (&line)[kCommandLineSize], int* source, bool* too_long) {
    accept_clients();
    for (int i = 0; i < kMaxSources; ++i) {
        Source& s = s_lines.sources[i];
        if (s.fd < 0) continue;
        if (take_line(&s, line, too_long)) {
            *source = i;
            return true;
        }
        const bool open = fill(&s);
        if (take_line(&s, line, too_long)) {
            *source = i;
            return true;
        }
        if (!open) close_source(&s);
    }
    return false;
}

void answer_command(int source, const char* text) {
    if (source < 0 || source >= kMaxSources) return;
    if (source == kStandardInput) {
        printf("%s\n", text);
        fflush(stdout);
        return;
    }
    const Source& s = s_lines.sources[source];
    if (s.fd < 0) return;
    char answer[kCommandLineSize + 2];
    const int n = snprintf(answer, sizeof answer, "%s\n", text);
    // A client that does not read its answers loses them rather than stalling the show.
    (void)!send(s.fd, answer, size_t(n < int(sizeof answer) ? n : int(sizeof answer) - 1), MSG_NOSIGNAL | MSG_DONTWAIT);
}

void close_command_lines() {
    for (int i = 1; i < kMaxSources; ++i) close_source(&s_lines.sources[i]);
    s_lines.sources[kStandardInput].fd = -1;
    if (s_lines.listener >= 0) {
        close(s_lines.listener);
        s_lines.listener = -1;
        unlink(s_lines.path);
    }
}
