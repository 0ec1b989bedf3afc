// ascension_test.cpp -- "ascension": its two phases, the explosion's width, the souls' climb, the state left
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "kernel/kernel.h"
#include "sections/sections.h"
#include "support/gl_context.h"
#include "support/pictures.h"
#include "support/scratch.h"

namespace {

// A quad seen from above through a view of 2 pixels a unit: its width, centre, height above the
// centre and the x of its first corner, in units.
struct Shape {
    float width, x, z, height, first_x;
};

struct AscensionTest : testing::Test {
    static void SetUpTestSuite() {
        open_test_graphics();
        ScratchDir dir;
        write_picture_assets(kAscensionAssets);
        ascension_load();
    }
    void SetUp() override {
        section_.start = 50.0f;
        section_.end = 61.0f;
        section_.syncs = {3.0f};
        g_kernel.current = &section_;
    }
    void TearDown() override { g_kernel = KernelState(); }

    // Renders local time t; the widest quad first.
    std::vector<Shape> render(float t, float frame_time) {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-40, 40, -30, 30, -50, 50);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glRotatef(90, 1, 0, 0);
        g_kernel.demo_time = section_.start + t;
        g_kernel.frame_time = frame_time;
        std::vector<Shape> shapes;
        const auto polygons = capture_polygons(ascension_render);
        for (size_t i = 0; i < polygons.size(); ++i) {
            const FeedbackPolygon& p = polygons[i];
            // Feedback may report a quad as two triangles.
            const FeedbackPolygon& q = p.positions.size() == 3 ? polygons[++i] : p;
            const float x0 = std::min(p.min_x(), q.min_x()), x1 = std::max(p.max_x(), q.max_x());
            const float y0 = std::min(p.min_y(), q.min_y()), y1 = std::max(p.max_y(), q.max_y());
            shapes.push_back({(x1 - x0) / 2, (x1 + x0) / 4 - 40, (y1 + y0) / 4 - 30, 50 - 100 * p.positions[0][2],
                              p.positions[0][0] / 2 - 40});
        }
        std::stable_sort(shapes.begin(), shapes.end(), [](const Shape& a, const Shape& b) { return a.width > b.width; });
        return shapes;
    }
    static int count(const std::vector<Shape>& shapes, float width) {
        return int(std::count_if(shapes.begin(), shapes.end(), [&](const Shape& s) { return std::fabs(s.width - width) < 0.02f; }));
    }
    // The twelve greetings: quads whose centres lie 1.4 from the axis.
    static int greetings(const std::vector<Shape>& shapes) {
        return int(std::count_if(shapes.begin(), shapes.end(), [](const Shape& s) { return std::fabs(std::hypot(s.x, s.z) - 1.4f) < 0.05f; }));
    }
    Section section_;
};

TEST_F(AscensionTest, PhasesAndTheExplosionsWidth) {
    // Frame time 0 keeps the particles where they are. Glow 0.2 wide, sparks 0.1, souls 1.5.
    auto shapes = render(2.99f, 0.0f);
    EXPECT_NEAR(shapes[0].width, 2.99f, 0.02f) << "the explosion grows with the local time";
    EXPECT_TRUE(count(shapes, 0.2f) > 0 && count(shapes, 0.1f) + count(shapes, 1.5f) == 0);
    EXPECT_EQ(greetings(shapes), 12);

    // From the sync time on: P = 11 - 3 = 8 wide, shrinking by the cube of the time.
    shapes = render(3.0f, 0.0f);
    EXPECT_NEAR(shapes[0].width, 8.0f, 0.02f);
    EXPECT_LT(shapes[0].first_x, 0.0f);
    EXPECT_TRUE(count(shapes, 0.2f) == 0 && count(shapes, 0.1f) > 0 && count(shapes, 1.5f) > 0);
    EXPECT_EQ(greetings(shapes), 12);
    EXPECT_LT(render(5.0f, 0.0f)[0].width, 2.3f) << "gone at 2 s: only the greetings are left";
    shapes = render(7.0f, 0.0f);
    EXPECT_NEAR(shapes[0].width, 56.0f, 0.02f);
    EXPECT_GT(shapes[0].first_x, 0.0f) << "mirrored";

    section_.syncs[0] = 0.0f;
    shapes = render(0.0f, 0.0f);
    EXPECT_NEAR(shapes[0].width, 11.0f, 0.02f) << "straight into the second phase";

    // What it leaves: the matrices as found, and its own settings.
    glDisable(GL_DEPTH_TEST);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    const auto modelview = read_matrix(GL_MODELVIEW_MATRIX);
    ascension_render();
    EXPECT_EQ(read_matrix(GL_MODELVIEW_MATRIX), modelview);
    EXPECT_TRUE(!glIsEnabled(GL_BLEND) && !glIsEnabled(GL_ALPHA_TEST) && glIsEnabled(GL_DEPTH_TEST));
    GLint v[6] = {};
    for (auto [name, at] : {std::pair{GL_MATRIX_MODE, 0}, {GL_POLYGON_MODE, 1}, {GL_BLEND_SRC, 3}, {GL_BLEND_DST, 4}, {GL_ALPHA_TEST_FUNC, 5}}) {
        glGetIntegerv(GLenum(name), v + at);
    }
    EXPECT_EQ(std::vector<GLint>(v, v + 6), (std::vector<GLint>{GL_MODELVIEW, GL_FILL, GL_FILL, GL_SRC_ALPHA, GL_ONE, GL_GREATER}));
    float f[5];
    glGetFloatv(GL_ALPHA_TEST_REF, f);
    glGetFloatv(GL_CURRENT_COLOR, f + 1);
    EXPECT_TRUE(f[0] == 0.9f && f[1] == 1 && f[2] == 1 && f[3] == 1 && f[4] == 1);
}

TEST_F(AscensionTest, SoulsKeepClimbingThroughEveryLife) {
    // Lives last at most 0.99 s, but none brings a soul back down: 10 s after it set off from rest
    // it is 0.1 x 10^2 up.
    const float dt = 1.0f / 60.0f;
    section_.end = 70.0f;
    for (int n = 0; n < 600; ++n) render(3.0f + float(n) * dt, dt);
    int souls = 0;
    for (const Shape& s : render(13.0f, dt)) {
        if (count({s}, 1.5f) == 0) continue;
        ++souls;
        EXPECT_NEAR(s.height, 10.0f, 0.1f);
    }
    EXPECT_GT(souls, 0);
}

TEST(AscensionDeathTest, MissingPicturesAreNamedByTheirPlace) {
    ScratchDir dir;
    open_test_graphics();
    write_picture_assets(kAscensionAssets);
    remove("textures/greetings/greet05.tga");
    remove("textures/greetings/greet09.tga");
    EXPECT_EXIT(ascension_load(), testing::ExitedWithCode(1), fatal_line("Error loading texture 4 in ascension section"));
    write_picture_assets(kAscensionAssets);
    remove("textures/souls/soul03.jpg");
    EXPECT_EXIT(ascension_load(), testing::ExitedWithCode(1), fatal_line("Error loading texture 'soul 2.jpg'"));
}

}  // namespace
