// damaged_data_test.cpp -- the player on truncated and corrupt copies of the default show's files,
// loose and packed: a clear message and its exit status, or a show that plays, never a crash, a
// hang or a sanitizer report
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/ascii_case.h"
#include "kernel/section.h"
#include "support/scratch.h"

namespace fs = std::filesystem;

namespace {

// The default show, as the test run generated it (or, run alone, as this test does): every file
// by its path, and its script.
struct Show {
    std::string dir = VARNEL_TEST_SHOW;
    std::map<std::string, std::string> files;
};
Show* s_show = nullptr;

class DamagedDataTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_show = new Show;
        if (!fs::exists(s_show->dir + "/script.txt")) {
            const ProcessResult made = run_process(VARNEL_MKDATA_BIN, {s_show->dir});
            ASSERT_EQ(made.status, 0) << made.err;
        }
        for (const auto& e : fs::recursive_directory_iterator(s_show->dir)) {
            const std::string path = fs::relative(e.path(), s_show->dir).string();
            if (e.is_regular_file() && path != "data.dat") s_show->files[path] = read_file(e.path());
        }
    }
    static void TearDownTestSuite() {
        delete s_show;
        s_show = nullptr;
    }
    ScratchDir scratch;
};

enum class Damage { Truncated, Corrupt };

// Empties the working directory for the next case.
void clear() {
    for (const auto& e : fs::directory_iterator(".")) fs::remove_all(e.path());
}

// The show's own path of a file the loaders ask for in any letter case.
std::string show_path(const std::string& wanted) {
    for (const auto& [path, bytes] : s_show->files) {
        if (ascii_equal_nocase(path.c_str(), wanted.c_str())) return path;
    }
    return "";
}

// The show's files in the working directory, path replaced by bytes: loose (the rest as links to
// the show's own) or packed into data.dat.
void lay_out(bool packed, const std::string& path, const std::string& bytes) {
    std::vector<RawEntry> entries;
    for (const auto& [name, content] : s_show->files) {
        if (name == "script.txt") continue;
        const std::string& data = name == path ? bytes : content;
        if (packed) {
            entries.push_back({name, data});
        } else if (name == path) {
            write_file(name, data);
        } else {
            fs::create_directories(fs::path(name).parent_path());
            fs::create_symlink(fs::path(s_show->dir) / name, name);
        }
    }
    if (packed) write_file("data.dat", build_archive(entries));
}

// A short show: the configuration for it, then its sections.
std::string script(bool packed, bool sound, float start, const std::string& sections) {
    return "gl_fullscreen 0\ng_packeddata " + std::to_string(packed) + "\nsnd_enable " + std::to_string(sound) +
           "\nsnd_mp3file music/varnel.mp3\ng_demostart " + std::to_string(start) + "\n" + sections + "[eof]\n";
}

const char* const kShortVoid = "[voidSection]\nend 0.3\n";

ProcessResult play() {
    // A hang ends at the timeout, with status 124.
    return run_process("/usr/bin/timeout", {"60", VARNEL_BIN}, {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy"});
}

std::string damage(const std::string& bytes, Damage how) {
    if (how == Damage::Truncated) return bytes.substr(0, bytes.size() / 2);
    // The first bytes, where every format keeps what says what the file is.
    std::string corrupt = bytes;
    corrupt.replace(0, 2, "XX");
    return corrupt;
}

// No crash, no hang, no sanitizer report: it played, or it ended with a message of its own.
void expect_clean_end(const ProcessResult& r) {
    EXPECT_TRUE(r.status == 0 || r.status == 1) << "status " << r.status << "\n" << r.err;
    EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("runtime error"), std::string::npos) << r.err;
}

// The "Error: ..." line of a run, or "".
std::string error_of(const ProcessResult& r) {
    const size_t at = r.err.find("Error: ");
    return at == std::string::npos ? "" : r.err.substr(at, r.err.find('\n', at) - at);
}

TEST_F(DamagedDataTest, Jpeg) {
    const std::string jpeg = s_show->files.at("textures/loading.jpg");
    for (bool packed : {false, true}) {
        SCOPED_TRACE(packed ? "packed" : "loose");
        // Cut short, libjpeg completes the picture from what it has, with a warning; packed, it stops
        // where the entry ends rather than read on into the next one.
        lay_out(packed, "textures/loading.jpg", damage(jpeg, Damage::Truncated));
        write_file("script.txt", script(packed, false, 0, kShortVoid));
        ProcessResult r = play();
        expect_clean_end(r);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find("Premature end of JPEG file\n"), std::string::npos) << r.err;

        clear();
        lay_out(packed, "textures/loading.jpg", damage(jpeg, Damage::Corrupt));
        write_file("script.txt", script(packed, false, 0, kShortVoid));
        r = play();
        expect_clean_end(r);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "Not a JPEG file: starts with 0x58 0x58\n") << "libjpeg's own message, alone";
        clear();
    }
}

TEST_F(DamagedDataTest, Mp3) {
    const std::string mp3 = s_show->files.at("music/varnel.mp3");
    for (bool packed : {false, true}) {
        for (Damage how : {Damage::Truncated, Damage::Corrupt}) {
            SCOPED_TRACE(std::string(packed ? "packed" : "loose") + (how == Damage::Truncated ? " truncated" : " corrupt"));
            lay_out(packed, "music/varnel.mp3", damage(mp3, how));
            write_file("script.txt", script(packed, true, 0, kShortVoid));
            // The decoder finds its frames again after damage, and plays what a cut file has.
            const ProcessResult r = play();
            expect_clean_end(r);
            EXPECT_EQ(r.status, 0) << r.err;
            clear();
        }
    }
}

TEST_F(DamagedDataTest, Archive) {
    std::vector<RawEntry> entries;
    for (const auto& [name, content] : s_show->files) entries.push_back({name, content});
    const std::string archive = build_archive(entries);
    // Its directory, the last part of the file, with every offset and length made to point far away.
    std::string corrupt = archive;
    for (size_t at = corrupt.size() - 72 * entries.size(); at < corrupt.size(); at += 72) corrupt.replace(at + 64, 8, "\xff\xff\xff\x7f\xff\xff\xff\x7f");
    const std::string loose_script = script(true, false, 0, kShortVoid);

    struct Case {
        const char* scenario;
        std::string archive;
        bool loose_script;
        const char* error;
    } cases[] = {
        {"truncated, loose script", damage(archive, Damage::Truncated), true, "Error: PAK not found"},
        {"truncated, packed script", damage(archive, Damage::Truncated), false, "Error: Script not found, PAK not found"},
        {"corrupt directory, loose script", corrupt, true, "Error: Error loading texture 'textures/loading.jpg'"},
        {"corrupt directory, packed script", corrupt, false, "Error: Script PAK open failed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        write_file("data.dat", c.archive);
        if (c.loose_script) write_file("script.txt", loose_script);
        const ProcessResult r = play();
        expect_clean_end(r);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(error_of(r), c.error) << r.err;
        clear();
    }
}

TEST_F(DamagedDataTest, Script) {
    const std::string text = script(false, false, 0, "[voidSection]\nend 0.3\n[blackFadeOUT]\nstart 0.1\nend 0.3\nlayer 1\n");
    for (bool packed : {false, true}) {
        SCOPED_TRACE(packed ? "packed" : "loose");
        const auto write_script = [&](const std::string& bytes) {
            if (packed) {
                // A text after it in the archive, so that a script without its end reads on into it.
                write_file("data.dat", build_archive({{"script.txt", bytes}, {"textures/loading.jpg", s_show->files.at("textures/loading.jpg")}}));
            } else {
                lay_out(false, "", "");
                write_file("script.txt", bytes);
            }
        };
        // Cut inside the second section, "[eof]" lost: loose, the first section plays; packed, the
        // reader runs past its entry.
        write_script(text.substr(0, text.find("layer 1")));
        ProcessResult r = play();
        expect_clean_end(r);
        if (packed) {
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(error_of(r).rfind("Error: Script", 0), 0u) << r.err;
        } else {
            EXPECT_EQ(r.status, 0) << r.err;
        }
        clear();

        // Bytes of a binary file where the first header was.
        std::string corrupt = text;
        corrupt.replace(corrupt.find("[voidSection]"), 6, std::string("\0\x01\xff\xfe\x80\n", 6));
        write_script(corrupt);
        r = play();
        expect_clean_end(r);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(error_of(r).rfind("Error: Script: ", 0), 0u) << r.err;
        clear();
    }
}

// The first section type whose data include a file that is_kind accepts, the show's path of that
// file, and the default show's first section of that type; false when no type reads such a file, or
// the default show lacks the file or a section of that type.
bool find_user(bool (*is_kind)(const SectionAsset&), std::string* path, std::string* section, float* end) {
    for (int type = 1; type < kSectionTypeCount; ++type) {
        for (const SectionAsset& asset : kSectionTypes[type].assets) {
            if (!is_kind(asset)) continue;
            *path = show_path(std::string(asset.path) + (asset.file ? asset.file : ""));
            // The section's lines, from its header to the next.
            const std::string& text = s_show->files.at("script.txt");
            const std::string header = "\n[" + std::string(kSectionTypes[type].name) + "]\n";
            size_t at = std::string::npos;
            for (size_t i = text.find("\n["); i != std::string::npos; i = text.find("\n[", i + 1)) {
                if (ascii_equal_nocase(text.substr(i, header.size()).c_str(), header.c_str())) {
                    at = i + 1;
                    break;
                }
            }
            if (path->empty() || at == std::string::npos) return false;
            *section = text.substr(at, text.find("\n[", at) - at + 1);
            *end = std::stof(section->substr(section->find("\nend ") + 5));
            return true;
        }
    }
    return false;
}

// A type's file cut short or made unreadable: it loads with what it has, or the type's own message.
void expect_clean_ends_for(const std::string& path, const std::string& section, float end) {
    for (bool packed : {false, true}) {
        for (Damage how : {Damage::Truncated, Damage::Corrupt}) {
            SCOPED_TRACE(path + (packed ? " packed" : " loose") + (how == Damage::Truncated ? " truncated" : " corrupt"));
            lay_out(packed, path, damage(s_show->files.at(path), how));
            // Its last moments only, so that a show that plays is soon over.
            write_file("script.txt", script(packed, false, end - 0.3f, section));
            const ProcessResult r = play();
            expect_clean_end(r);
            if (r.status == 1) {
                EXPECT_NE(error_of(r), "") << r.err;
            }
            clear();
        }
    }
}

bool is_tga(const SectionAsset& asset) {
    const std::string path = asset.path;
    return asset.kind == SectionAsset::kImage && path.size() > 4 && path.substr(path.size() - 4) == ".tga";
}

bool is_model(const SectionAsset& asset) {
    return asset.kind == SectionAsset::kModel;
}

TEST_F(DamagedDataTest, Tga) {
    std::string path, section;
    float end = 0;
    ASSERT_TRUE(find_user(is_tga, &path, &section, &end)) << "no section of the default show reads a TGA picture";
    expect_clean_ends_for(path, section, end);
}

TEST_F(DamagedDataTest, Model) {
    std::string path, section;
    float end = 0;
    ASSERT_TRUE(find_user(is_model, &path, &section, &end)) << "no section of the default show reads a 3DS model";
    expect_clean_ends_for(path, section, end);
}

}  // namespace
