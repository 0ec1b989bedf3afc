// asset_tool.cpp -- runs the player's own loaders on data files and reports what they made of them
#include "asset_tool.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "core/config.h"
#include "kernel/kernel.h"
#include "kernel/timeline.h"
#include "platform/sound.h"
#include "resources/archive.h"
#include "resources/data_source.h"
#include "resources/image.h"
#include "resources/model.h"
#include "resources/skybox.h"
#include "script_json.h"

namespace {

nlohmann::ordered_json colour(const float* c) {
    return {json_float(c[0]), json_float(c[1]), json_float(c[2])};
}

bool write_pam(const std::string& path, const Image& image) {
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool alpha = image.internal_format == GL_RGBA;
    fprintf(file, "P7\nWIDTH %d\nHEIGHT %d\nDEPTH %d\nMAXVAL 255\nTUPLTYPE %s\nENDHDR\n", image.width, image.height,
            alpha ? 4 : 3, alpha ? "RGB_ALPHA" : "RGB");
    const size_t bytes = size_t(image.width) * size_t(image.height) * (alpha ? 4 : 3);
    const bool ok = fwrite(image.pixels.get(), 1, bytes, file) == bytes;
    return (fclose(file) == 0) && ok;
}

// What a check of one data file found, a line for each problem: empty when it loaded.
using Finding = std::string;

void add_finding(Finding* finding, const char* format, ...) __attribute__((format(printf, 2, 3)));

void add_finding(Finding* finding, const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (!finding->empty()) finding->push_back('\n');
    finding->append(line);
}

// "no model: <why>[ at byte <n>]".
std::string model_failure_text(const ModelFailure& failure) {
    char text[160];
    if (failure.at >= 0) {
        snprintf(text, sizeof text, "no model: %s at byte %lld", failure.why, (long long)failure.at);
    } else {
        snprintf(text, sizeof text, "no model: %s", failure.why);
    }
    return text;
}

Finding check_image(const char* path) {
    Finding finding;
    const char* why = nullptr;
    const int image = load_texture(path, g_packeddata != 0, &why);
    if (image < 0) add_finding(&finding, "picture %s: error %d: %s", path, image, why);
    return finding;
}

Finding check_model(const char* dir, const char* file) {
    Finding finding;
    ModelFailure failure;
    const auto model = load_model(dir, file, g_packeddata != 0, &failure);
    if (!model) {
        add_finding(&finding, "model %s%s: %s", dir, file, model_failure_text(failure).c_str());
        return finding;
    }
    for (const Material& m : model->materials) {
        if (m.map_name[0] && m.texture < 0) {
            add_finding(&finding, "texture map %s%s: error %d (its material is drawn untextured)", dir, m.map_name,
                        m.texture);
        }
    }
    return finding;
}

Finding check_skybox(const char* name, bool six_faces) {
    Finding finding;
    if (!load_skybox(name, kSkyboxJpeg, six_faces, g_packeddata != 0)) add_finding(&finding, "skybox %s: not loaded", name);
    return finding;
}

Finding check(const SectionAsset& asset) {
    switch (asset.kind) {
    case SectionAsset::kImage:
        return check_image(asset.path);
    case SectionAsset::kModel:
        return check_model(asset.path, asset.file);
    case SectionAsset::kSkybox:
        return check_skybox(asset.path, true);
    case SectionAsset::kSkyboxImage:
        return check_skybox(asset.path, false);
    }
    return "";
}

// Runs one check in a child process: libjpeg ends a process on a corrupt file.
bool check_in_child(const SectionAsset& asset) {
    fflush(stdout);
    fflush(stderr);
    const pid_t pid = fork();
    if (pid == 0) {
        const Finding finding = check(asset);
        if (!finding.empty()) fprintf(stderr, "varnel-tool: %s\n", finding.c_str());
        fflush(stderr);
        _exit(finding.empty() ? 0 : 3);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) return false;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 1) {
        fprintf(stderr, "varnel-tool: %s%s: cannot be decoded (see above)\n", asset.path, asset.file ? asset.file : "");
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int inspect_image(const std::string& path, bool from_archive, const std::string& out) {
    if (from_archive && open_archive() != 0) {
        fprintf(stderr, "varnel-tool: no archive %s here\n", kArchiveName);
        return 1;
    }
    const char* why = nullptr;
    const int image = load_texture(path.c_str(), from_archive, &why);
    if (image < 0) {
        printf("error %d: %s\n", image, why);
        return 1;
    }
    const Image& record = image_record(image);
    printf("%d %d %s\n", record.width, record.height, record.internal_format == GL_RGBA ? "rgba" : "rgb");
    if (!out.empty() && !write_pam(out, record)) {
        fprintf(stderr, "varnel-tool: cannot write %s\n", out.c_str());
        return 1;
    }
    return 0;
}

int inspect_model(const std::string& dir, const std::string& file, bool from_archive) {
    if (from_archive && open_archive() != 0) {
        fprintf(stderr, "varnel-tool: no archive %s here\n", kArchiveName);
        return 1;
    }
    ModelFailure failure;
    const auto model = load_model(dir.c_str(), file.c_str(), from_archive, &failure);
    if (!model) {
        printf("%s\n", model_failure_text(failure).c_str());
        return 1;
    }
    nlohmann::ordered_json materials = nlohmann::ordered_json::array();
    for (const Material& m : model->materials) {
        materials.push_back({{"name", m.name},
                             {"map", m.map_name},
                             {"texture", m.texture},
                             {"ambient", colour(m.ambient)},
                             {"diffuse", colour(m.diffuse)},
                             {"specular", colour(m.specular)},
                             {"shininess", json_float(m.shininess)}});
    }
    nlohmann::ordered_json objects = nlohmann::ordered_json::array();
    for (const MeshObject& o : model->objects) {
        objects.push_back({{"name", o.name},
                           {"vertices", o.vertices.size()},
                           {"faces", o.faces.size()},
                           {"texcoords", o.texcoords.size() / 2},
                           {"has_matrix", o.has_matrix}});
    }
    const nlohmann::ordered_json json = {{"materials", materials}, {"objects", objects}};
    printf("%s\n", json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace).c_str());
    return 0;
}

int check_assets() {
    int checked = 0;
    int failed = 0;
    // What the loading phase would load.
    for (const SectionAsset& asset : loading_assets()) {
        ++checked;
        failed += !check_in_child(asset);
    }
    if (snd_enable) {
        ++checked;
        DataSource source;
        const bool found = open_data_source(snd_mp3file, g_packeddata != 0, &source) == kSourceOk;
        // Opened as the player opens it, so that what it would stop on is told in its words.
        const int error = found ? sound_check_stream(source.data, size_t(source.length)) : kSoundOk;
        close_data_source(&source);
        if (!found) {
            fprintf(stderr, "varnel-tool: music %s: not found\n", snd_mp3file);
            ++failed;
        } else if (error != kSoundOk) {
            fprintf(stderr, "varnel-tool: music %s: Error: %s\n", snd_mp3file, sound_error_text(error));
            ++failed;
        }
    }
    fprintf(stderr, "varnel-tool: checked %d data files: %d missing or undecodable\n", checked, failed);
    return failed ? 1 : 0;
}
