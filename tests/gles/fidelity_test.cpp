// fidelity_test.cpp -- the default show's frames through the GL layer against GL 1.1's, every type, alone and together
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/scratch.h"

namespace {

constexpr double kFrameFloor = 35.0;   // every frame, in dB
constexpr double kMedianFloor = 40.0;  // each type's median frame
// The fixed clock of both captures: every frame is rendered, so fewer a second is a shorter test
// for the same frames compared.
constexpr int kFps = 10;

struct Section {
    std::string type;
    double start = 0;
    double end = 0;
    std::string text;  // its lines as the script has them
};

struct Show {
    std::string config;  // the variables, before the first section
    std::vector<Section> sections;
};

Show read_show(const std::string& path) {
    Show show;
    std::istringstream in(read_file(path));
    std::string line;
    Section* open = nullptr;
    while (std::getline(in, line)) {
        if (line.rfind("[eof]", 0) == 0) break;
        if (!line.empty() && line[0] == '[') {
            show.sections.push_back({line.substr(1, line.find(']') - 1), 0, 0, ""});
            open = &show.sections.back();
        }
        if (!open) {
            // At 320 x 240, windowed and silent, from wherever the test says.
            if (line.rfind("gl_width", 0) == 0) line = "gl_width 320";
            if (line.rfind("gl_height", 0) == 0) line = "gl_height 240";
            if (line.rfind("snd_enable", 0) == 0) line = "snd_enable 0";
            if (line.rfind("gl_fullscreen", 0) == 0) line = "gl_fullscreen 0";
            if (line.rfind("g_demostart", 0) == 0) continue;
            show.config += line + "\n";
            continue;
        }
        if (line.rfind("start ", 0) == 0) open->start = std::stod(line.substr(6));
        if (line.rfind("end ", 0) == 0) open->end = std::stod(line.substr(4));
        open->text += line + "\n";
    }
    return show;
}

// Two times inside a section's span, on the capture's frame grid.
void add_times(const Section& s, std::vector<double>* times) {
    for (double share : {0.3, 0.75}) {
        const double t = std::ceil((s.start + share * (s.end - s.start)) * kFps) / kFps;
        if (t < s.end) times->push_back(t);
    }
}

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
};

Picture read_png(const std::string& path) {
    Picture picture;
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return picture;
    image.format = PNG_FORMAT_RGB;
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr)) return {};
    picture.width = int(image.width);
    picture.height = int(image.height);
    return picture;
}

// Peak signal to noise over the RGB bytes; 99 for identical pictures.
double psnr(const Picture& a, const Picture& b) {
    double sum = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i) {
        const double d = double(a.rgb[i]) - double(b.rgb[i]);
        sum += d * d;
    }
    if (sum == 0) return 99.0;
    return 10.0 * std::log10(255.0 * 255.0 / (sum / double(a.rgb.size())));
}

std::string time_name(double t) {
    char name[32];
    snprintf(name, sizeof name, "%.3f.png", t);
    return name;
}

// Plays the script with both builds' varnel-capture at once, each in its own directory under dir
// (gl/ and es/, made by the caller), and compares the frames at the times: each figure goes to
// every type active then.
void compare_run(const std::string& dir, const std::string& script, std::vector<double> times,
                 const std::vector<Section>& sections, std::map<std::string, std::vector<double>>* figures,
                 std::vector<std::string>* shortfalls, const std::string& how) {
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
    std::string at;
    for (double t : times) at += (at.empty() ? "" : ",") + std::to_string(t);
    const std::string options = " --fps " + std::to_string(kFps) + " --at " + at + " --to " +
                                std::to_string(times.back() + 0.5 / kFps) + " --out frames > capture.log 2>&1";
    std::string both;
    for (const char* build : {"gl", "es"}) {
        write_file(dir + "/" + build + "/script.txt", script);
        const std::string program = std::string(build) == "gl" ? VARNEL_NATIVE_CAPTURE : VARNEL_GLES_CAPTURE;
        both += "(cd '" + dir + "/" + build + "' && rm -rf frames && '" + program + "'" + options + "; echo $? > status) & ";
    }
    ASSERT_EQ(run_process("/bin/sh", {"-c", both + "wait"}, {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"}).status, 0);
    for (const char* build : {"gl", "es"}) {
        const std::string run = dir + "/" + build;
        ASSERT_EQ(read_file(run + "/status"), "0\n") << how << ": the " << build << " build's varnel-capture failed:\n"
                                                    << read_file(run + "/capture.log");
    }
    for (double t : times) {
        const Picture gl = read_png(dir + "/gl/frames/" + time_name(t));
        const Picture es = read_png(dir + "/es/frames/" + time_name(t));
        ASSERT_TRUE(gl.width == 320 && es.width == 320 && gl.height == es.height) << how << ": no frame at " << t;
        const double figure = psnr(gl, es);
        for (const Section& s : sections) {
            if (t < s.start || t >= s.end) continue;
            (*figures)[s.type].push_back(figure);
            if (figure < kFrameFloor) {
                char line[160];
                snprintf(line, sizeof line, "%s: %s at %.3f s: %.1f dB", how.c_str(), s.type.c_str(), t, figure);
                shortfalls->push_back(line);
            }
        }
    }
}

// Every type of the default show, in every phase of its own, alone (beneath it only voidSection and
// cameraloc) and in the whole show: each frame within kFrameFloor of GL 1.1's and the median of each
// type's frames kMedianFloor or more.
TEST(Fidelity, EveryTypeAloneAndInTheWholeShowDrawsAsGl11Does) {
    const std::string show_dir = VARNEL_FIDELITY_SHOW;
    const Show show = read_show(show_dir + "/script.txt");
    ASSERT_FALSE(show.sections.empty()) << "no show in " << show_dir;
    ScratchDir scratch;
    for (const char* build : {"gl", "es"}) {
        ASSERT_EQ(run_process("/bin/mkdir", {scratch.path() + "/" + build}).status, 0);
        for (const char* data : {"models", "music", "skyboxes", "textures"}) {
            ASSERT_EQ(run_process("/bin/ln", {"-s", show_dir + "/" + data, scratch.path() + "/" + build + "/" + data}).status, 0);
        }
    }
    std::map<std::string, std::vector<double>> figures;
    std::vector<std::string> shortfalls;

    std::string whole = show.config + "g_demostart 0\n";
    std::vector<double> times;
    for (const Section& s : show.sections) {
        whole += s.text;
        add_times(s, &times);
    }
    compare_run(scratch.path(), whole + "[eof]\n", times, show.sections, &figures, &shortfalls, "whole show");

    std::vector<std::string> types;
    for (const Section& s : show.sections) {
        if (s.type != "voidSection" && s.type != "cameraloc" && std::find(types.begin(), types.end(), s.type) == types.end()) {
            types.push_back(s.type);
        }
    }
    for (const std::string& type : types) {
        std::vector<Section> alone;
        std::vector<double> type_times;
        double first = 1e9;
        for (const Section& s : show.sections) {
            if (s.type != type) continue;
            first = std::min(first, s.start);
            add_times(s, &type_times);
        }
        std::string script = show.config + "g_demostart " + std::to_string(first) + "\n";
        for (const Section& s : show.sections) {
            if (s.type != type && s.type != "voidSection" && s.type != "cameraloc") continue;
            if (s.end <= first) continue;
            script += s.text;
            alone.push_back(s);
        }
        std::map<std::string, std::vector<double>> own;
        compare_run(scratch.path(), script + "[eof]\n", type_times, alone, &own, &shortfalls, "alone: " + type);
        for (double f : own[type]) figures[type].push_back(f);
    }

    printf("%-14s %6s %8s %8s\n", "type", "frames", "min dB", "median");
    for (auto& [type, values] : figures) {
        std::sort(values.begin(), values.end());
        const double median = values[values.size() / 2];
        printf("%-14s %6zu %8.1f %8.1f\n", type.c_str(), values.size(), values.front(), median);
        EXPECT_GE(median, kMedianFloor) << type << ": its median frame is " << median << " dB";
    }
    for (const std::string& s : shortfalls) ADD_FAILURE() << s;
}

}  // namespace
