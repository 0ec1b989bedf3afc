// asset_tool_test.cpp -- varnel-tool image, model, script --check and sound as a user runs them
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/audio.h"
#include "support/pictures.h"
#include "support/scratch.h"

namespace {

class AssetToolTest : public testing::Test {
protected:
    ScratchDir dir;
};

ProcessResult tool(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
    return run_process(VARNEL_TOOL_BIN, args, env);
}

ProcessResult convert(const std::vector<std::string>& args) {
    return run_process("/usr/bin/convert", args);
}

// The pixel bytes after a PPM (P6) or PAM (P7) header.
std::string pixels_of(const std::string& path) {
    const std::string bytes = read_file(path);
    if (bytes.rfind("P7", 0) == 0) return bytes.substr(bytes.find("ENDHDR\n") + 7);
    size_t at = 0;
    for (int fields = 0; fields < 4; ++fields) at = bytes.find_first_of(" \n", at) + 1;
    return bytes.substr(at);
}

TEST_F(AssetToolTest, PicturesMadeByImageMagickDecodeToItsPixels) {
    ASSERT_EQ(convert({"-size", "38x24", "gradient:red-blue", "-swirl", "90", "-depth", "8", "ref.ppm"}).status, 0);
    // ImageMagick keeps a TGA's rows in file order and notes the orientation beside them, so its
    // reading of a bottom-first file is upside down: there the reference is the picture written.
    struct Case {
        const char* file;
        std::vector<std::string> options;
        const char* info;
        bool bottom_first;
    } cases[] = {
        {"top.tga", {"-orient", "TopLeft"}, "38 24 rgb", false},
        {"top-rle.tga", {"-orient", "TopLeft", "-compress", "RLE"}, "38 24 rgb", false},
        {"bottom.tga", {"-flip", "-orient", "BottomLeft"}, "38 24 rgb", true},
        {"bottom-rle.tga", {"-flip", "-orient", "BottomLeft", "-compress", "RLE"}, "38 24 rgb", true},
        {"alpha.tga", {"-alpha", "set", "-channel", "A", "-fx", "i/w", "+channel", "-orient", "TopLeft"}, "38 24 rgba", false},
        {"palette.pcx", {"-colors", "200", "-type", "Palette"}, "38 24 rgb", false},
        {"photo.jpg", {"-quality", "85"}, "38 24 rgb", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::vector<std::string> args = {"ref.ppm"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back(c.file);
        ASSERT_EQ(convert(args).status, 0);
        // ImageMagick's own reading of the file it wrote is the reference.
        ASSERT_EQ(convert({c.file, "-depth", "8", "reference.pam"}).status, 0);
        const ProcessResult r = tool({"image", c.file, "--out", "ours.pam"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, std::string(c.info) + "\n");
        const std::string ours = pixels_of("ours.pam");
        EXPECT_EQ(ours.size(), std::string(c.info).find("rgba") != std::string::npos ? 38u * 24 * 4 : 38u * 24 * 3);
        EXPECT_TRUE(ours == pixels_of(c.bottom_first ? "ref.ppm" : "reference.pam"));
    }

    const ProcessResult missing = tool({"image", "none.jpg"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "error -1: no such file\n");
    write_file("data.dat", build_archive({{"p.jpg", read_file("photo.jpg")}}));
    EXPECT_EQ(tool({"image", "P.JPG", "--pak"}).out, "38 24 rgb\n");
    EXPECT_EQ(tool({"image", "q.jpg", "--pak"}).out, "error -3: not in data.dat\n");
    // A 16-bit TGA header.
    write_file("deep.tga", std::string("\0\0\2\0\0\0\0\0\0\0\0\0\1\0\1\0\x10\0", 18) + "ab");
    EXPECT_EQ(tool({"image", "deep.tga"}).out, "error -5: TGA with a colour map or a depth other than 24 or 32 bits\n");
}

TEST_F(AssetToolTest, ModelsWrittenByAnotherProgram) {
    // A cube of two materials, one with a texture map, exported to 3DS by assimp.
    write_file("src/cube.obj",
               "mtllib cube.mtl\no Cube\n"
               "v -1 -1 -1\nv 1 -1 -1\nv 1 1 -1\nv -1 1 -1\nv -1 -1 1\nv 1 -1 1\nv 1 1 1\nv -1 1 1\n"
               "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
               "usemtl Wood\nf 1/1 2/2 3/3 4/4\nf 5/1 8/4 7/3 6/2\n"
               "usemtl Paint\nf 1/1 5/2 6/3 2/4\nf 2/1 6/2 7/3 3/4\nf 3/1 7/2 8/3 4/4\nf 5/1 1/2 4/3 8/4\n");
    write_file("src/cube.mtl", "newmtl Wood\nKd 0.6 0.4 0.2\nmap_Kd wood.jpg\nnewmtl Paint\nKd 0.1 0.2 0.9\n");
    std::filesystem::create_directories("models/Cube");
    ASSERT_EQ(run_process("/usr/bin/assimp", {"export", "src/cube.obj", "models/Cube/cube.3ds"}).status, 0);
    write_file("models/cube/wood.jpg", encode_jpeg(gradient_picture(16, 16)));

    const ProcessResult r = tool({"model", "models/Cube/", "cube.3ds"});
    ASSERT_EQ(r.status, 0) << r.err;
    // Six quads as twelve triangles, over the objects the exporter made.
    int faces = 0;
    for (size_t at = r.out.find("\"faces\": "); at != std::string::npos; at = r.out.find("\"faces\": ", at + 1)) {
        faces += atoi(r.out.c_str() + at + 9);
    }
    EXPECT_EQ(faces, 12) << r.out;
    EXPECT_NE(r.out.find("\"map\": \"wood.jpg\",\n      \"texture\": 0"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"diffuse\": [\n        0.1,\n        0.2,\n        0.9\n      ]"), std::string::npos) << r.out;

    EXPECT_EQ(tool({"model", "models/Cube/", "none.3ds"}).out, "no model: no such file\n");
    const std::string cube = read_file("models/Cube/cube.3ds");
    write_file("models/Cube/cut.3ds", cube.substr(0, cube.size() / 2));
    EXPECT_EQ(tool({"model", "models/Cube/", "cut.3ds"}).out, "no model: chunk past the end of the file at byte 0\n");
}

TEST_F(AssetToolTest, ScriptCheckReportsEveryMissingFile) {
    write_file("script.txt", "snd_enable 1\nsnd_mp3file music.mp3\n[voidSection]\nend 3\n[eof]\n");
    ProcessResult r = tool({"script", "--check"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("picture textures/loading.jpg: error -1"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("music music.mp3: not found"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("checked 2 data files: 2 missing or undecodable"), std::string::npos) << r.err;

    // A corrupt JPEG ends libjpeg's process, not the check; words where the music should be stop the
    // player with its own message.
    std::string jpeg = encode_jpeg(gradient_picture(32, 32));
    jpeg.replace(2, 40, std::string(40, char(0x55)));
    write_file("textures/loading.jpg", jpeg);
    write_file("music.mp3", "not really music, but it is there");
    r = tool({"script", "--check"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("textures/loading.jpg: cannot be decoded"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("varnel-tool: music music.mp3: Error: Unknown file format\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("checked 2 data files: 2 missing or undecodable"), std::string::npos) << r.err;

    write_loading_picture();
    write_file("music.mp3", make_test_mp3(0.5));
    r = tool({"script", "--check"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("checked 2 data files: 0 missing or undecodable"), std::string::npos) << r.err;
}

TEST_F(AssetToolTest, SoundNamesTheDriverOrSaysWhyThereIsNone) {
    ProcessResult r = tool({"sound"}, {"SDL_AUDIODRIVER=dummy"});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "driver dummy, default device\n");

    // One line that make run reads SDL's reason from, whether the driver fails to start or to open.
    const struct {
        const char* driver;
        const char* file;
        const char* reason_names;
    } failures[] = {{"nosuchdriver", "", "'nosuchdriver' not available"},
                    {"disk", "no/such/dir/heard.raw", "no/such/dir/heard.raw"}};
    for (const auto& f : failures) {
        SCOPED_TRACE(f.driver);
        r = tool({"sound"}, {std::string("SDL_AUDIODRIVER=") + f.driver, std::string("SDL_DISKAUDIOFILE=") + f.file});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out.rfind("no sound device: ", 0), 0u) << r.out;
        EXPECT_NE(r.out.find(f.reason_names), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << r.out;
    }
}

}  // namespace
