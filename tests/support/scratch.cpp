// scratch.cpp -- scratch directories, files, archives and child processes for the tests
#include "support/scratch.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

ScratchDir::ScratchDir() {
    previous_ = fs::current_path().string();
    std::string pattern = (fs::temp_directory_path() / "varnel-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    fs::current_path(path_);
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    fs::current_path(previous_, ec);
    fs::remove_all(path_, ec);
}

void write_file(const std::string& path, const std::string& bytes) {
    const fs::path parent = fs::path(path).parent_path();
    if (!parent.empty()) fs::create_directories(parent);
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

namespace {

void put_u32(std::string* out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out->push_back(char(v >> (8 * i)));
}

}  // namespace

std::string build_archive(const std::vector<RawEntry>& entries) {
    std::string data;
    std::string directory;
    uint32_t offset = 12;
    for (const RawEntry& e : entries) {
        std::string name = e.name.substr(0, 64);
        name.resize(64, '\0');
        directory += name;
        put_u32(&directory, offset);
        put_u32(&directory, uint32_t(e.data.size()));
        data += e.data;
        offset += uint32_t(e.data.size());
    }
    std::string out = "PACK";
    put_u32(&out, offset);
    put_u32(&out, uint32_t(directory.size()));
    return out + data + directory;
}

std::string literal(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) out += '\\';
        out += c;
    }
    return out;
}

std::string fatal_line(const std::string& message) {
    std::string pattern = "^Error: ";
    pattern += literal(message);
    pattern += '\n';
    return pattern;
}

ProcessResult run_process(const std::string& program, const std::vector<std::string>& args,
                          const std::vector<std::string>& env) {
    char out_name[] = "/tmp/varnel-out-XXXXXX";
    char err_name[] = "/tmp/varnel-err-XXXXXX";
    const int out_fd = mkstemp(out_name);
    const int err_fd = mkstemp(err_name);

    const pid_t pid = fork();
    if (pid == 0) {
        const int null_fd = open("/dev/null", O_RDONLY);
        dup2(null_fd, 0);
        dup2(out_fd, 1);
        dup2(err_fd, 2);
        for (const std::string& assignment : env) putenv(const_cast<char*>(assignment.c_str()));
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    close(out_fd);
    close(err_fd);

    ProcessResult result;
    result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    result.out = read_file(out_name);
    result.err = read_file(err_name);
    unlink(out_name);
    unlink(err_name);
    return result;
}
