// mkdata.cpp -- the generator's stages: pictures, models, music, script, archive
#include "mkdata.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>
#include <vector>

#include "data_tree.h"
#include "models.h"
#include "music.h"
#include "pak.h"
#include "pictures.h"
#include "show.h"
#include "text.h"

namespace fs = std::filesystem;

namespace {

using Job = std::function<bool(std::string*)>;

int fail(const std::string& message) {
    fprintf(stderr, "varnel-mkdata: %s\n", message.c_str());
    return 1;
}

std::string megabytes(size_t bytes) {
    char text[32];
    snprintf(text, sizeof text, "%.1f MB", double(bytes) / 1e6);
    return text;
}

// Runs the jobs on threads workers; false with the first failure's message.
bool run_jobs(const std::vector<Job>& jobs, int threads, std::string* error) {
    std::atomic<size_t> next{0};
    std::mutex lock;
    bool ok = true;
    auto work = [&]() {
        for (size_t i = next++; i < jobs.size(); i = next++) {
            std::string message;
            if (!jobs[i](&message)) {
                std::lock_guard<std::mutex> guard(lock);
                if (ok) *error = message;
                ok = false;
            }
        }
    };
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t) pool.emplace_back(work);
    work();
    for (std::thread& t : pool) t.join();
    return ok;
}

// Every picture, in jobs small enough to spread over the workers.
std::vector<Job> picture_jobs(DataTree* tree) {
    std::vector<Job> jobs;
    auto add = [&](std::function<void()> f) {
        jobs.push_back([f](std::string*) {
            f();
            return true;
        });
    };
    for (int sky = 0; sky < kSkyCount; ++sky) {
        for (int face = 0; face < 6; ++face) add([=] { make_sky_face(tree, sky, face); });
    }
    add([=] { make_starfield(tree); });
    add([=] { make_fire_pictures(tree); });
    add([=] { make_floor_and_water(tree); });
    add([=] { make_model_skins(tree); });
    add([=] { make_stone_pictures(tree); });
    add([=] { make_flare_pictures(tree); });
    add([=] { make_soul_pictures(tree); });
    add([=] { make_loading_picture(tree); });
    for (int first = 0; first < kTitleCount; first += 8) add([=] { make_title_cards(tree, first, 8); });
    add([=] { make_greetings(tree); });
    add([=] { make_closing_pictures(tree); });
    for (int i = 0; i < kFlashCount; ++i) add([=] { make_flash(tree, i); });
    return jobs;
}

// The directory must not hold anything but an earlier show, which is removed first.
bool prepare_directory(const std::string& dir, std::string* error) {
    static const std::set<std::string> ours = {"textures", "models", "skyboxes", "music", "script.txt", "data.dat"};
    std::error_code ec;
    if (fs::exists(dir, ec)) {
        if (!fs::is_directory(dir, ec)) {
            *error = dir + ": not a directory";
            return false;
        }
        for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec)) {
            if (!ours.count(entry.path().filename().string())) {
                *error = dir + " holds " + entry.path().filename().string() +
                         ", which is no part of a show; give a new or empty directory";
                return false;
            }
        }
        for (const std::string& name : ours) fs::remove_all(fs::path(dir) / name, ec);
    }
    fs::create_directories(dir, ec);
    if (ec || !fs::is_directory(dir)) {
        *error = "cannot make the directory " + dir;
        return false;
    }
    return true;
}

bool write_file(const fs::path& path, const std::string& bytes) {
    FILE* out = fopen(path.c_str(), "wb");
    if (!out) return false;
    const bool ok = fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return (fclose(out) == 0) && ok;
}

}  // namespace

int make_show(const std::string& dir, const MkdataOptions& options) {
    const auto began = std::chrono::steady_clock::now();
    auto say = [&](const std::string& line) {
        if (!options.quiet) printf("varnel-mkdata: %s\n", line.c_str());
        fflush(stdout);
    };
    std::string error;
    if (!prepare_directory(dir, &error)) return fail(error);
    if (!open_fonts(&error)) return fail(error);

    DataTree tree;
    // The music takes longest; it renders and encodes beside the pictures.
    std::string mp3, music_error;
    std::thread music([&] {
        mp3 = encode_mp3(render_song(), &music_error);
    });

    const int processors = int(std::thread::hardware_concurrency());
    const int threads = options.threads > 0 ? options.threads : std::max(1, processors);
    const bool pictures_ok = run_jobs(picture_jobs(&tree), threads, &error);
    close_fonts();
    if (!pictures_ok) {
        music.join();
        return fail(error);
    }
    const size_t picture_count = tree.count();
    say("pictures: " + std::to_string(picture_count) + " files, " + megabytes(tree.bytes()));

    const std::vector<Job> models = {
        [&](std::string* e) { return make_heart_models(&tree, e); },
        [&](std::string* e) { return make_human_models(&tree, e); },
        [&](std::string* e) { return make_face_model(&tree, e); },
        [&](std::string* e) { return make_logo_models(&tree, e); },
        [&](std::string* e) { return make_mechanism_models(&tree, e); },
        [&](std::string* e) { return make_room_model(&tree, e); },
    };
    const size_t before_models = tree.bytes();
    if (!run_jobs(models, 1, &error)) {
        music.join();
        return fail(error);
    }
    say("models: " + std::to_string(tree.count() - picture_count) + " files, " + megabytes(tree.bytes() - before_models));

    music.join();
    if (mp3.empty()) return fail(music_error);
    const long seconds = kMusicFrames / kSampleRate;
    char length[16];
    snprintf(length, sizeof length, "%ld:%02ld", seconds / 60, seconds % 60);
    tree.add(kMusicPath, mp3);
    say(std::string("music: ") + kMusicPath + ", " + length + " at 125 beats a minute, " + megabytes(mp3.size()));

    // The archive's script reads everything from the archive; the loose one from loose files.
    tree.add("script.txt", script_text(true));
    if (!tree.write(dir, &error)) return fail(error);
    say("script: script.txt, " + std::to_string(show_sections().size()) + " sections");

    if (pak_create((fs::path(dir) / "data.dat").string(), dir) != 0) return fail("cannot pack " + dir);
    if (!write_file(fs::path(dir) / "script.txt", script_text(false))) return fail("cannot write the script in " + dir);
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    char done[64];
    snprintf(done, sizeof done, "archive: data.dat; done in %.1f s", elapsed);
    say(done);
    return 0;
}
