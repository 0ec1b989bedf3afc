// grain_field_test.cpp -- the grain field's rings as made and scrolled, its normals and its quads
#include <gtest/gtest.h>
#include <GL/gl.h>

#include <cmath>

#include "sections/grain_field.h"
#include "support/gl_context.h"
#include "support/gl_record.h"
#include "support/scratch.h"

namespace {

constexpr int kColumns = 7, kRows = 5;

const GrainVertex& at(const GrainField& f, int r, int c) {
    return f.vertices[size_t(grainCoord2Index(r, c, f))];
}

TEST(GrainField, RingsScrollAwayFromTheMouth) {
    GrainField f = create_grain_field(4, 90, kColumns, kRows, 0.5f);
    for (int steps : {0, 12}) {
        for (int n = 0; n < steps; ++n) advance_grain_field(&f);
        for (int r = 0; r < kRows; ++r) {
            for (int c = 0; c < kColumns; ++c) {
                // Rings 18 apart with t 1.25 apart, the mouth's t 1.25 lower each step; radii 4 + k x 0.05.
                const GrainVertex& v = at(f, r, c);
                EXPECT_NEAR(v.position[2], float(r) * 18, 1e-3f);
                EXPECT_NEAR(v.t, float(r - steps) * 1.25f, 1e-4f) << "row " << r << " after " << steps << " steps";
                const float k = (std::hypot(v.position[0], v.position[1]) - 4) / 0.05f;
                EXPECT_TRUE(std::fabs(k - std::round(k)) < 1e-3f && k > -0.01f && k < 10.01f) << k;
            }
            EXPECT_EQ(at(f, r, kColumns - 1).s, 5.0f);
            EXPECT_EQ(at(f, r, kColumns - 1).position[1], at(f, r, 0).position[1]) << "the seam closes the tube";
        }
    }
    // Unit normals towards the axis, except on the far row, where they are never computed.
    compute_grain_field_normals(&f);
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kColumns; ++c) {
            const GrainVertex& v = at(f, r, c);
            EXPECT_NEAR(std::hypot(v.normal[0], v.normal[1], v.normal[2]), r == kRows - 1 ? 0 : 1, 1e-5f);
            EXPECT_LE(v.normal[0] * v.position[0] + v.normal[1] * v.position[1], 0.0f);
        }
    }
}

TEST(GrainField, DrawSendsQuadsColumnByColumn) {
    open_test_graphics();
    const GrainField f = create_grain_field(4, 90, kColumns, kRows, 0.5f);
    const auto batches = record_batches([&] { draw_grain_field(f); });
    ASSERT_EQ(batches.size(), 1u);
    ASSERT_EQ(batches[0].vertices.size(), size_t((kColumns - 1) * (kRows - 1) * 4));
    const RecordedVertex* sent = batches[0].vertices.data();
    for (int c = 0; c < kColumns - 1; ++c) {
        for (int r = 0; r < kRows - 1; ++r) {
            const std::pair<int, int> corners[] = {{r + 1, c}, {r + 1, c + 1}, {r, c + 1}, {r, c}};
            for (const auto& [row, column] : corners) {
                const GrainVertex& v = at(f, row, column);
                ASSERT_EQ((sent++)->texcoord, (std::array<float, 2>{v.s, v.t})) << "column " << c << ", row " << r;
            }
        }
    }
    // What glEnd would have left current, for the drawing that follows; no vertex array left on.
    const RecordedVertex& last = batches[0].vertices.back();
    std::array<float, 4> texcoord;
    std::array<float, 3> normal;
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, texcoord.data());
    glGetFloatv(GL_CURRENT_NORMAL, normal.data());
    EXPECT_EQ((std::array<float, 2>{texcoord[0], texcoord[1]}), last.texcoord);
    EXPECT_EQ(normal, last.normal);
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY) || glIsEnabled(GL_NORMAL_ARRAY) || glIsEnabled(GL_TEXTURE_COORD_ARRAY));
}

TEST(GrainField, IndexOutsideTheStoreIsFatal) {
    const GrainField f = create_grain_field(4, 90, kColumns, kRows, 0.5f);
    EXPECT_EQ(grainCoord2Index(kRows - 1, kColumns - 1, f), kRows * kColumns - 1);
    const std::string message = fatal_line("grainCoord2Index: Out of bounds index\n");
    EXPECT_EXIT(grainCoord2Index(kRows, 0, f), testing::ExitedWithCode(1), message);
    EXPECT_EXIT(grainCoord2Index(0, -1, f), testing::ExitedWithCode(1), message);
}

}  // namespace
