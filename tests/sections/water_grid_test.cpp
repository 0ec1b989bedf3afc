// water_grid_test.cpp -- the spring-mass net: its layout, its springs, one step, its normals and its quads
#include <gtest/gtest.h>

#include <GL/gl.h>

#include "kernel/kernel.h"
#include "sections/water_grid.h"
#include "support/gl_context.h"

namespace {

constexpr double kOrigin[3] = {-1.5, 7.0, -2.0};

struct WaterGridTest : testing::Test {
    WaterGrid g = create_water_grid(3.0, 4.0, 25, 25, kOrigin, 1.0);
    WaterGrid next = create_water_grid(3.0, 4.0, 25, 25, kOrigin, 1.0);
    void SetUp() override { g_kernel.frame_time = 0.02f; }
    void TearDown() override {
        g_kernel = KernelState();
        delete[] g.nodes;
        delete[] next.nodes;
    }
    WaterNode& at(const WaterGrid& grid, int row, int column) { return grid.nodes[nodeCoord2Index(row, column, grid)]; }
};

TEST_F(WaterGridTest, StepPushesEdgesAndCornersOutOfACompressedGrid) {
    EXPECT_DOUBLE_EQ(g.nodes[300].mass, 0.0016);
    EXPECT_EQ(at(g, 12, 12).position[0] + at(g, 12, 12).position[1] + at(g, 12, 12).position[2], 0.0) << "flat, centred";
    EXPECT_DOUBLE_EQ(at(g, 1, 1).position[0] - at(g, 1, 0).position[0], 0.125);
    EXPECT_DOUBLE_EQ(at(g, 1, 1).position[2] - at(g, 0, 1).position[2], 4.0 / 24);
    const double still[3] = {0, 0, 0};
    step_water_grid(g, &next, still, 0.1);
    for (int i = 0; i < 25 * 25; ++i) ASSERT_NEAR(next.nodes[i].velocity[i % 3], 0.0, 1e-12) << "at rest, node " << i;
    // Every spring at half its rest length: the inner nodes feel nothing, an edge node is pushed
    // away from its one missing neighbour, a corner from two.
    for (int i = 0; i < 25 * 25; ++i) {
        for (int k : {0, 2}) g.nodes[i].position[k] = kOrigin[k] + (g.nodes[i].position[k] - kOrigin[k]) * 0.5;
    }
    at(g, 0, 24).fixed = 1;
    at(next, 0, 24).position[1] = 42.0;
    const double gravity[3] = {0, -1, 0}, k = 0.1, dt = double(0.02f);
    const double ax = k * 0.5 * (3.0 / 24) / 0.0016, az = k * 0.5 * (4.0 / 24) / 0.0016;
    step_water_grid(g, &next, gravity, k);
    const struct {
        int row, column;
        double x, z;
    } nodes[] = {{12, 12, 0, 0}, {0, 12, 0, -az}, {24, 12, 0, az}, {10, 0, -ax, 0}, {0, 0, -ax, -az}, {24, 24, ax, az}};
    for (const auto& n : nodes) {
        SCOPED_TRACE(testing::Message() << "node " << n.row << ", " << n.column);
        const WaterNode& after = at(next, n.row, n.column);
        EXPECT_NEAR(after.acceleration[0], n.x, 1e-9);
        EXPECT_NEAR(after.acceleration[1], -1.0, 1e-9);
        EXPECT_NEAR(after.acceleration[2], n.z, 1e-9);
        // From rest the new velocity moves the node a dt^2 on top of the half a dt^2.
        EXPECT_NEAR(after.position[0] - at(g, n.row, n.column).position[0], 1.5 * n.x * dt * dt, 1e-12);
    }
    EXPECT_EQ(at(next, 0, 24).position[1], 42.0) << "a fixed node is skipped";
}

TEST_F(WaterGridTest, NormalsAndQuadsOfAFlatGrid) {
    at(g, 24, 3).normal[0] = at(g, 3, 24).normal[0] = 9.0;
    compute_water_grid_normals(&g);
    EXPECT_TRUE(at(g, 23, 23).normal[0] == 0.0 && at(g, 23, 23).normal[1] == 1.0 && at(g, 0, 0).normal[2] == 0.0);
    EXPECT_EQ(at(g, 24, 3).normal[0] + at(g, 3, 24).normal[0], 18.0) << "the last row and column keep theirs";

    // Seen from above: (25 - 2) x (25 - 2) quads, the last column and row not drawn.
    open_test_graphics();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-2, 2, -3, 3, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(90, 1, 0, 0);
    const auto polygons = capture_polygons([&] { draw_water_grid(g, 0.0f); });
    glLoadIdentity();
    float right = 0;
    for (const FeedbackPolygon& p : polygons) right = std::max(right, p.max_x());
    EXPECT_TRUE(polygons.size() == 529 || polygons.size() == 2 * 529) << polygons.size();
    EXPECT_NEAR(right, (1.375f + 2) / 4 * kTestWidth, 0.01f);
}

TEST(WaterGridDeathTest, IndexPastTheGrid) {
    const WaterGrid g = {nullptr, 1, 1, 5, 4};
    EXPECT_EQ(nodeCoord2Index(3, 4, g), 19);
    EXPECT_EXIT(nodeCoord2Index(4, 0, g), testing::ExitedWithCode(1), "nodeCoord2Index: Out of bounds index\n");
}

}  // namespace
