// figure_scenes_test.cpp -- the stone, explosion, figure, panorama, falling figure and face sections on a GL context
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>

#include "kernel/kernel.h"
#include "sections/sections.h"
#include "support/gl_context.h"
#include "support/scene_files.h"
#include "support/scratch.h"

namespace {

// Window width of polygons [first, first + count), and the mean depth of their vertices: a box's
// vertices average to its centre.
std::pair<float, float> width_and_depth(const std::vector<FeedbackPolygon>& polygons, size_t first = 0,
                                        size_t count = 1u << 30) {
    float x0 = 1e9f, x1 = -1e9f, depth = 0;
    int n = 0;
    for (size_t i = first; i < polygons.size() && i - first < count; ++i) {
        x0 = std::min(x0, polygons[i].min_x());
        x1 = std::max(x1, polygons[i].max_x());
        for (const auto& v : polygons[i].positions) depth += v[2], ++n;
    }
    return {x1 - x0, depth / float(std::max(n, 1))};
}

float light1_red(GLenum name) {
    GLfloat colour[4] = {};
    glGetLightfv(GL_LIGHT1, name, colour);
    return colour[0];
}

class FigureScenesTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        open_test_graphics();
        dir_ = new ScratchDir;
        write_effect_files();
        for (auto load : {varnelbump_load, redexplosion_load, hombre_load, marspanorama_load, fallingman_load,
                          horrorface_load}) {
            load();
        }
    }
    static void TearDownTestSuite() { delete dir_; }
    void SetUp() override {
        g_kernel = KernelState();
        g_kernel.current = &section_;
        // 4 pixels a unit across; depth 0.5 at z = 0 and 0 at z = 100.
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-20, 20, -20, 20, -100, 100);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    void TearDown() override { g_kernel = KernelState(); }

    void set_section(float duration, std::vector<float> syncs) {
        section_.end = section_.duration = duration;
        section_.sync_count = int(syncs.size());
        section_.syncs = std::move(syncs);
    }
    std::vector<FeedbackPolygon> render_at(float t, void (*render)()) {
        g_kernel.demo_time = t;
        return capture_polygons(render);
    }

    static inline ScratchDir* dir_ = nullptr;
    Section section_;
};

TEST_F(FigureScenesTest, StoneAndExplosionShrinkInTheMatricesTheyFind) {
    set_section(4.0f, {});
    glTranslatef(0.5f, 0.0f, 0.0f);
    const auto modelview = read_matrix(GL_MODELVIEW_MATRIX);
    // Glow, stone, bump: the slab is 24 units wide at the start, 95 % of that at the end.
    for (const auto& [t, scale] : {std::pair{0.0f, 1.0f}, {3.999f, 0.95f}}) {
        const auto polygons = render_at(t, varnelbump_render);
        EXPECT_NEAR(width_and_depth(polygons, polygons.size() / 3, polygons.size() / 3).first, scale * 96, 0.01f);
    }
    // Two copies, 24 units wide at the start; 18 wide and turned 30 degrees each way at the end.
    EXPECT_NEAR(width_and_depth(render_at(0.0f, redexplosion_render)).first, 96.0f, 0.01f);
    const auto polygons = render_at(3.9999f, redexplosion_render);
    const float turned = 0.75f * 96.0f * (std::cos(float(M_PI) / 6) + std::sin(float(M_PI) / 6));
    EXPECT_NEAR(width_and_depth(polygons, 0, polygons.size() / 2).first, turned, 0.05f);
    for (const auto& p : polygons) {
        const float tenths = p.colours[0][3] * 10;  // the flicker: 0.7, 0.8 or 0.9
        EXPECT_TRUE(tenths > 6.99f && tenths < 9.01f && std::fabs(tenths - std::round(tenths)) < 1e-3f) << tenths;
    }

    EXPECT_EQ(read_matrix(GL_MODELVIEW_MATRIX), modelview);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
}

TEST_F(FigureScenesTest, HombreTakesNoSyncTimesAndTurnsItsLightsOff) {
    glTranslatef(1.0f, 2.0f, 3.0f);
    const auto modelview = read_matrix(GL_MODELVIEW_MATRIX);
    hombre_init();
    hombre_render();
    for (GLenum cap : {GL_LIGHTING, GL_LIGHT1, GL_FOG, GL_BLEND, GL_CULL_FACE}) EXPECT_FALSE(glIsEnabled(cap)) << cap;
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_EQ(read_matrix(GL_MODELVIEW_MATRIX), modelview);
    set_section(4.0f, {1.0f});
    EXPECT_EXIT(hombre_init(), testing::ExitedWithCode(1),
                fatal_line("Section: invalid sync number (1 found, 0 expected)"));
}

TEST_F(FigureScenesTest, PanoramaCutsAndZoomsAtItsSyncTimes) {
    set_section(30.0f, {4.0f, 6.0f, 14.0f});
    marspanorama_init();
    GLint depth = 0, after = 0, mode = 0;
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    // The eye's x tells the shots apart; shot 3 zooms in from 60 degrees, shot 4 out from 55.
    const float cases[][3] = {{3.999f, 1.8f, 60},       {4.0f, 0.149369f, 60},   {6.0f, 0.162826f, 60},
                              {13.999f, 0.162826f, 55}, {14.0f, -2.698285f, 55}, {29.0f, -2.698285f, 64.375f}};
    for (const auto& [t, eye_x, fov] : cases) {
        g_kernel.demo_time = t;
        marspanorama_render();
        // The eye of a rigid model-view matrix: minus its rotation transposed times its translation.
        const auto m = read_matrix(GL_MODELVIEW_MATRIX);
        EXPECT_NEAR(-(m[0] * m[12] + m[1] * m[13] + m[2] * m[14]), eye_x, 1e-4f) << t;
        EXPECT_NEAR(2 * std::atan(1 / read_matrix(GL_PROJECTION_MATRIX)[5]) * 180 / float(M_PI), fov, 2e-3f) << t;
        glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &after);
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(after, depth);
        EXPECT_EQ(mode, GL_MODELVIEW);
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
    }
}

TEST_F(FigureScenesTest, FallingmanPhasesAndPath) {
    set_section(30.0f, {8.0f, 20.0f, 24.0f});
    // In the matrices it finds, through z = 0 at 7.8 s at 2 units a second; the second pass starts
    // 39.65 behind.
    for (const auto& [t, z] : {std::pair{0.0f, 15.6f}, {7.999f, -0.398f}, {8.0f, 39.65f}, {19.999f, 15.652f}}) {
        EXPECT_NEAR(width_and_depth(render_at(t, fallingman_render)).second, 0.5f - z / 200.0f, 1e-5f) << t;
        for (GLenum cap : {GL_LIGHTING, GL_FOG, GL_BLEND}) EXPECT_FALSE(glIsEnabled(cap)) << cap;
        EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    }
    // The silhouette: black, through its 90-degree camera, over everything.
    for (const auto& p : render_at(20.0f, fallingman_render)) {
        EXPECT_EQ(p.colours[0], (std::array<float, 4>{0, 0, 0, 1}));
    }
    EXPECT_NEAR(read_matrix(GL_PROJECTION_MATRIX)[5], 1.0f, 1e-6f);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    // The face through the close-up's 0.01 to 10.
    render_at(24.0f, fallingman_render);
    EXPECT_NEAR(read_matrix(GL_PROJECTION_MATRIX)[10], -10.01f / 9.99f, 1e-5f);
    for (GLenum cap : {GL_LIGHTING, GL_LIGHT0, GL_LIGHT1}) EXPECT_FALSE(glIsEnabled(cap)) << cap;
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(FigureScenesTest, HorrorfaceCameraAlwaysAndTheRedLightRising) {
    set_section(6.0f, {2.0f});
    const GLfloat marker[4] = {0.25f, 0, 0, 1};
    glLightfv(GL_LIGHT1, GL_DIFFUSE, marker);
    // Before sync[0] only the camera: 60 degrees, 0.3 in front of the origin.
    EXPECT_TRUE(render_at(1.0f, horrorface_render).empty());
    EXPECT_NEAR(read_matrix(GL_PROJECTION_MATRIX)[5], 1.0f / std::tan(float(M_PI) / 6), 1e-5f);
    EXPECT_NEAR(read_matrix(GL_MODELVIEW_MATRIX)[14], -0.3f, 1e-6f);
    EXPECT_EQ(light1_red(GL_DIFFUSE), 0.25f);
    for (const auto& [t, k] : {std::pair{2.0f, 0.0f}, {4.0f, 0.5f}, {6.0f, 1.0f}}) {
        EXPECT_FALSE(render_at(t, horrorface_render).empty());
        EXPECT_NEAR(light1_red(GL_DIFFUSE), k, 1e-6f) << t;
        for (GLenum cap : {GL_LIGHTING, GL_LIGHT1, GL_BLEND}) EXPECT_FALSE(glIsEnabled(cap)) << cap;
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    }
}

}  // namespace
