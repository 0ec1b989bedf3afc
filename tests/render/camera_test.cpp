// camera_test.cpp -- the matrices that a camera loads
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>

#include "render/camera.h"
#include "support/gl_context.h"

namespace {

void expect_near(const std::array<float, 16>& a, const std::array<float, 16>& b) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a[i], b[i], 1e-5f) << "element " << i;
}

// A point through the model-view matrix m.
std::array<float, 3> transform(const std::array<float, 16>& m, float x, float y, float z) {
    return {m[0] * x + m[4] * y + m[8] * z + m[12], m[1] * x + m[5] * y + m[9] * z + m[13],
            m[2] * x + m[6] * y + m[10] * z + m[14]};
}

class CameraTest : public testing::Test {
protected:
    void SetUp() override { open_test_graphics(); }
};

TEST_F(CameraTest, CreatedWithItsDefaults) {
    const Camera camera = create_camera(1);
    EXPECT_EQ(camera.mode, 1);
    EXPECT_EQ(camera.near, 0.1f);
    EXPECT_EQ(camera.far, 100.0f);
    EXPECT_EQ(camera.fov, 0.0f);
}

TEST_F(CameraTest, ProjectionIsAPerspective) {
    Camera camera = create_camera(1);
    set_field_of_view(&camera, 90.0f, 2.0f);
    apply_projection(camera);
    const auto m = read_matrix(GL_PROJECTION_MATRIX);
    EXPECT_NEAR(m[0], 0.5f, 1e-6f);  // cot(45 degrees) / aspect
    EXPECT_NEAR(m[5], 1.0f, 1e-6f);
    EXPECT_NEAR(m[10], (100.0f + 0.1f) / (0.1f - 100.0f), 1e-5f);
    EXPECT_EQ(m[11], -1.0f);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_PROJECTION);
}

TEST_F(CameraTest, FreeAndLookAtCamerasAgreeOnAStraightView) {
    Camera free_camera = create_camera(0);
    set_position(&free_camera, 0, 0, 5);
    apply_camera(free_camera);
    const auto a = read_matrix(GL_MODELVIEW_MATRIX);

    Camera look = create_camera(1);
    set_position(&look, 0, 0, 5);
    set_target(&look, 0, 0, 0);
    apply_camera(look);
    expect_near(read_matrix(GL_MODELVIEW_MATRIX), a);
    const auto origin = transform(a, 0, 0, 0);
    EXPECT_NEAR(origin[2], -5.0f, 1e-6f);
}

TEST_F(CameraTest, AnglesAndRollActAboutTheEyeAfterAiming) {
    Camera camera = create_camera(1);
    set_position(&camera, 0, 0, 5);
    set_target(&camera, 0, 0, 0);
    set_angles(&camera, 90, 0, 0);
    apply_camera(camera);
    // The target, straight ahead before, is turned by -90 degrees about the eye's x axis: it now
    // lies along the eye's -y, below the view.
    auto p = transform(read_matrix(GL_MODELVIEW_MATRIX), 0, 0, 0);
    EXPECT_NEAR(p[0], 0.0f, 1e-5f);
    EXPECT_NEAR(p[1], -5.0f, 1e-5f);
    EXPECT_NEAR(p[2], 0.0f, 1e-5f);

    set_angles(&camera, 0, 0, 0);
    set_roll(&camera, 90);
    apply_camera(camera);
    // A point to the right of the target rolls down by -90 degrees about the view axis.
    p = transform(read_matrix(GL_MODELVIEW_MATRIX), 1, 0, 0);
    EXPECT_NEAR(p[0], 0.0f, 1e-5f);
    EXPECT_NEAR(p[1], -1.0f, 1e-5f);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
}

}  // namespace
