// titles_test.cpp -- "sync" flashes and "titulo" cards: which picture, where, how strong, and when
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "core/config.h"
#include "kernel/kernel.h"
#include "resources/image.h"
#include "sections/sections.h"
#include "support/gl_context.h"
#include "support/pictures.h"
#include "support/scratch.h"

namespace {

// A drawn quad: its bounds in window pixels and its alpha.
struct DrawnQuad {
    float x0, x1, y0, y1, alpha;
    float width() const { return x1 - x0; }
    float centre_x() const { return (x0 + x1) / 2; }
    float centre_y() const { return (y0 + y1) / 2; }
};

// Feedback reports a quad as one polygon, or as two triangles.
std::vector<DrawnQuad> quads_of(const std::vector<FeedbackPolygon>& polygons) {
    std::vector<DrawnQuad> quads;
    for (size_t i = 0; i < polygons.size(); ++i) {
        float x0 = polygons[i].min_x(), x1 = polygons[i].max_x(), y0 = polygons[i].min_y(), y1 = polygons[i].max_y();
        if (polygons[i].positions.size() == 3 && i + 1 < polygons.size()) {
            ++i;
            x0 = std::min(x0, polygons[i].min_x());
            x1 = std::max(x1, polygons[i].max_x());
            y0 = std::min(y0, polygons[i].min_y());
            y1 = std::max(y1, polygons[i].max_y());
        }
        quads.push_back({x0, x1, y0, y1, polygons[i].colours[0][3]});
    }
    return quads;
}

// The texture bound now, as the name of the picture it was loaded from.
std::string bound_picture() {
    GLint texture = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
    for (int i = image_count() - 1; i >= 0; --i) {
        if (GLint(image_record(i).texture) == texture) return image_record(i).name;
    }
    return "";
}

class TitlesTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        open_test_graphics();
        dir_ = new ScratchDir;
        const std::string jpeg = encode_jpeg(gradient_picture(8, 8));
        for (const SectionAsset& a : kSyncAssets) write_file(a.path, jpeg);
        for (const SectionAsset& a : kTituloAssets) write_file(a.path, jpeg);
        sync_load();
        titulo_load();
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override {
        g_kernel = KernelState();
        section_.start = 10.0f;
        section_.end = 14.0f;
        section_.duration = 4.0f;
        g_kernel.current = &section_;
        g_kernel.frame_time = 1.0f / 60.0f;
    }
    void TearDown() override {
        g_kernel = KernelState();
        gl_width = kTestWidth;
        gl_height = kTestHeight;
        glViewport(0, 0, kTestWidth, kTestHeight);
    }

    // Renders with a window of width x height pixels to see the quads unclipped.
    std::vector<DrawnQuad> render(void (*handler)(), int width, int height) {
        gl_width = width;
        gl_height = height;
        glViewport(0, 0, width, height);
        return quads_of(capture_polygons(handler));
    }

    static ScratchDir* dir_;
    Section section_;
};

ScratchDir* TitlesTest::dir_ = nullptr;

TEST_F(TitlesTest, SyncFlashFadesOverTheSection) {
    section_.sync_count = 2;
    section_.syncs = {3.0f, 0.5f};
    sync_init();

    // The first frame counts one frame time already.
    section_.run_time = g_kernel.frame_time;
    auto quads = render(sync_render, 1000, 1000);
    ASSERT_EQ(quads.size(), 1u);
    EXPECT_FLOAT_EQ(quads[0].x0, 100.0f) << "800 x 800, centred";
    EXPECT_FLOAT_EQ(quads[0].y1, 900.0f);
    EXPECT_NEAR(quads[0].alpha, 0.5f * (1.0f - g_kernel.frame_time / 4.0f), 1e-6f);
    EXPECT_EQ(bound_picture(), "textures/sync/04.jpg");

    section_.run_time = 4.0f - g_kernel.frame_time;
    quads = render(sync_render, 1000, 1000);
    EXPECT_NEAR(quads[0].alpha, 0.5f * g_kernel.frame_time / 4.0f, 1e-6f) << "almost nothing in the last frame";

    // Cut by g_demostart: halfway through its span, but in its own first frame, at full strength.
    g_kernel.demo_time = 12.0f;
    section_.run_time = g_kernel.frame_time;
    quads = render(sync_render, 1000, 1000);
    EXPECT_GT(quads[0].alpha, 0.49f);

    section_.syncs[0] = 2.9f;
    render(sync_render, 1000, 1000);
    EXPECT_EQ(bound_picture(), "textures/sync/03.jpg");
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST_F(TitlesTest, TitlePhases) {
    section_.sync_count = 7;
    section_.syncs = {1.0f, 2.0f, 5.0f, 30.0f, -20.0f, 100.0f, 80.0f};
    titulo_init();

    // Phase A halfway: five faint copies shrinking towards 300 pixels, about (430, 380).
    g_kernel.demo_time = 10.5f;
    auto quads = render(titulo_render, 800, 800);
    ASSERT_EQ(quads.size(), 5u);
    const float sizes[5] = {312, 325, 337, 350, 362};
    for (int k = 0; k < 5; ++k) {
        SCOPED_TRACE(k);
        EXPECT_FLOAT_EQ(quads[size_t(k)].width(), sizes[k]);
        EXPECT_FLOAT_EQ(quads[size_t(k)].centre_x(), 430.0f);
        EXPECT_FLOAT_EQ(quads[size_t(k)].centre_y(), 380.0f);
        EXPECT_NEAR(quads[size_t(k)].alpha, 0.5f / float(2 * (k + 1)), 1e-6f);
    }
    EXPECT_EQ(bound_picture(), "textures/titles/001/1-4a.jpg");

    // Phase B halfway: the card at half strength, the halo at 300 pixels at half its strength.
    g_kernel.demo_time = 11.5f;
    quads = render(titulo_render, 800, 800);
    ASSERT_EQ(quads.size(), 6u);
    EXPECT_FLOAT_EQ(quads[0].width(), 512.0f);
    EXPECT_NEAR(quads[0].alpha, 0.5f, 1e-6f);
    EXPECT_FLOAT_EQ(quads[5].width(), 300.0f);
    EXPECT_NEAR(quads[1].alpha, 0.25f, 1e-6f);

    // Phase C at its start: at rest at the first offset, at full strength.
    g_kernel.demo_time = 12.0f;
    quads = render(titulo_render, 800, 800);
    ASSERT_EQ(quads.size(), 1u);
    EXPECT_FLOAT_EQ(quads[0].centre_x(), 430.0f);
    EXPECT_FLOAT_EQ(quads[0].centre_y(), 380.0f);
    EXPECT_NEAR(quads[0].alpha, 1.0f, 1e-6f);

    // The last frame: almost at the end offset (500, 480), almost gone; the glide is cubic.
    g_kernel.demo_time = 14.0f - 1.0f / 60.0f;
    quads = render(titulo_render, 800, 800);
    ASSERT_EQ(quads.size(), 1u);
    const float glide = std::pow((g_kernel.demo_time - 12.0f) / 2.0f, 3.0f);
    EXPECT_NEAR(quads[0].centre_x(), 430.0f + glide * 70.0f, 0.01f);
    EXPECT_NEAR(quads[0].centre_y(), 380.0f + glide * 100.0f, 0.01f);
    EXPECT_GT(quads[0].centre_x(), 498.0f);
    EXPECT_LT(quads[0].alpha, 0.01f);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));

    // No phase A when it ends at 0.
    section_.syncs[0] = 0.0f;
    g_kernel.demo_time = 10.0f;
    quads = render(titulo_render, 800, 800);
    ASSERT_EQ(quads.size(), 6u);
    EXPECT_FLOAT_EQ(quads[0].width(), 512.0f);
    EXPECT_NEAR(quads[0].alpha, 0.0f, 1e-6f);
}

TEST_F(TitlesTest, IndexesOutsideTheirTablesEndTheProgramAtTheStart) {
    section_.sync_count = 2;
    section_.syncs = {45.0f, 1.0f};
    section_.type = 16;
    EXPECT_EXIT(sync_init(), testing::ExitedWithCode(1), fatal_line("Section 'sync' at 10.00: sync 0 is 45, outside 0 to 44"));
    section_.syncs[0] = -1.0f;
    EXPECT_EXIT(sync_init(), testing::ExitedWithCode(1), fatal_line("Section 'sync' at 10.00: sync 0 is -1, outside 0 to 44"));
    section_.syncs[0] = 44.9f;
    sync_init();

    section_.type = 18;
    section_.sync_count = 7;
    section_.syncs = {1, 2, 40.5f, 0, 0, 0, 0};
    EXPECT_EXIT(titulo_init(), testing::ExitedWithCode(1),
                fatal_line("Section 'titulo' at 10.00: sync 2 is 40.5, outside 0 to 39"));
}

}  // namespace
