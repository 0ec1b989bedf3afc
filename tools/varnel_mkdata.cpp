// varnel_mkdata.cpp -- varnel-mkdata DIR: generates the default show, loose and packed
#include <CLI/CLI.hpp>

#include "mkdata.h"

int main(int argc, char** argv) {
    CLI::App app{"Generates Varnel's default show under DIR: every picture, model, skybox and the music that "
                 "the section types read, made procedurally and the same on every run; the script.txt that "
                 "plays them from loose files; and DIR/data.dat packing all of it, with a script inside that "
                 "reads from the archive.",
                 "varnel-mkdata"};
    app.set_version_flag("--version", "varnel-mkdata " VARNEL_VERSION);
    std::string dir;
    MkdataOptions options;
    app.add_option("DIR", dir, "where the show goes: a new or empty directory, or an earlier show (replaced)")->required();
    app.add_option("--threads", options.threads, "picture workers (default: one per processor)")->check(CLI::PositiveNumber);
    app.add_flag("--quiet", options.quiet, "no progress lines");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help is no error; a usage error is one like any other.
        return app.exit(e) == 0 ? 0 : 1;
    }
    return make_show(dir, options);
}
