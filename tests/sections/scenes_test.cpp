// scenes_test.cpp -- "amilar", "blueroombox", "final" and "credits" on a GL context: cameras, fountains,
// light, trails, phases, and the GL state each leaves
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <tuple>

#include "core/random.h"
#include "kernel/kernel.h"
#include "max3ds_writer.h"
#include "models.h"
#include "sections/sections.h"
#include "support/gl_context.h"
#include "support/pictures.h"
#include "support/scratch.h"

namespace {

constexpr float kDegrees = 57.2957795f;

GLint get(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

// p[5] of the projection is the cotangent of half the field of view, negative past 180 degrees.
float fov() {
    return 2.0f * std::atan2(1.0f, read_matrix(GL_PROJECTION_MATRIX)[5]) * kDegrees;
}

// Feedback gives the vertices that clipping makes colours of no meaning.
bool clipped(const FeedbackPolygon& p) {
    return p.min_x() < 0.01f || p.min_y() < 0.01f || p.max_x() > kTestWidth - 0.01f || p.max_y() > kTestHeight - 0.01f;
}

// A model of one triangle beyond every camera's far plane, with a texture map if named.
std::string far_triangle(const char* map) {
    Model3ds model;
    model.materials = {material("m", 0x404040, 0xc0c0c0, 0x202020, 0.3f, map)};
    Mesh mesh;
    mesh.has_uv = map[0] != '\0';
    mesh.add_triangle(mesh.add_vertex({50, 0, 0}), mesh.add_vertex({50, 1, 0}), mesh.add_vertex({50, 0, 1}, {1, 1}), 0);
    model.objects = {mesh};
    std::string error;
    return encode_3ds(model, &error);
}

class ScenesTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        open_test_graphics();
        dir_ = new ScratchDir;
        const std::string jpeg = encode_jpeg(gradient_picture(8, 8));
        for (int i = 0; i < 18; ++i) {
            const SectionAsset& a = kAmilarAssets[i];
            write_file(a.path + std::string(i < 15 ? a.file : ""), i < 15 ? far_triangle(i >= 10 ? "skin.jpg" : "") : jpeg);
        }
        write_file("models/amilar/planets/skin.jpg", jpeg);
        write_file("models/blueroom/blueroombox.3ds", far_triangle(""));
        for (const char* face : {"rt", "lf", "bk", "ft", "up", "dn"}) {
            write_file(std::string("skyboxes/night/night_") + face + ".jpg", jpeg);
            write_file(std::string("skyboxes/distortion/distortion_") + face + ".jpg", jpeg);
        }
        for (const SectionAsset& a : kCreditsAssets) write_file(a.path, jpeg);
        credits_load();
    }
    static void TearDownTestSuite() { delete dir_; }
    void SetUp() override {
        g_kernel = KernelState();
        section_ = Section{.start = 5.0f, .end = 15.0f, .syncs = {4, 8, 12, 16, 20, 24, 28, 32, 36, 40}};
        g_kernel.current = &section_;
    }
    void TearDown() override { g_kernel = KernelState(); }
    void render(void (*handler)(), float t) {
        g_kernel.demo_time = section_.start + t;
        handler();
    }

    Section section_;
    static inline ScratchDir* dir_ = nullptr;
};

TEST_F(ScenesTest, AmilarShotsCutAtTheSyncsAndKeepTheLastRoll) {
    // Shot k + 1 starts at 4k seconds: its field of view and its eye, -R^T t of the model-view matrix.
    const float starts[11][4] = {
        {90, 0.01f, -0.5f, 0.01f}, {90, 0.409217f, 1.006942f, -1.175175f}, {90, 0.608921f, 0.41068f, 0.182893f},
        {90, -0.652186f, 0.096388f, 0.367924f}, {90, 0, 0.016303f, 1.201776f}, {150, 0, -0.016303f, 1.201776f},
        {90, 0, 0.08696f, 1.746299f}, {40, 0, 0.08696f, 0}, {140, -0.05324f, 0.08696f, 1.746299f},
        {100, -1.05324f, 0.08696f, 1.746299f}, {260, 0.05324f, 0.08696f, -0.746299f}};
    amilar_load();
    for (int k = 0; k < 11; ++k) {
        render(amilar_render, 4.0f * float(k));
        EXPECT_NEAR(fov(), starts[k][0], 0.01f) << "shot " << k + 1;
        const auto m = read_matrix(GL_MODELVIEW_MATRIX);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(-(m[i * 4] * m[12] + m[i * 4 + 1] * m[13] + m[i * 4 + 2] * m[14]), starts[k][i + 1], 1e-4f)
                << "shot " << k + 1;
        }
    }
    // Fields of view past their breakpoints, shot 11 through 180 and back to 60; the roll, which
    // tilts the look-at's level x axis, kept by shots 8 and 10.
    const float cases[][3] = {{19, 90, 0},       {19.5f, 120, 0},  {23.5f, 120, 0}, {25, 90, -10}, {25.5f, 65, -15},
                              {29.5f, 90, -15},  {32.5f, 140, 5},  {33.5f, 120, 15}, {37.5f, 70, 15}, {40.5f, 210, 50},
                              {40.8f, 180, 80},  {41, 60, 100},    {41.01f, 65.2f, 101}};
    for (const auto& c : cases) {
        render(amilar_render, c[0]);
        EXPECT_NEAR(fov(), c[1], 0.01f) << "at " << c[0];
        const auto m = read_matrix(GL_MODELVIEW_MATRIX);
        if (c[0] > 24) {
            EXPECT_NEAR(std::atan2(m[4], m[5]) * kDegrees, c[2], 0.01f) << "roll at " << c[0];
        }
    }
    EXPECT_TRUE(!glIsEnabled(GL_LIGHTING) && glIsEnabled(GL_LIGHT0) && !glIsEnabled(GL_LIGHT1));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D) && !glIsEnabled(GL_BLEND) && get(GL_BLEND_DST) == GL_ONE);
    EXPECT_EQ(get(GL_MODELVIEW_STACK_DEPTH), 1) << "every push popped";
}

TEST_F(ScenesTest, AmilarFountainsStartAtTheCentreAndRefillInTheFrameTheirParticlesDie) {
    // The first dust particle's colour, drawn after its velocity in the order b, g, r.
    srand(7);
    for (int i = 0; i < 3; ++i) rand();
    const float b = float(rand() % 255) / 255, g = float(rand() % 255) / 255, r = float(rand() % 255) / 255;
    // The effects' generator draws what the C library's draws.
    seed_random(7);
    amilar_load();

    // Shot 2 sees every particle whole at the centre; they are what is neither clipped nor the sky's red.
    struct Count {
        int yellow = 0, dust = 0, faded = 0, off_centre = 0;
        std::array<float, 4> first_dust = {};
    };
    auto frame = [&](float dt) {
        glDisable(GL_LIGHTING);
        g_kernel.frame_time = dt;
        Count n;
        for (const FeedbackPolygon& p : capture_polygons([&] { render(amilar_render, 4.0f); }, 1 << 18)) {
            const auto& c = p.colours[0];
            if (clipped(p) || c == std::array<float, 4>{1, 0, 0, 1}) continue;
            n.faded += c[3] == 0.0f;
            if (c[0] == 1.0f && c[1] == 1.0f && c[2] == 0.0f) {
                ++n.yellow;
            } else if (n.dust++ == 0) {
                n.first_dust = c;
            }
            n.off_centre += std::fabs(p.min_x() + p.max_x() - kTestWidth) + std::fabs(p.min_y() + p.max_y() - kTestHeight) > 2;
        }
        return n;
    };
    // Without time all 2065 are alive at the centre, flares and suns yellow; a life of 0 has alpha 0.
    const Count loaded = frame(0.0f);
    const int per_quad = (loaded.yellow + loaded.dust) / 2065;
    ASSERT_GE(per_quad, 1);
    EXPECT_EQ(loaded.yellow, 65 * per_quad);
    EXPECT_EQ(loaded.dust, 2000 * per_quad);
    EXPECT_EQ(loaded.off_centre, 0);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(loaded.first_dust[size_t(i)], (std::array{r, g, b})[size_t(i)], 1e-6f);
    const int dying = loaded.faded / per_quad;
    EXPECT_GT(dying, 0) << "one dust life in a hundred is 0";
    // Those die in the next step and are not drawn, but are back in the frame after.
    const Count stepped = frame(0.02f), refilled = frame(0.0f);
    EXPECT_EQ(stepped.yellow + stepped.dust, (2065 - dying) * per_quad);
    EXPECT_EQ(refilled.yellow + refilled.dust, 2065 * per_quad);
}

TEST_F(ScenesTest, BlueRoomLightSwingsAndTheSecondPlaceOpensItsView) {
    section_.syncs = {4.0f};  // phase 2 for the last 6 s
    blueroombox_load();
    std::array<float, 4> diffuse = {}, colour = {};
    render(blueroombox_render, 0.785398f);
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse.data());
    EXPECT_NEAR(diffuse[0], 0.36f, 1e-5f);
    EXPECT_NEAR(diffuse[2], 0.06f, 1e-5f);
    EXPECT_NEAR(fov(), 60.0f, 1e-3f);
    const auto drifting = read_matrix(GL_MODELVIEW_MATRIX);
    render(blueroombox_render, 0.785398f * 3);
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse.data());
    EXPECT_NEAR(diffuse[1], 0.24f, 1e-5f);
    EXPECT_NEAR(diffuse[2], -0.06f, 1e-5f) << "below zero half the time";
    EXPECT_NE(read_matrix(GL_MODELVIEW_MATRIX), drifting);

    for (const auto& c : {std::array<float, 2>{4, 50}, {7, 55}, {9.999f, 60}}) {
        render(blueroombox_render, c[0]);
        EXPECT_NEAR(fov(), c[1], 0.01f) << "at " << c[0];
    }
    EXPECT_TRUE(!glIsEnabled(GL_LIGHTING) && !glIsEnabled(GL_BLEND) && glIsEnabled(GL_LIGHT0));
    EXPECT_TRUE(get(GL_BLEND_SRC) == GL_ONE && get(GL_BLEND_DST) == GL_ZERO);
    glGetFloatv(GL_CURRENT_COLOR, colour.data());
    EXPECT_EQ(colour, (std::array<float, 4>{1, 1, 1, 0.5f}));
}

TEST_F(ScenesTest, FinalClearsOnceThenDarkensTheLastFrameAndAimsWhereItSwirled) {
    final_load();
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    final_init();
    EXPECT_EQ(read_pixel(80, 60), (std::array<int, 3>{0, 0, 0}));
    // On white the sky adds nothing more, and the veil keeps 90 %.
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    render(final_render, 0.1f);
    for (int channel : read_pixel(kTestWidth - 5, 5)) EXPECT_NEAR(channel, 230, 2);
    const auto first = read_matrix(GL_MODELVIEW_MATRIX);
    render(final_render, 0.2f);
    const auto second = read_matrix(GL_MODELVIEW_MATRIX);
    EXPECT_TRUE(get(GL_MATRIX_MODE) == GL_PROJECTION && get(GL_PROJECTION_STACK_DEPTH) == 1);
    EXPECT_TRUE(!glIsEnabled(GL_BLEND) && glIsEnabled(GL_TEXTURE_2D));

    // The first frame looks at the origin, the next where the first one swirled.
    glMatrixMode(GL_MODELVIEW);
    const float c3 = 2 * std::cos(0.3f), s5 = 2 * std::sin(0.5f);
    for (const auto& [view, roll, x, y] : {std::tuple{first, 1.0f, 0.0f, 0.0f}, {second, 2.0f, c3, s5}}) {
        glLoadIdentity();
        glRotatef(-roll, 0, 0, 1);
        gluLookAt(0, 0, -5, x, y, 0, 0, 1, 0);
        const auto expected = read_matrix(GL_MODELVIEW_MATRIX);
        for (size_t i = 0; i < 16; ++i) EXPECT_NEAR(view[i], expected[i], 1e-5f) << "roll " << roll;
    }
}

TEST_F(ScenesTest, CreditsShowOnePictureAPhaseShrinkingUnderTheFlicker) {
    section_.syncs = {2.0f, 6.0f};
    // How tall the drawing is, in pixels (200 units fill the window's 120), and the alphas of what
    // lies inside the window.
    auto drawn = [&](float t, std::vector<float>* alphas = nullptr) {
        float y0 = 1e9f, y1 = -1e9f;
        for (const FeedbackPolygon& p : capture_polygons([&] { render(credits_render, t); })) {
            y0 = std::min(y0, p.min_y());
            y1 = std::max(y1, p.max_y());
            if (alphas && !clipped(p)) alphas->push_back(p.colours[0][3]);
        }
        return y1 - y0;
    };
    const float heights[][2] = {{0, 120}, {1, 108}, {2, 120}, {6, 60}, {9.999f, 56.4f}};
    for (const auto& h : heights) EXPECT_NEAR(drawn(h[0]), h[1], 0.5f) << "at " << h[0];
    // The credits overfill the window; the title, drawn twice, lies inside it.
    std::vector<float> alphas;
    drawn(2.5f, &alphas);
    ASSERT_GE(alphas.size(), 2u);
    EXPECT_EQ(alphas.front(), 0.5f);
    EXPECT_TRUE(alphas.back() >= 0.75f - 1e-6f && alphas.back() <= 0.99f + 1e-6f);
    // The web page in orange, its green clamped at 0 half the time.
    const float c = std::sin(50.0f);
    const auto web = capture_polygons([&] { render(credits_render, 6.5f); }).at(0).colours[0];
    EXPECT_NEAR(web[1], std::max(0.0f, 0.5f * c), 1e-3f);
    EXPECT_NEAR(web[3], 0.9f + 0.1f * c, 1e-3f);
    EXPECT_TRUE(!glIsEnabled(GL_BLEND) && glIsEnabled(GL_DEPTH_TEST));

    section_.syncs = {0.0f, 6.0f};
    EXPECT_NEAR(drawn(1.0f), 120, 0.5f) << "with s0 at 0 the portrait never shows";
}

}  // namespace
