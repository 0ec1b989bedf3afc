// scratch.h -- what the tests share: a scratch working directory, files and archives, child processes
#pragma once

#include <string>
#include <vector>

// Makes a fresh directory under the system's temporary directory and works in it; on destruction
// goes back to where it was and removes the directory.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::string previous_;
};

// Writes bytes to path, making the directories above it.
void write_file(const std::string& path, const std::string& bytes);
std::string read_file(const std::string& path);

struct RawEntry {
    std::string name;  // written into the 64-byte field as is: 64 characters leave no terminator
    std::string data;
};

// The bytes of an archive: header, the entries' data in order, then the directory.
std::string build_archive(const std::vector<RawEntry>& entries);

// A regular expression that matches text literally, for death tests.
std::string literal(const std::string& text);

// The regular expression of the whole line that a fatal error writes: "Error: <message>".
std::string fatal_line(const std::string& message);

struct ProcessResult {
    int status = -1;  // exit status, or -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs program with args in the working directory, stdin empty, and waits for it.
ProcessResult run_process(const std::string& program, const std::vector<std::string>& args,
                          const std::vector<std::string>& env = {});
