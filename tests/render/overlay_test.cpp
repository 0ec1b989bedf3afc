// overlay_test.cpp -- the 2D overlay and the geometry and texture orientation of quads
#include <gtest/gtest.h>

#include <GL/gl.h>

#include "core/config.h"
#include "render/overlay.h"
#include "resources/image.h"
#include "support/gl_context.h"
#include "support/scratch.h"

namespace {

// Which of red, green and blue a pixel clearly is, or '?'.
char hue(std::array<int, 3> p) {
    for (int c = 0; c < 3; ++c) {
        if (p[size_t(c)] > 200 && p[size_t((c + 1) % 3)] < 40 && p[size_t((c + 2) % 3)] < 40) return "rgb"[c];
    }
    return '?';
}

class OverlayTest : public testing::Test {
protected:
    void SetUp() override { open_test_graphics(); }
    void TearDown() override {
        gl_width = kTestWidth;
        gl_height = kTestHeight;
    }
};

TEST_F(OverlayTest, ScreenQuadGeometry) {
    gl_width = 640;
    gl_height = 480;
    ScreenQuad quad;
    make_screen_quad(&quad, 3, 512, 256);
    EXPECT_EQ(quad.image, 3);
    EXPECT_EQ(quad.left, 64.0f);
    EXPECT_EQ(quad.right, 576.0f);
    EXPECT_EQ(quad.bottom, 112.0f);
    EXPECT_EQ(quad.top, 368.0f);
    EXPECT_EQ(quad.corners[2][0], 576.0f);
    EXPECT_EQ(quad.corners[2][1], 368.0f);
    EXPECT_EQ(quad.texcoords[0][1], 1.0f) << "bottom-left corner, bottom row of the picture";

    make_screen_quad(&quad, 3, 640, 480);
    EXPECT_EQ(quad.left, 0.0f);
    EXPECT_EQ(quad.bottom, 0.0f);
    EXPECT_EQ(quad.right, 640.0f);
    EXPECT_EQ(quad.top, 480.0f);
    make_screen_quad(&quad, 3, 800, 800);
    EXPECT_EQ(quad.left, -80.0f);
    EXPECT_EQ(quad.bottom, -160.0f);
}

TEST_F(OverlayTest, Quad3DGeometry) {
    Quad3D quad;
    make_3d_quad(&quad, 1, 24.0f, 12.0f);
    const float corners[4][3] = {{-12, -6, 0}, {12, -6, 0}, {12, 6, 0}, {-12, 6, 0}};
    const float texcoords[4][2] = {{1, 1}, {0, 1}, {0, 0}, {1, 0}};
    for (int i = 0; i < 4; ++i) {
        for (int k = 0; k < 3; ++k) EXPECT_EQ(quad.corners[i][k], corners[i][k]);
        for (int k = 0; k < 2; ++k) EXPECT_EQ(quad.texcoords[i][k], texcoords[i][k]);
    }
}

TEST_F(OverlayTest, OverlayRestoresTheMatrices) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-3, 3, -2, 2, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(30, 0, 0, 1);
    const auto projection = read_matrix(GL_PROJECTION_MATRIX);
    const auto modelview = read_matrix(GL_MODELVIEW_MATRIX);
    begin_2d_overlay();
    GLboolean depth_writes = GL_TRUE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depth_writes);
    EXPECT_FALSE(depth_writes);
    EXPECT_FLOAT_EQ(read_matrix(GL_PROJECTION_MATRIX)[0], 2.0f / float(gl_width));
    end_2d_overlay();
    EXPECT_EQ(read_matrix(GL_PROJECTION_MATRIX), projection);
    EXPECT_EQ(read_matrix(GL_MODELVIEW_MATRIX), modelview);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depth_writes);
    EXPECT_TRUE(depth_writes);
}

TEST_F(OverlayTest, PicturesShowUprightOnScreenAndMirroredFromTheFrontIn3D) {
    ScratchDir dir;
    // 2 x 2, rows top first: red, green over blue, white (stored B, G, R, rows top first).
    std::string tga(18, '\0');
    tga[2] = 2;
    tga[12] = 2;
    tga[14] = 2;
    tga[16] = 24;
    tga[17] = 0x20;
    tga += std::string("\x00\x00\xff\x00\xff\x00\xff\x00\x00\xff\xff\xff", 12);
    write_file("p.tga", tga);
    const int image = load_texture("p.tga", false);
    set_texture_options(image, kTextureNoMipmaps | kTextureClamp);
    upload_texture(image);

    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    ScreenQuad screen;
    make_screen_quad(&screen, image, kTestWidth, kTestHeight);
    begin_2d_overlay();
    draw_screen_quad(screen);
    end_2d_overlay();
    // Sampled at the texel centres.
    const int left = kTestWidth / 4;
    const int right = kTestWidth * 3 / 4;
    const int top = kTestHeight * 3 / 4;
    const int bottom = kTestHeight / 4;
    EXPECT_EQ(hue(read_pixel(left, top)), 'r') << "top left";
    EXPECT_EQ(hue(read_pixel(right, top)), 'g');
    EXPECT_EQ(hue(read_pixel(left, bottom)), 'b');
    // A clamped picture takes its edge texels out to its edges; no border colour is blended in,
    // which would draw a dark seam where two clamped pictures meet.
    EXPECT_EQ(read_pixel(0, kTestHeight - 1), (std::array<int, 3>{255, 0, 0})) << "the top left corner";
    EXPECT_EQ(read_pixel(kTestWidth - 1, 0), (std::array<int, 3>{255, 255, 255})) << "the bottom right corner";

    // Seen from +z (identity matrices look down -z), the 3D quad is mirrored left to right.
    Quad3D quad;
    make_3d_quad(&quad, image, 2.0f, 2.0f);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    draw_3d_quad(quad);
    EXPECT_EQ(hue(read_pixel(left, top)), 'g');
    EXPECT_EQ(hue(read_pixel(right, top)), 'r');
    EXPECT_EQ(hue(read_pixel(right, bottom)), 'b');
    glEnable(GL_DEPTH_TEST);
}

}  // namespace
