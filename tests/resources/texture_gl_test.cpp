// texture_gl_test.cpp -- texture binding caches, model and skybox drawing state, the loading screen,
// on a GL context, with glBindTexture and glTexEnvi counted (the binary wraps them)
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <string>
#include <vector>

#include "kernel/kernel.h"
#include "platform/window.h"
#include "render/camera.h"
#include "render/skybox_draw.h"
#include "resources/image.h"
#include "resources/mipmaps.h"
#include "resources/model.h"
#include "resources/skybox.h"
#include "sections/sections.h"
#include "support/gl_context.h"
#include "support/pictures.h"
#include "support/scratch.h"

namespace {

int s_binds = 0;
int s_env_changes = 0;

}  // namespace

extern "C" {
void __real_glBindTexture(GLenum target, GLuint texture);
void __real_glTexEnvi(GLenum target, GLenum name, GLint value);
void __wrap_glBindTexture(GLenum target, GLuint texture) {
    ++s_binds;
    __real_glBindTexture(target, texture);
}
void __wrap_glTexEnvi(GLenum target, GLenum name, GLint value) {
    ++s_env_changes;
    __real_glTexEnvi(target, name, value);
}
}

namespace {

class TextureGlTest : public testing::Test {
protected:
    void SetUp() override {
        open_test_graphics(800, 600);
        g_kernel = KernelState();
    }
    void TearDown() override { g_kernel = KernelState(); }

    int load_jpeg(const std::string& path, int width = 16, int height = 16) {
        write_file(path, encode_jpeg(gradient_picture(width, height)));
        return load_texture(path.c_str(), false);
    }

    void reset_counts() { s_binds = s_env_changes = 0; }
    ScratchDir dir;
};

TEST_F(TextureGlTest, BindingCaches) {
    const int a = load_jpeg("a.jpg");
    const int b = load_jpeg("b.jpg");
    set_texture_options(b, kTextureModulate);
    upload_texture(a);
    upload_texture(b);
    EXPECT_TRUE(glIsTexture(image_record(a).texture));

    reset_counts();
    bind_texture(a);
    bind_texture(a);
    EXPECT_EQ(s_binds, 1) << "the same image twice binds once";
    bind_texture(b);
    bind_texture(a);
    bind_texture(b);
    EXPECT_EQ(s_binds, 4);
    EXPECT_GE(s_env_changes, 3) << "replace and modulate alternate";
    reset_counts();
    bind_texture(b);
    EXPECT_EQ(s_env_changes, 0);

    // An upload binds its own texture, so the next bind always binds.
    const int c = load_jpeg("c.jpg");
    upload_texture(c);
    reset_counts();
    bind_texture(b);
    EXPECT_EQ(s_binds, 1);
}

TEST_F(TextureGlTest, ASecondImageTableIsKeptOrLetGoWhole) {
    unload_textures(0);
    ASSERT_EQ(load_jpeg("a.jpg"), 0);
    ASSERT_EQ(load_jpeg("b.jpg"), 1);
    upload_texture(0);
    upload_texture(1);
    const GLuint a = image_record(0).texture;

    // Let go: the first table's handles are back, the second's texture gone.
    begin_second_image_table();
    ASSERT_EQ(load_jpeg("c.jpg"), 0) << "the second table counts from 0";
    upload_texture(0);
    const GLuint c = image_record(0).texture;
    end_second_image_table(false);
    EXPECT_EQ(image_count(), 2);
    EXPECT_EQ(image_record(0).name, "a.jpg");
    EXPECT_FALSE(glIsTexture(c));

    // Kept: its images under their own handles, the first table's textures gone.
    begin_second_image_table();
    ASSERT_EQ(load_jpeg("d.jpg"), 0);
    upload_texture(0);
    const GLuint d = image_record(0).texture;
    end_second_image_table(true);
    EXPECT_EQ(image_count(), 1);
    EXPECT_EQ(image_record(0).name, "d.jpg");
    EXPECT_EQ(image_record(0).texture, d);
    EXPECT_FALSE(glIsTexture(a));
    EXPECT_EQ(load_jpeg("e.jpg"), 1) << "loads go on after it";
    unload_textures(0);
}

TEST_F(TextureGlTest, DrawTexturedModelLeavesTheStateItSays) {
    const int skin = load_jpeg("skin.jpg");
    upload_texture(skin);
    auto make = [](std::initializer_list<const Material*> materials) {
        Model model;
        MeshObject o;
        o.vertices = {Vertex{{0, 0, 0}, {}}, Vertex{{1, 0, 0}, {}}, Vertex{{0, 1, 0}, {}}};
        for (const Material* m : materials) o.faces.push_back(Face{0, 1, 2, 0, {0, 0, 1}, m});
        model.objects.push_back(o);
        return model;
    };
    Material textured;
    textured.texture = skin;
    Material plain;

    glEnable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    draw_textured_model(make({&textured, &textured}));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING)) << "only textured materials: lighting untouched";
    EXPECT_FALSE(glIsEnabled(GL_LIGHT0));

    glDisable(GL_LIGHTING);
    draw_textured_model(make({&textured, &plain}));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    // The lit path passes each colour with the next field as its alpha.
    plain.diffuse[0] = 0.25f;
    plain.specular[0] = 0.75f;
    glEnable(GL_LIGHTING);
    draw_model(make({&plain}));
    float diffuse[4];
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    EXPECT_FLOAT_EQ(diffuse[3], 0.75f);

    // Compiled, the draw leaves the last material and the last normal current all the same.
    Material other;
    other.diffuse[1] = 0.5f;
    Model compiled = make({&plain, &other});
    compiled.objects[0].vertices[2].normal[2] = 0.5f;
    compile_model_draw(&compiled);
    ASSERT_NE(compiled.draw_list, 0u);
    glNormal3f(1, 0, 0);
    draw_model(make({&plain}));
    draw_model(compiled);
    float normal[3];
    glGetFloatv(GL_CURRENT_NORMAL, normal);
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    EXPECT_EQ(normal[2], 0.5f);
    EXPECT_FLOAT_EQ(diffuse[1], 0.5f);
    glDisable(GL_LIGHTING);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TextureGlTest, Skyboxes) {
    write_file("skyboxes/night/night_rt.jpg", encode_jpeg(gradient_picture(16, 16)));
    const int before = image_count();
    EXPECT_EQ(load_skybox("skyboxes/night/night_", kSkyboxJpeg, true, false), nullptr) << "lf is missing";
    EXPECT_EQ(image_count(), before + 1) << "rt was loaded, then it stopped";
    for (const char* face : {"lf", "bk", "ft", "up", "dn"}) {
        write_file(std::string("skyboxes/night/night_") + face + ".jpg", encode_jpeg(gradient_picture(16, 16)));
    }
    auto six = load_skybox("skyboxes/night/night_", kSkyboxJpeg, true, false);
    ASSERT_NE(six, nullptr);
    EXPECT_EQ(image_record(six->images[5]).name, "skyboxes/night/night_dn.jpg");
    EXPECT_EQ(image_record(six->images[0]).filter, GLenum(GL_LINEAR));
    EXPECT_EQ(image_record(six->images[0]).wrap, GLenum(GL_CLAMP));

    write_file("skyboxes/stars.jpg", encode_jpeg(gradient_picture(32, 32)));
    auto one = load_skybox("skyboxes/stars.jpg", kSkyboxJpeg, false, false);
    ASSERT_NE(one, nullptr);
    upload_skybox(*one);
    upload_skybox(*six);

    Camera camera = create_camera(1);
    set_position(&camera, 1, 2, 3);
    set_target(&camera, 1, 2, 0);
    set_field_of_view(&camera, 90, g_display.aspect);
    apply_projection(camera);
    apply_camera(camera);
    const auto modelview = read_matrix(GL_MODELVIEW_MATRIX);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    reset_counts();
    draw_skybox(*one, camera);
    EXPECT_EQ(s_binds, 1) << "one image, one bind";
    EXPECT_EQ(read_matrix(GL_MODELVIEW_MATRIX), modelview);
    GLboolean depth_writes = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depth_writes);
    EXPECT_TRUE(depth_writes);
    EXPECT_EQ(count_in_row(300, {0, 0, 0}), 0) << "the cube covers the whole view";
    reset_counts();
    draw_skybox(*six, camera);
    EXPECT_EQ(s_binds, 6);
}

struct LoadingFrames {
    int presents = 0;
    int bar[8] = {};  // red bar pixels in row 112 of each of the first eight frames
};
LoadingFrames s_frames;

void count_frame() {
    if (s_frames.presents < 8) s_frames.bar[s_frames.presents] = count_in_row(112, {204, 0, 0});
    ++s_frames.presents;
}

TEST_F(TextureGlTest, LoadingScreenBarAndFade) {
    write_loading_picture();
    loading_load();
    loading_init();
    s_frames = LoadingFrames();
    set_present_hook(count_frame);
    g_kernel.types_to_load = 3;
    for (int loaded = 0; loaded <= 3; ++loaded) {
        g_kernel.types_loaded = loaded;
        loading_render();
    }
    EXPECT_EQ(s_frames.bar[0], 0);
    EXPECT_NEAR(s_frames.bar[1], 190, 1);
    EXPECT_NEAR(s_frames.bar[2], 380, 1);
    EXPECT_NEAR(s_frames.bar[3], 570, 1);

    s_frames = LoadingFrames();
    loading_end();
    set_present_hook(nullptr);
    EXPECT_EQ(s_frames.presents, 101);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));

    // Nothing to load: the bar stays empty instead of dividing by zero.
    g_kernel.types_to_load = 0;
    g_kernel.types_loaded = 0;
    s_frames = LoadingFrames();
    set_present_hook(count_frame);
    loading_init();
    loading_render();
    set_present_hook(nullptr);
    EXPECT_EQ(s_frames.bar[0], 0);
}

// Every level of the chain, byte for byte what gluBuild2DMipmaps uploads, down to 1 x 1 on long
// and tall pictures whose short side runs out first.
TEST_F(TextureGlTest, MipmapsAreGlusOwn) {
    const struct {
        int width, height, bytes_per_pixel;
    } cases[] = {{1, 1, 3}, {2, 2, 3}, {16, 16, 3}, {8, 2, 3}, {2, 8, 4}, {64, 1, 3}, {1, 32, 4}, {32, 16, 4}};
    unsigned seed = 7;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + "x" + std::to_string(c.bytes_per_pixel));
        ASSERT_TRUE(mipmaps_fit(c.width, c.height));
        const GLenum format = c.bytes_per_pixel == 4 ? GL_RGBA : GL_RGB;
        std::vector<uint8_t> pixels(size_t(c.width * c.height * c.bytes_per_pixel));
        for (uint8_t& b : pixels) b = uint8_t((seed = seed * 1103515245u + 12345u) >> 16);
        GLuint textures[2];
        glGenTextures(2, textures);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glBindTexture(GL_TEXTURE_2D, textures[0]);
        gluBuild2DMipmaps(GL_TEXTURE_2D, GLint(format), c.width, c.height, format, GL_UNSIGNED_BYTE, pixels.data());
        glBindTexture(GL_TEXTURE_2D, textures[1]);
        upload_mipmaps(pixels.data(), c.width, c.height, c.bytes_per_pixel, format);
        for (int level = 0; level < 8; ++level) {
            GLint width[2];
            std::vector<uint8_t> levels[2];
            for (int t = 0; t < 2; ++t) {
                glBindTexture(GL_TEXTURE_2D, textures[t]);
                glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width[t]);
                levels[t].resize(size_t(c.width * c.height * 4));
                if (width[t] > 0) glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, levels[t].data());
            }
            ASSERT_EQ(width[0], width[1]) << "level " << level;
            EXPECT_EQ(levels[0], levels[1]) << "level " << level;
        }
        glDeleteTextures(2, textures);
    }
    EXPECT_FALSE(mipmaps_fit(800, 600)) << "GLU scales these first";
    EXPECT_FALSE(mipmaps_fit(512, 384));
    EXPECT_TRUE(mipmaps_fit(512, 256));
}

}  // namespace
