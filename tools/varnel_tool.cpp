// varnel_tool.cpp -- varnel-tool: archive packer and asset inspector
#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "asset_tool.h"
#include "core/config.h"
#include "core/fatal.h"
#include "core/timer.h"
#include "flash_report.h"
#include "graphics_failure.h"
#include "kernel/kernel.h"
#include "kernel/program.h"
#include "kernel/script.h"
#include "pak.h"
#include "platform/window.h"
#include "script_json.h"
#include "sound_probe.h"

namespace {

int run_script(bool check) {
    // A script fault prints the player's own "Error: ..." line and exits 1.
    parse_script();
    printf("%s\n", script_to_json().dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace).c_str());
    return check ? check_assets() : 0;
}

// Every frame the show presents after its loading phase, into the flash report.
void meter_presented_frame() {
    if (g_kernel.loading || !(g_kernel.active || g_kernel.pending)) return;
    add_flash_frame_read_back(g_kernel.demo_time);
}

// The show played as varnel-capture plays it, headless on a fixed clock, every frame measured and
// none written; exits 1 when a second fails.
int run_flashes(int fps, bool gentle, const std::string& report) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    prepare_failure_routine();
    parse_script();
    gl_fullscreen = 0;
    use_fixed_clock(fps);
    set_present_hook(meter_presented_frame);
    g_kernel.gentle = gentle;
    begin_flash_report(gl_width, gl_height, int(std::lround((g_kernel.demo_end - g_demostart) * fps)));
    start_up();
    run_message_loop();
    shutdown();
    if (!report.empty() && !write_flash_report(report.c_str(), fps, gentle)) {
        fprintf(stderr, "varnel-tool: cannot write %s\n", report.c_str());
        return 2;
    }
    print_flash_summary("varnel-tool");
    return flash_report_passes() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    set_fatal_message_box(false);
    explain_graphics_failures("varnel-tool");
    set_shutdown_routine(shutdown);

    CLI::App app("Varnel archive packer, asset inspector and flash check", "varnel-tool");
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

    CLI::App* flashes = app.add_subcommand("flashes",
        "Play the show headless on a fixed clock, as varnel-capture does, and measure every frame for general and "
        "red flashes: a second with more than three fails; exit 1 when one does. A screening aid, not a medical "
        "guarantee");
    int fps = 60;
    bool gentle = false;
    std::string report;
    flashes->add_option("--fps", fps, "Frames per second of the fixed clock (default 60)")->check(CLI::Range(1, 1000));
    flashes->add_flag("--gentle", gentle, "Measure the frames gentle viewing shows, as varnel --gentle");
    flashes->add_option("--report", report, "Also write the report as JSON, as varnel-capture --flash-report does");

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
    if (*flashes) return run_flashes(fps, gentle, report);
    return 2;
}
