// souls_test.cpp -- "souls": the rising sphere, a long frame, the camera path and the GL state it leaves
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <utility>
#include <vector>

#include "kernel/kernel.h"
#include "sections/sections.h"
#include "sections/water_grid.h"
#include "support/gl_context.h"
#include "support/pictures.h"
#include "support/scratch.h"

namespace {

struct SoulsTest : testing::Test {
    static void SetUpTestSuite() {
        open_test_graphics();
        ScratchDir dir;
        write_picture_assets(kSoulsAssets);
        souls_load();
    }
    void SetUp() override {
        section_.start = 100.0f;
        section_.end = 120.0f;
        g_kernel.current = &section_;
    }
    void TearDown() override { g_kernel = KernelState(); }

    // Renders local time t after a frame of frame_time seconds.
    void frame(float t, float frame_time) {
        g_kernel.demo_time = section_.start + t;
        g_kernel.frame_time = frame_time;
        souls_render();
    }
    static const WaterNode& node(int row, int column) { return souls_water().nodes[row * 25 + column]; }
    // The largest distance of a node from the plane, or infinity for a non-finite one.
    static double worst_height() {
        double worst = 0;
        for (int i = 0; i < 25 * 25; ++i) {
            const double* p = souls_water().nodes[i].position;
            worst = std::isfinite(p[0] + p[1] + p[2]) ? std::max(worst, std::fabs(p[1])) : INFINITY;
        }
        return worst;
    }
    Section section_;
};

TEST_F(SoulsTest, SphereLiftsTheCentreThenALongFrameSettlesTheWater) {
    const float dt = 1.0f / 60.0f;
    int n = 0;
    for (; float(n) * dt < 0.3f; ++n) frame(float(n) * dt, n ? dt : 0.0f);
    EXPECT_LT(std::fabs(node(12, 12).position[1]), 1e-6) << "the sphere is still below the surface";
    EXPECT_NE(node(12, 2).position[1], 0.0) << "the ripples have begun";

    for (; float(n) * dt < 0.35f; ++n) frame(float(n) * dt, dt);
    const float t = g_kernel.demo_time - section_.start;
    const double centre = double(0.5f * t - 0.2f), radius = double(0.05f - 0.01f * t);
    EXPECT_NEAR(std::hypot(node(12, 12).position[1] - centre, node(12, 12).position[0]), radius, 1e-12)
        << "lifted onto the sphere";

    for (; float(n) * dt < 1.0f; ++n) frame(float(n) * dt, dt);
    EXPECT_GT(worst_height(), 0.2) << "the bulge at its height";
    // A one-second stall would throw the centre some 18 units down and leave the water in chaos.
    frame(float(n) * dt + 1.0f, 1.0f);
    EXPECT_EQ(worst_height(), 0.0) << "back at rest";
    for (int k = 1; k <= 30; ++k) frame(float(n + k) * dt + 1.0f, dt);
    EXPECT_LT(worst_height(), 0.1);
    EXPECT_NE(node(12, 2).position[1], 0.0) << "the source shakes the water again";
}

TEST_F(SoulsTest, CameraPathAndStateLeft) {
    // Light 1 goes through the matrix found, before the camera.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, 2, 3);
    frame(0.0f, 0.0f);
    float light[4];
    glGetLightfv(GL_LIGHT1, GL_POSITION, light);
    EXPECT_TRUE(light[0] == 1.0f && light[1] == 2.5f && light[2] == 3.0f);

    // Round the ellipse, closing in on (0, 0.25, 0) at the end; the target rises from 8 s on.
    const struct {
        float t, eye[3], target_y, tolerance;
    } shots[] = {{0.0f, {0.5f, 0.25f, 0.5f}, 0.0f, 1e-6f},
                 {7.99f, {0.791761f, 0.25f, 0.172494f}, 0.0f, 1e-5f},
                 {10.0f, {0.71602f, 0.25f, 0.0905894f}, 0.6f, 1e-5f},
                 {19.98f, {0.00117723f, 0.25f, -0.000367885f}, 3.594f, 2e-3f}};
    for (const auto& s : shots) {
        SCOPED_TRACE(s.t);
        frame(s.t, 1.0f / 60.0f);
        const auto modelview = read_matrix(GL_MODELVIEW_MATRIX);
        glLoadIdentity();
        gluLookAt(s.eye[0], s.eye[1], s.eye[2], 0, s.target_y, 0, 0, 1, 0);
        glRotatef(0.2f * s.t + 180.0f, 0, 1, 0);
        glTranslatef(0, -0.02f * std::sin(s.t) * std::cos(s.t), 0);
        const auto expected = read_matrix(GL_MODELVIEW_MATRIX);
        for (int i = 0; i < 16; ++i) EXPECT_NEAR(modelview[size_t(i)], expected[size_t(i)], s.tolerance) << i;
    }

    EXPECT_FALSE(glIsEnabled(GL_LIGHTING) || glIsEnabled(GL_BLEND) || glIsEnabled(GL_FOG));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0) && glIsEnabled(GL_LIGHT1) && glIsEnabled(GL_DEPTH_TEST));
    GLint v[6] = {};
    for (auto [name, at] : {std::pair{GL_BLEND_SRC, 0}, {GL_BLEND_DST, 1}, {GL_SHADE_MODEL, 2}, {GL_POLYGON_MODE, 3}, {GL_MATRIX_MODE, 5}}) {
        glGetIntegerv(GLenum(name), v + at);
    }
    EXPECT_EQ(std::vector<GLint>(v, v + 6), (std::vector<GLint>{GL_ONE, GL_ONE, GL_SMOOTH, GL_FILL, GL_FILL, GL_MODELVIEW}));
    glGetFloatv(GL_CURRENT_COLOR, light);
    EXPECT_TRUE(light[0] == 0.3f && light[1] == 0.3f && light[2] == 1.0f) << "the colour";
}

TEST(SoulsDeathTest, MissingFilesEndTheProgramAtLoad) {
    ScratchDir dir;
    open_test_graphics();
    EXPECT_EXIT(souls_load(), testing::ExitedWithCode(1), fatal_line("Souls: skybox not found"));
    write_picture_assets(kSoulsAssets);
    remove("textures/water.jpg");
    EXPECT_EXIT(souls_load(), testing::ExitedWithCode(1), fatal_line("Error loading texture water.jpg in Souls section"));
}

}  // namespace
