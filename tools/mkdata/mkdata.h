// mkdata.h -- varnel-mkdata: generates the default show, its script and its archive under a directory
#pragma once

#include <string>

struct MkdataOptions {
    int threads = 0;     // picture workers; 0 for one per processor
    bool quiet = false;  // no progress lines
};

// Writes the show under dir: every picture, model and skybox face the section types read, the
// music, "script.txt" (reading loose files) and "data.dat" packing all of it with a script of its
// own that reads from the archive. dir must be new, empty, or hold an earlier show, which is
// replaced. Returns the process exit status: 0, or 1 after a message on standard error.
int make_show(const std::string& dir, const MkdataOptions& options);
