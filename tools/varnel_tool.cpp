// varnel_tool.cpp -- varnel-tool: archive packer and asset inspector
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>

#include "asset_tool.h"
#include "core/fatal.h"
#include "graphics_failure.h"
#include "kernel/program.h"
#include "kernel/script.h"
#include "pak.h"
#include "script_json.h"
#include "sound_probe.h"

namespace {

int run_script(bool check) {
    // A script fault prints the player's own "Error: ..." line and exits 1.
    parse_script();
    printf("%s\n", script_to_json().dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace).c_str());
    return check ? check_assets() : 0;
}

}  // namespace

int main(int argc, char** argv) {
    set_fatal_message_box(false);
    explain_graphics_failures("varnel-tool");
    set_shutdown_routine(shutdown);

    CLI::App app("Varnel archive packer and asset inspector", "varnel-tool");
    app.set_version_flag("--version", "varnel-tool " VARNEL_VERSION);
    app.footer("Each subcommand prints its own usage with --help: varnel-tool pak create --help");
    app.require_subcommand(1);

    CLI::App* pak = app.add_subcommand("pak", "Pack, list or unpack a data archive");
    pak->require_subcommand(1);
    std::string archive;
    std::string dir;
    CLI::App* create = pak->add_subcommand("create", "Pack every regular file under DIR into ARCHIVE");
    create->add_option("ARCHIVE", archive, "Archive to write")->required();
    create->add_option("DIR", dir, "Directory to pack")->required();
    CLI::App* list = pak->add_subcommand("list", "List the entries: \"<offset> <length> <name>\"");
    list->add_option("ARCHIVE", archive, "Archive to read")->required();
    CLI::App* extract = pak->add_subcommand("extract", "Write every entry of ARCHIVE under DIR");
    extract->add_option("ARCHIVE", archive, "Archive to read")->required();
    extract->add_option("DIR", dir, "Directory to write into")->required();
    bool force = false;
    extract->add_flag("--force", force, "Replace files that exist; a symbolic link in the way is refused all the same");

    std::string path;
    std::string out;
    bool from_archive = false;
    CLI::App* image = app.add_subcommand("image", "Decode a picture with the player's own loader");
    image->add_option("PATH", path, "Picture to decode (.jpg, .tga or .pcx)")->required();
    image->add_flag("--pak", from_archive, "Read it from ./data.dat");
    image->add_option("--out", out, "Write its pixels, top row first, as a PAM file");
    std::string file;
    CLI::App* model = app.add_subcommand("model", "Parse a 3DS model with the player's own loader and print it as JSON");
    model->add_option("DIR", dir, "The model's directory, ending in '/'")->required();
    model->add_option("FILE", file, "Its 3DS file")->required();
    model->add_flag("--pak", from_archive, "Read it from ./data.dat");

    CLI::App* script = app.add_subcommand("script", "Parse ./script.txt (or the one in ./data.dat) as the player does and print it as JSON");
    bool check = false;
    script->add_flag("--check", check, "Also load every data file that the used section types read");

    CLI::App* sound = app.add_subcommand("sound",
        "Open the default audio output as the player does and print its driver and device; exit 1 with SDL's "
        "reason when none opens");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int status = app.exit(e);
        return status == 0 ? 0 : 2;
    }

    if (*create) return pak_create(archive, dir);
    if (*list) return pak_list(archive);
    if (*extract) return pak_extract(archive, dir, force);
    if (*image) return inspect_image(path, from_archive, out);
    if (*model) return inspect_model(dir, file, from_archive);
    if (*script) return run_script(check);
    if (*sound) return probe_sound();
    return 2;
}
