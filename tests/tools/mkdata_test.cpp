// mkdata_test.cpp -- varnel-mkdata's default show: every file the section types read loads through the
// player's own loaders, the script parses with each type's sync times on the music's grid and in
// their ranges, the music decodes to its length, the archive holds the same files, and a second run
// gives the same bytes
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <mpg123.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "kernel/kernel.h"
#include "kernel/script.h"
#include "mkdata.h"
#include "pictures.h"
#include "resources/archive.h"
#include "resources/image.h"
#include "resources/model.h"
#include "resources/skybox.h"
#include "show.h"
#include "support/scratch.h"
#include "vecmath.h"

namespace {

namespace fs = std::filesystem;

// The pictures that the section types read, by their paths (the sync flashes, titles and greetings are added
// below); the power-of-two ones are drawn without mipmaps.
struct PictureFile {
    const char* path;
    bool power_of_two;
};
const PictureFile kPictures[] = {
    {"textures/flame.jpg", false},           {"textures/pixelfire.jpg", false},
    {"textures/varnelstone.tga", false},     {"textures/varnelbump.jpg", false},
    {"textures/varnelglow.jpg", false},      {"textures/redexplosion.jpg", false},
    {"textures/suelo.jpg", false},           {"textures/water.jpg", false},
    {"textures/flares/blueflare.jpg", true}, {"textures/flares/bluesun.jpg", true},
    {"textures/explosion.jpg", false},       {"textures/loading.jpg", false},
    {"textures/07final/credits.jpg", false}, {"textures/07final/finaltitle.jpg", false},
    {"textures/07final/varnelweb.jpg", false}, {kPortraitPath, false},
    {"skyboxes/starfield.jpg", true},
};

struct ModelFile {
    const char* dir;
    const char* file;
};
const ModelFile kModels[] = {
    {"models/VarnelLogo/letra/roja/", "letra.3ds"}, {"models/VarnelLogo/letra/normal/", "letra.3ds"},
    {"models/VarnelLogo/marco/rojo/", "marco.3ds"}, {"models/VarnelLogo/marco/normal/", "marco.3ds"},
    {"models/spinheart/", "spinheart.3ds"},         {"models/", "body3dlow.3ds"},
    {"models/corazon/", "corazon.3ds"},             {"models/horrorface/", "horrorface.3ds"},
    {"models/", "fallingfinal.3ds"},                {"models/blueroom/", "blueroombox.3ds"},
    {"models/amilar/", "01support.3ds"},            {"models/amilar/", "02engranajeEXT.3ds"},
    {"models/amilar/", "03mainAxis.3ds"},           {"models/amilar/", "04innerGear.3ds"},
    {"models/amilar/", "05zodiac.3ds"},             {"models/amilar/", "06ring1.3ds"},
    {"models/amilar/", "07ring2.3ds"},              {"models/amilar/", "08ring3.3ds"},
    {"models/amilar/", "09ring4.3ds"},              {"models/amilar/", "10ring5.3ds"},
    {"models/amilar/planets/", "planet1.3ds"},      {"models/amilar/planets/", "planet2.3ds"},
    {"models/amilar/planets/", "planet3.3ds"},      {"models/amilar/planets/", "planet4.3ds"},
    {"models/amilar/planets/", "planet5.3ds"},
};

const char* const kSkyboxes[] = {"skyboxes/marspanorama/marspanorama_", "skyboxes/souls/souls_",
                                 "skyboxes/night/night_", "skyboxes/distortion/distortion_"};

const char* const kTitleFiles[40] = {
    "001/1-1",  "001/1-2a", "001/1-2b", "001/1-3a", "001/1-3b", "001/1-4a", "001/1-4b", "001/1-4c",
    "001/1-4d", "002/2-1a", "002/2-1b", "002/2-2a", "002/2-2b", "002/2-3a", "002/2-3b", "002/2-4a",
    "002/2-4b", "003/3-1a", "003/3-1b", "004/4-1a", "004/4-1b", "004/4-2",  "004/4-3",  "004/4-8",
    "004/4-9",  "004/4-10", "004/4-11", "005/5-1",  "005/5-2a", "005/5-2b", "006/6-1",  "006/6-2",
    "006/6-3",  "006/6-4",  "006/6-5a", "006/6-5b", "007/7-1a", "007/7-1b", "007/7-2a", "007/7-2b",
};

std::map<std::string, std::string> read_tree(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (entry.is_regular_file()) files[entry.path().lexically_relative(dir).generic_string()] = read_file(entry.path());
    }
    return files;
}

bool power_of_two(int n) {
    return n > 0 && (n & (n - 1)) == 0;
}

bool on_grid(double seconds) {
    const double beats = seconds / kBeat;
    return std::fabs(beats - std::round(beats)) < 1e-3;
}

const Image& picture(const std::string& path) {
    const int image = load_texture(path.c_str(), false);
    EXPECT_GE(image, 0) << path;
    static const Image none;
    return image >= 0 ? image_record(image) : none;
}

// Share of the pixels whose alpha is above the cut.
double share_above(const Image& img, int cut) {
    size_t n = 0;
    for (size_t i = 0; i < size_t(img.width) * size_t(img.height); ++i) n += img.pixels[i * 4 + 3] > cut;
    return double(n) / (double(img.width) * img.height);
}

// Mean brightness of rows y0 to y1 (excluded) of an RGB picture.
double brightness(const Image& img, int y0, int y1, int x0 = 0, int x1 = -1) {
    if (x1 < 0) x1 = img.width;
    double sum = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const uint8_t* p = img.pixels.get() + (size_t(y) * size_t(img.width) + size_t(x)) * 3;
            sum += p[0] + p[1] + p[2];
        }
    }
    return sum / (3.0 * (y1 - y0) * (x1 - x0));
}

void check_pictures() {
    for (const PictureFile& p : kPictures) {
        SCOPED_TRACE(p.path);
        const Image& img = picture(p.path);
        if (p.power_of_two) {
            EXPECT_TRUE(power_of_two(img.width) && power_of_two(img.height)) << img.width << " x " << img.height;
        }
    }
    for (int k = 1; k <= kFlashCount; ++k) {
        char path[32];
        snprintf(path, sizeof path, "textures/sync/%02d.jpg", k);
        EXPECT_GT(picture(path).width, 0) << path;
    }
    for (const char* name : kTitleFiles) {
        const Image& img = picture(std::string("textures/titles/") + name + ".jpg");
        EXPECT_EQ(img.width, 512) << name;
        EXPECT_EQ(img.height, 512) << name;
    }
    for (int k = 1; k <= 10; ++k) {
        char path[48];
        snprintf(path, sizeof path, "textures/souls/soul%02d.jpg", k);
        const Image& img = picture(path);
        EXPECT_TRUE(power_of_two(img.width) && power_of_two(img.height)) << path;
    }
    // Greetings are cut out at alpha 0.9 and the stone at 0.1: each has what stays and what goes.
    for (int i = 0; i < 12; ++i) {
        const Image& img = picture(greeting_path(i));
        ASSERT_EQ(img.internal_format, GLenum(GL_RGBA)) << greeting_path(i);
        const double kept = share_above(img, 230);
        EXPECT_TRUE(kept > 0.05 && kept < 0.8) << greeting_path(i) << " keeps " << kept;
    }
    {
        const Image& stone = picture("textures/varnelstone.tga");
        ASSERT_EQ(stone.internal_format, GLenum(GL_RGBA));
        const double kept = share_above(stone, 25);
        EXPECT_TRUE(kept > 0.5 && kept < 0.95) << "the slab keeps " << kept;
    }
    // The loading picture fills an 800 x 600 screen; its bar's black outline (rows 484 to 493 from
    // the top) lies on a plate lighter than the channel that the red bar fills.
    {
        const Image& loading = picture("textures/loading.jpg");
        ASSERT_EQ(loading.width, 800);
        ASSERT_EQ(loading.height, 600);
        EXPECT_GT(brightness(loading, 476, 482, 140, 700), brightness(loading, 487, 491, 140, 700) + 40);
    }
    // Skybox faces upload without mipmaps. The night sky's up face is sky and its down face ground,
    // and each side face has its sky above its horizon: the faces are where the player shows them.
    for (const char* prefix : kSkyboxes) {
        SCOPED_TRACE(prefix);
        const auto sky = load_skybox(prefix, kSkyboxJpeg, true, false);
        ASSERT_NE(sky, nullptr);
        for (int image : sky->images) {
            const Image& img = image_record(image);
            EXPECT_TRUE(power_of_two(img.width) && img.width == img.height) << img.name;
        }
    }
    const char* const sides[4] = {"rt", "lf", "bk", "ft"};
    for (const char* side : sides) {
        const Image& img = picture(std::string("skyboxes/night/night_") + side + ".jpg");
        EXPECT_GT(brightness(img, 0, img.height / 3), 3 * brightness(img, img.height * 2 / 3, img.height)) << side;
    }
    const Image& up = picture("skyboxes/night/night_up.jpg");
    const Image& down = picture("skyboxes/night/night_dn.jpg");
    EXPECT_GT(brightness(up, 0, up.height), 3 * brightness(down, 0, down.height));
}

// The y-up vertices of a loaded object as the given section transform places them.
struct Box {
    Vec3 lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
    void add(Vec3 p) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    bool contains(Vec3 p) const {
        return p.x >= lo.x && p.x <= hi.x && p.y >= lo.y && p.y <= hi.y && p.z >= lo.z && p.z <= hi.z;
    }
};

template <typename F>
Box world_box(const Model& model, F to_world) {
    Box box;
    for (const MeshObject& o : model.objects) {
        for (const Vertex& v : o.vertices) box.add(to_world(Vec3{v.position[0], v.position[1], v.position[2]}));
    }
    return box;
}

void check_models() {
    bool textured = false, coloured = false;
    std::map<std::string, std::unique_ptr<Model>> loaded;
    for (const ModelFile& m : kModels) {
        const std::string name = std::string(m.dir) + m.file;
        SCOPED_TRACE(name);
        auto model = load_model(m.dir, m.file, false);
        ASSERT_NE(model, nullptr);
        ASSERT_FALSE(model->objects.empty());
        for (const Material& mat : model->materials) {
            if (mat.map_name[0]) {
                EXPECT_GE(mat.texture, 0) << "map " << mat.map_name;
                textured = true;
            } else {
                coloured = true;
            }
        }
        for (const MeshObject& o : model->objects) {
            ASSERT_FALSE(o.faces.empty()) << o.name;
            bool mapped = false;
            double volume = 0;
            for (const Face& f : o.faces) {
                ASSERT_TRUE(f.a < o.vertices.size() && f.b < o.vertices.size() && f.c < o.vertices.size());
                ASSERT_NE(f.material, nullptr) << "every face has a material";
                mapped = mapped || f.material->texture >= 0;
                const float* a = o.vertices[f.a].position;
                const float* b = o.vertices[f.b].position;
                const float* c = o.vertices[f.c].position;
                volume += double(dot(Vec3{a[0], a[1], a[2]}, cross(Vec3{b[0], b[1], b[2]}, Vec3{c[0], c[1], c[2]})));
            }
            if (mapped) {
                EXPECT_EQ(o.texcoords.size(), 2 * o.vertices.size()) << "textured faces need coordinates";
            }
            // Closed surfaces face outward (the room alone is open to the sky).
            if (std::string(m.file) != "blueroombox.3ds") {
                EXPECT_GT(volume, 0) << o.name << " faces inward";
            }
        }
        loaded[name] = std::move(model);
    }
    EXPECT_TRUE(textured && coloured) << "both drawing paths are used";

    // The man: the placement camera at (0, 0, -100) sees up to its far plane at z = 0; he stands on
    // the floor (y = -0.1) at human height, and the small heart lands on his chest. World = file
    // coordinates for him; the heart's section maps file f to (0.35 + 0.12 f.x, 2 - 0.12 f.z,
    // 2.85 + 0.12 f.y). A loaded vertex p is the file's (p.x, -p.z, p.y).
    const Box man = world_box(*loaded["models/body3dlow.3ds"], [](Vec3 p) { return Vec3{p.x, -p.z, p.y}; });
    EXPECT_NEAR(man.lo.y, -0.1f, 0.02f);
    EXPECT_GT(man.hi.y - man.lo.y, 1.5f);
    EXPECT_LT(man.hi.y - man.lo.y, 2.0f);
    EXPECT_GT(man.lo.z, -99.9f);
    EXPECT_LT(man.hi.z, 0.0f);
    const Box heart = world_box(*loaded["models/corazon/corazon.3ds"],
                                [](Vec3 p) { return Vec3{0.35f + 0.12f * p.x, 2 - 0.12f * p.y, 2.85f - 0.12f * p.z}; });
    const Vec3 centre = (heart.lo + heart.hi) * 0.5f;
    EXPECT_TRUE(man.contains(centre)) << "heart at " << centre.x << ", " << centre.y << ", " << centre.z;
    // The beating heart, drawn at half size 1.5 below its camera's target and swelling to 1.75
    // times, stays inside the camera's view (half height 10 tan 30 = 5.77 at the origin).
    const Box beat = world_box(*loaded["models/spinheart/spinheart.3ds"], [](Vec3 p) { return Vec3{p.x, -p.z, p.y}; });
    EXPECT_LT(-1.5f + 0.875f * beat.hi.y, 5.77f);
    EXPECT_GT(-1.5f + 0.875f * beat.lo.y, -5.77f);
    EXPECT_GT(beat.hi.y - beat.lo.y, 4.0f);
}

const Section* nth(const std::vector<const Section*>& sections, size_t i) {
    return i < sections.size() ? sections[i] : nullptr;
}

void check_script() {
    parse_script();
    EXPECT_EQ(g_packeddata, 0);
    EXPECT_EQ(snd_enable, 1);
    EXPECT_TRUE(fs::is_regular_file(snd_mp3file)) << snd_mp3file;
    EXPECT_GE(g_kernel.demo_end, 120.0f);
    EXPECT_LE(g_kernel.demo_end, 180.0f);

    std::vector<const Section*> sections;
    for (const Section* s = g_kernel.script; s; s = s->next_script) sections.push_back(s);
    int uses[kSectionTypeCount] = {};
    const auto type = [](const char* name) { return find_section_type(name); };
    // Types whose sync times are times after the section's start, and how many of them are.
    const std::map<int, int> local_times = {{type("marspanorama"), 3}, {type("tunnel"), 3},   {type("heart"), 33},
                                            {type("amilar"), 10},      {type("horrorface"), 1}, {type("ascension"), 1},
                                            {type("blueroombox"), 1},  {type("credits"), 2},  {type("fallingman"), 3},
                                            {type("titulo"), 2}};
    for (size_t i = 0; i < sections.size(); ++i) {
        const Section& s = *nth(sections, i);
        const char* name = kSectionTypes[s.type].name;
        SCOPED_TRACE(std::string(name) + " section at " + std::to_string(s.start));
        ++uses[s.type];
        ASSERT_GE(s.sync_count, kSectionTypes[s.type].syncs);
        EXPECT_TRUE(on_grid(s.start) && on_grid(s.end)) << "starts and ends on a beat";
        const float length = s.end - s.start;
        if (local_times.count(s.type)) {
            float previous = 0;
            for (int k = 0; k < local_times.at(s.type); ++k) {
                const float t = s.syncs[size_t(k)];
                EXPECT_TRUE(t >= previous && t < length) << "sync " << k << " = " << t;
                EXPECT_TRUE(on_grid(t)) << "sync " << k << " = " << t << " is off the beat";
                previous = t;
            }
        }
        if (s.type == type("heart")) {
            for (int k = 1; k < 33; ++k) EXPECT_NEAR(s.syncs[size_t(k)] - s.syncs[size_t(k - 1)], kBeat, 1e-4);
        } else if (s.type == type("varnellogo")) {
            // The logo's sync times are demo times.
            EXPECT_TRUE(s.start <= s.syncs[0] && s.syncs[0] <= s.syncs[1] && s.syncs[1] <= s.syncs[2] && s.syncs[2] < s.end);
            for (float t : s.syncs) EXPECT_TRUE(on_grid(t));
        } else if (s.type == type("sync")) {
            EXPECT_EQ(s.syncs[0], std::trunc(s.syncs[0]));
            EXPECT_TRUE(s.syncs[0] >= 0 && s.syncs[0] <= 44) << "image " << s.syncs[0];
            EXPECT_TRUE(s.syncs[1] > 0 && s.syncs[1] <= 1) << "strength " << s.syncs[1];
        } else if (s.type == type("titulo")) {
            EXPECT_TRUE(s.syncs[2] >= 0 && s.syncs[2] <= 39) << "slot " << s.syncs[2];
            for (int k : {3, 5}) EXPECT_LE(std::fabs(s.syncs[size_t(k)]), 400) << "x offset";
            for (int k : {4, 6}) EXPECT_LE(std::fabs(s.syncs[size_t(k)]), 300) << "y offset";
        } else if (s.type == type("cameraloc") || s.type == type("hombre")) {
            EXPECT_EQ(s.sync_count, 0);
        }
    }
    for (int t = 1; t < kSectionTypeCount; ++t) EXPECT_GE(uses[t], 1) << kSectionTypes[t].name << " is never used";
    EXPECT_EQ(uses[kLoadingType], 0);
    int repeated = 0;
    for (int t = 1; t < kSectionTypeCount; ++t) repeated += uses[t] > 1;
    EXPECT_GE(repeated, 3);

    // Layering: every section that draws into the matrices of the layers below, and every scene that
    // does not clear, runs over a section that does that for it, for its whole span.
    auto under = [&](const Section& top, const char* below) {
        for (const Section* s : sections) {
            if (s->type == type(below) && s->layer < top.layer && s->start <= top.start && s->end >= top.end) return true;
        }
        return false;
    };
    for (const Section* s : sections) {
        const std::string name = kSectionTypes[s->type].name;
        if (name == "hombre") {
            EXPECT_TRUE(under(*s, "cameraloc") && under(*s, "voidSection"));
        }
        if (name == "redExplosion") {
            EXPECT_TRUE(under(*s, "varnelBump"));
        }
        if (name == "ascension") {
            EXPECT_TRUE(under(*s, "souls"));
        }
        if (name == "varnelBump") {
            EXPECT_TRUE(under(*s, "heart")) << "the stone is framed by the heart's camera";
        }
        if (name == "fallingman") {
            EXPECT_TRUE(under(*s, "tunnel")) << "the fall uses the tunnel's camera and fog";
        }
        if (name == "varnellogo" || name == "horrorface") {
            EXPECT_TRUE(under(*s, "voidSection")) << name;
        }
    }
}

void check_music() {
    mpg123_init();
    int status = MPG123_OK;
    mpg123_handle* mh = mpg123_new(nullptr, &status);
    ASSERT_NE(mh, nullptr);
    ASSERT_EQ(mpg123_open(mh, kMusicPath), MPG123_OK);
    long rate = 0;
    int channels = 0, encoding = 0;
    ASSERT_EQ(mpg123_getformat(mh, &rate, &channels, &encoding), MPG123_OK);
    EXPECT_EQ(rate, kSampleRate);
    EXPECT_EQ(channels, 2);
    ASSERT_EQ(encoding, MPG123_ENC_SIGNED_16);
    std::vector<short> buffer(1 << 16);
    long frames = 0;
    double sum = 0;
    int peak = 0;
    for (;;) {
        size_t done = 0;
        const int result = mpg123_read(mh, reinterpret_cast<unsigned char*>(buffer.data()), buffer.size() * 2, &done);
        for (size_t i = 0; i < done / 2; ++i) {
            sum += double(buffer[i]) * buffer[i];
            peak = std::max(peak, std::abs(int(buffer[i])));
        }
        frames += long(done / 4);
        if (result == MPG123_DONE) break;
        ASSERT_EQ(result, MPG123_OK) << mpg123_plain_strerror(result);
    }
    mpg123_close(mh);
    mpg123_delete(mh);
    // The encoder's delay and padding are in its Info tag, so the decoded length is the rendered one.
    EXPECT_NEAR(double(frames), double(kMusicFrames), 1152.0);
    EXPECT_GT(double(frames) / kSampleRate, 120.0);
    EXPECT_LT(double(frames) / kSampleRate, 180.0);
    const double rms = std::sqrt(sum / (2.0 * double(frames))) / 32768.0;
    EXPECT_GT(20 * std::log10(rms), -20.0) << "audible";
    EXPECT_LT(peak, 32767) << "not clipped";
}

void check_archive(const fs::path& show) {
    ASSERT_EQ(open_archive("data.dat"), 0);
    const std::map<std::string, std::string> files = read_tree(show);
    const std::string archive = files.at("data.dat");
    EXPECT_EQ(archive_entry_count(), int(files.size()) - 1) << "every file but the archive itself";
    for (const auto& [name, bytes] : files) {
        if (name == "data.dat") continue;
        uint32_t offset = 0, length = 0;
        ASSERT_EQ(find_archive_entry(name.c_str(), &offset, &length), 0) << name;
        const std::string packed = archive.substr(offset, length);
        if (name == "script.txt") {
            // The archive's script reads from the archive, and ends with its "[eof]" header.
            std::string expected = bytes;
            const size_t at = expected.find("g_packeddata 0\n");
            ASSERT_NE(at, std::string::npos);
            expected.replace(at, 15, "g_packeddata 1\n");
            EXPECT_EQ(packed, expected);
            EXPECT_EQ(packed.substr(packed.size() - 6), "[eof]\n");
        } else {
            EXPECT_EQ(packed, bytes) << name;
        }
    }
    EXPECT_GE(load_texture("textures/greetings/greet01.tga", true), 0);
    EXPECT_NE(load_model("models/VarnelLogo/marco/rojo/", "marco.3ds", true), nullptr);

    // Alone, the archive plays: its script is found inside and reads from it.
    fs::create_directories("../packed");
    fs::copy_file("data.dat", "../packed/data.dat");
    fs::current_path("../packed");
    parse_script();
    EXPECT_EQ(g_packeddata, 1);
    EXPECT_TRUE(g_kernel.archive_loaded);
    int count = 0;
    for (const Section* s = g_kernel.script; s; s = s->next_script) ++count;
    EXPECT_EQ(count, int(show_sections().size()));
    fs::current_path(show);
}

TEST(MkdataTest, DefaultShow) {
    ScratchDir scratch;
    MkdataOptions options;
    options.quiet = true;
    testing::internal::CaptureStdout();
    ASSERT_EQ(make_show("show", options), 0);
    // Again with one worker, in another order: the same bytes.
    options.threads = 1;
    ASSERT_EQ(make_show("again", options), 0);
    testing::internal::GetCapturedStdout();
    {
        SCOPED_TRACE("two runs");
        const auto first = read_tree("show"), second = read_tree("again");
        ASSERT_EQ(first.size(), second.size());
        for (const auto& [name, bytes] : first) {
            const auto other = second.find(name);
            ASSERT_NE(other, second.end()) << name;
            EXPECT_TRUE(other->second == bytes) << name << " differs";
        }
        size_t total = 0;
        for (const auto& [name, bytes] : first) total += bytes.size();
        EXPECT_LT(total, size_t(40) << 20) << "the whole tree, archive included";
    }
    const fs::path show = fs::absolute("show");
    fs::current_path(show);
    {
        SCOPED_TRACE("script");
        check_script();
    }
    {
        SCOPED_TRACE("pictures");
        check_pictures();
    }
    {
        SCOPED_TRACE("models");
        check_models();
    }
    {
        SCOPED_TRACE("music");
        check_music();
    }
    {
        SCOPED_TRACE("archive");
        check_archive(show);
    }
    fs::current_path(scratch.path());
}

TEST(MkdataTest, RefusesADirectoryWithOtherFiles) {
    ScratchDir scratch;
    write_file("mine/notes.txt", "keep me");
    testing::internal::CaptureStderr();
    EXPECT_EQ(make_show("mine", MkdataOptions{}), 1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("notes.txt"), std::string::npos);
    EXPECT_EQ(read_file("mine/notes.txt"), "keep me");
    EXPECT_FALSE(fs::exists("mine/script.txt"));
}

}  // namespace
