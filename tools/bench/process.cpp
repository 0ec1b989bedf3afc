// process.cpp -- posix_spawn with the child's output collected through a pipe
#include "process.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

extern char** environ;

int run_process(const std::vector<std::string>& args, std::string* output) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    int pipe_fds[2] = {-1, -1};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output) {
        if (pipe(pipe_fds) != 0) return -1;
        posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDERR_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipe_fds[0]);
    }
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (output) {
        close(pipe_fds[1]);
        if (spawned == 0) {
            char buffer[4096];
            ssize_t n = 0;
            while ((n = read(pipe_fds[0], buffer, sizeof buffer)) > 0) output->append(buffer, size_t(n));
        }
        close(pipe_fds[0]);
    }
    if (spawned != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

bool on_path(const char* program) {
    const char* path = getenv("PATH");
    if (!path) return false;
    std::string dirs(path);
    size_t begin = 0;
    while (begin <= dirs.size()) {
        size_t end = dirs.find(':', begin);
        if (end == std::string::npos) end = dirs.size();
        const std::string candidate = dirs.substr(begin, end - begin) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) return true;
        begin = end + 1;
    }
    return false;
}
