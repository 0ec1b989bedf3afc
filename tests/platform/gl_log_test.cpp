// gl_log_test.cpp -- the text of opengl.log for given driver strings
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/gl_log.h"

namespace {

std::string log_for(const char* extensions) {
    char* text = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&text, &size);
    write_gl_log(out, "Vendor Inc.", "Renderer 9", "1.1 Build 7", extensions);
    fclose(out);
    std::string result(text, size);
    free(text);
    return result;
}

const std::string kHeader =
    "\n   OpenGL driver information\n"
    "   ---------------------------\n\n"
    "vendor :\nVendor Inc.\n\n"
    "renderer :\nRenderer 9\n\n"
    "version : \n1.1 Build 7\n\n"
    "extensions : \n";

TEST(GlLog, OneExtensionPerLineEndingInAnEmptyLine) {
    const std::string expected = kHeader + "      GL_ARB_one\n      GL_EXT_two\n\n";
    EXPECT_EQ(log_for("GL_ARB_one GL_EXT_two "), expected);
    EXPECT_EQ(log_for("GL_ARB_one GL_EXT_two"), expected) << "with or without the final blank";
}

TEST(GlLog, BlanksAndEmptyStrings) {
    EXPECT_EQ(log_for("A  B"), kHeader + "      A\n      \n      B\n\n") << "two blanks write an empty name";
    EXPECT_EQ(log_for(""), kHeader + "\n");
    EXPECT_EQ(log_for(" "), kHeader + "      \n\n");

    // A name longer than 99 characters is written whole.
    const std::string longname(150, 'x');
    EXPECT_EQ(log_for(longname.c_str()), kHeader + "      " + longname + "\n\n");
}

TEST(GlLog, EdgeClampFromTheVersionOrAnExtension) {
    EXPECT_FALSE(has_edge_clamp("1.1.0 Build 7", "GL_ARB_multitexture GL_EXT_bgra"));
    EXPECT_TRUE(has_edge_clamp("1.2", ""));
    EXPECT_TRUE(has_edge_clamp("4.5 (Compatibility Profile) Mesa 22.3.6", ""));
    EXPECT_TRUE(has_edge_clamp("1.1", "GL_ARB_multitexture GL_EXT_texture_edge_clamp"));
    EXPECT_TRUE(has_edge_clamp("1.1", "GL_SGIS_texture_edge_clamp GL_EXT_bgra"));
    EXPECT_FALSE(has_edge_clamp("1.1", "GL_EXT_texture_edge_clamp_x XGL_SGIS_texture_edge_clamp"))
        << "only a whole name counts";
    EXPECT_FALSE(has_edge_clamp("", "")) << "no version string";
}

}  // namespace
