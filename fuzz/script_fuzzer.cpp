// script_fuzzer.cpp -- the script parser on arbitrary text: loose, and as an archive entry whose
// length budget ends halfway through the bytes (the rest standing for the entries that follow)
#include "kernel/script.h"
#include "memory_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const long long budgets[2] = {-1, (long long)(size / 2)};
    for (long long budget : budgets) {
        FILE* file = open_memory_file(data, size, "r");
        if (!file) return 0;
        ScriptFault fault;
        fault.message[0] = '\0';
        // A fault must name itself; anything else is a parse that stopped without saying why.
        if (!read_script(file, budget, &fault) && fault.message[0] == '\0') __builtin_trap();
        fclose(file);
    }
    return 0;
}
