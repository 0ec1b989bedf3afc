// replay_main.cpp -- runs a fuzz target's entry over files and directories of inputs, without libFuzzer:
// the normal builds replay the seeds and every input that once failed, with the fuzzers' limits on
// time (per input, in CPU seconds: --max-seconds=N, default 1) and memory (512 MB at the peak)
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "memory_file.h"

namespace {

constexpr long kMaxPeakKilobytes = 512 * 1024;

}  // namespace

int main(int argc, char** argv) {
    double max_seconds = 1.0;
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i) {
        if (strncmp(argv[i], "--max-seconds=", 14) == 0) {
            max_seconds = atof(argv[i] + 14);
            continue;
        }
        const std::filesystem::path path = argv[i];
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(path)) {
                if (entry.is_regular_file()) inputs.push_back(entry.path());
            }
        } else if (std::filesystem::exists(path)) {
            inputs.push_back(path);
        } else {
            // A target that never failed has no directory of regressions.
            printf("replay: nothing at %s\n", argv[i]);
        }
    }
    std::sort(inputs.begin(), inputs.end());
    int slow = 0;
    for (const auto& path : inputs) {
        std::ifstream in(path, std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const clock_t begin = clock();
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
        const double seconds = double(clock() - begin) / CLOCKS_PER_SEC;
        if (seconds > max_seconds) {
            printf("replay: %s took %.2f s, more than %.2f s\n", path.c_str(), seconds, max_seconds);
            ++slow;
        }
    }
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    printf("replay: %zu inputs ran, peak %ld MB\n", inputs.size(), usage.ru_maxrss / 1024);
    if (usage.ru_maxrss > kMaxPeakKilobytes) printf("replay: more than %ld MB at the peak\n", kMaxPeakKilobytes / 1024);
    return slow == 0 && usage.ru_maxrss <= kMaxPeakKilobytes ? 0 : 1;
}
