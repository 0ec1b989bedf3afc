// image_test.cpp -- PCX, TGA and JPEG decoding and the codes of load texture, from disk and archive
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/archive.h"
#include "resources/image.h"
#include "resources/image_decoders.h"
#include "resources/picture_prefetch.h"
#include "support/pictures.h"
#include "support/scratch.h"

namespace {

class ImageTest : public testing::Test {
protected:
    ScratchDir dir;
};

std::string u16(int v) {
    return {char(v & 0xFF), char(v >> 8)};
}

// A TGA header; descriptor 0x20 for rows top first, plus 8 for the alpha bits.
std::string tga_header(int type, int width, int height, int depth, int descriptor, int id_length = 0, int cmap = 0) {
    std::string h(18, '\0');
    h[0] = char(id_length);
    h[1] = char(cmap);
    h[2] = char(type);
    h.replace(12, 2, u16(width));
    h.replace(14, 2, u16(height));
    h[16] = char(depth);
    h[17] = char(descriptor);
    return h + std::string(size_t(id_length), 'i');
}

// A PCX of the given pixel data and a palette whose entry i is (i, 255 - i, i / 2).
std::string pcx_file(int width, int height, const std::string& data) {
    std::string h(128, '\0');
    h[0] = 10;
    h[2] = 1;
    h[3] = 8;
    h.replace(8, 2, u16(width - 1));
    h.replace(10, 2, u16(height - 1));
    std::string palette;
    for (int i = 0; i < 256; ++i) palette += {char(i), char(255 - i), char(i / 2)};
    return h + data + char(12) + palette;
}

std::vector<uint8_t> pixels_of(int handle) {
    const Image& image = image_record(handle);
    const size_t bpp = image.internal_format == GL_RGBA ? 4 : 3;
    return std::vector<uint8_t>(image.pixels.get(), image.pixels.get() + size_t(image.width) * size_t(image.height) * bpp);
}

TEST_F(ImageTest, PcxRuns) {
    // 0xC0 is the single value 192; 0xC1 5 is one 5; 0xFF 7 is 63 sevens; the rest stays 0.
    std::string data = {char(0xC0), char(0xC1), 5, char(0xFF), 7};
    write_file("a.pcx", pcx_file(13, 5, data + std::string(13 * 5 - 65, '\0')));
    const int handle = load_texture("a.pcx", false);
    ASSERT_GE(handle, 0);
    const Image& image = image_record(handle);
    EXPECT_EQ(image.width, 13);
    EXPECT_EQ(image.height, 5);
    EXPECT_EQ(image.internal_format, GLenum(GL_RGB));
    const auto px = pixels_of(handle);
    EXPECT_EQ(std::vector<uint8_t>(px.begin(), px.begin() + 3), (std::vector<uint8_t>{192, 63, 96}));
    EXPECT_EQ(std::vector<uint8_t>(px.begin() + 3, px.begin() + 6), (std::vector<uint8_t>{5, 250, 2}));
    for (int i = 2; i < 65; ++i) EXPECT_EQ(px[size_t(i) * 3], 7) << "pixel " << i;

    // Short pixel data read on into the palette; once every byte is used the rest stays index 0.
    write_file("b.pcx", pcx_file(500, 500, ""));
    const auto tail = pixels_of(load_texture("b.pcx", false));
    EXPECT_EQ(tail[0], 12) << "the palette's marker byte, read as a pixel";
    EXPECT_EQ(std::vector<uint8_t>(tail.end() - 3, tail.end()), (std::vector<uint8_t>{0, 255, 0})) << "index 0";
}

TEST_F(ImageTest, PcxThatIsTooShortOrTooLarge) {
    write_file("short.pcx", std::string(500, '\0'));
    EXPECT_EQ(load_texture("short.pcx", false), kImageBadFormat);
    // A run longer than the picture is cut; a 65536-pixel side is refused before any allocation.
    write_file("cut.pcx", pcx_file(2, 2, std::string(8, char(0xFF)) + "x"));
    EXPECT_GE(load_texture("cut.pcx", false), 0);
    std::string huge = pcx_file(1, 1, "");
    huge.replace(8, 2, u16(0xFFFF));
    write_file("huge.pcx", huge);
    EXPECT_EQ(load_texture("huge.pcx", false), kImageUnsupported);
}

// The fuzz targets pass over pictures of more than 16 K pixels that the decoders would accept, so the
// largest ones are decoded here: every pixel written, the data's where they go and the rest filled,
// and one row or column more refused.
TEST_F(ImageTest, PicturesAtTheDecodersLimits) {
    const int width = kMaxImageSide;
    const int height = int(kMaxImagePixels / kMaxImageSide);
    auto decode = [](const std::string& bytes, int (*decoder)(DataSource*, DecodedImage*), DecodedImage* image) {
        DataSource source = memory_source(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        const int code = decoder(&source, image);
        close_data_source(&source);
        return code;
    };
    auto pixel = [](const DecodedImage& image, size_t index) {
        const uint8_t* p = image.pixels.get() + index * size_t(image.bytes_per_pixel);
        return std::vector<uint8_t>(p, p + image.bytes_per_pixel);
    };
    const size_t count = size_t(width) * size_t(height);

    // PCX: a run of 63 pixels of index 9, then one of index 3; the palette's marker byte ends the
    // data, and index 0 (0, 255, 0) fills the rest, down to the last pixel.
    DecodedImage image;
    const std::string pcx_data = {char(0xFF), 9, 3};
    ASSERT_EQ(decode(pcx_file(width, height, pcx_data), decode_pcx, &image), 0) << image.failure;
    EXPECT_EQ(image.width, width);
    EXPECT_EQ(image.height, height);
    EXPECT_EQ(pixel(image, 62), (std::vector<uint8_t>{9, 246, 4}));
    EXPECT_EQ(pixel(image, 63), (std::vector<uint8_t>{3, 252, 1}));
    EXPECT_EQ(pixel(image, 64), (std::vector<uint8_t>{12, 243, 6})) << "the palette's marker byte";
    EXPECT_EQ(pixel(image, 65), (std::vector<uint8_t>{0, 255, 0}));
    EXPECT_EQ(pixel(image, count - 1), (std::vector<uint8_t>{0, 255, 0}));
    EXPECT_EQ(decode(pcx_file(width, height + 1, pcx_data), decode_pcx, &image), kImageUnsupported);
    EXPECT_EQ(decode(pcx_file(width + 1, 1, pcx_data), decode_pcx, &image), kImageUnsupported);

    // TGA, run-length coded, bottom row first: one run of 128 white pixels at the start of the last
    // row; the rest stays zero, the top left pixel too.
    const std::string packet = {char(0xFF), char(0xFF), char(0xFF), char(0xFF), char(0xFF)};
    ASSERT_EQ(decode(tga_header(10, width, height, 32, 8) + packet, decode_tga, &image), 0) << image.failure;
    EXPECT_EQ(image.bytes_per_pixel, 4);
    EXPECT_EQ(pixel(image, count - size_t(width)), (std::vector<uint8_t>{255, 255, 255, 255}));
    EXPECT_EQ(pixel(image, count - size_t(width) + 127), (std::vector<uint8_t>{255, 255, 255, 255}));
    EXPECT_EQ(pixel(image, count - size_t(width) + 128), (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(pixel(image, 0), (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(decode(tga_header(10, width, height + 1, 32, 8) + packet, decode_tga, &image), kImageUnsupported);
}

TEST_F(ImageTest, TgaRowOrderAndChannels) {
    // Picture 2 x 2: top row red, green; bottom row blue, white. Stored B, G, R.
    const std::string top = std::string("\x00\x00\xff", 3) + std::string("\x00\xff\x00", 3);
    const std::string bottom = std::string("\xff\x00\x00", 3) + std::string("\xff\xff\xff", 3);
    write_file("top.tga", tga_header(2, 2, 2, 24, 0x20) + top + bottom);
    write_file("bottom.tga", tga_header(2, 2, 2, 24, 0x00, 5) + bottom + top);
    // Run-length: a run of 2 and a raw packet of 2 per row.
    const std::string rl_top = std::string("\x01", 1) + top + std::string("\x01", 1) + bottom;
    const std::string rl_bottom = std::string("\x01", 1) + bottom + std::string("\x01", 1) + top;
    write_file("rl_top.tga", tga_header(10, 2, 2, 24, 0x20) + rl_top);
    write_file("rl_bottom.tga", tga_header(10, 2, 2, 24, 0x00) + rl_bottom);

    const std::vector<uint8_t> expected = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    for (const char* name : {"top.tga", "bottom.tga", "rl_top.tga", "rl_bottom.tga"}) {
        SCOPED_TRACE(name);
        const int handle = load_texture(name, false);
        ASSERT_GE(handle, 0);
        EXPECT_EQ(pixels_of(handle), expected);
    }
}

TEST_F(ImageTest, TgaAlphaInBothForms) {
    const std::string pixel = {10, 20, 30, char(200)};  // B, G, R, A
    write_file("raw.tga", tga_header(2, 2, 1, 32, 0x28) + pixel + pixel);
    write_file("rle.tga", tga_header(10, 2, 1, 32, 0x28) + char(0x81) + pixel);
    for (const char* name : {"raw.tga", "rle.tga"}) {
        SCOPED_TRACE(name);
        const int handle = load_texture(name, false);
        ASSERT_GE(handle, 0);
        EXPECT_EQ(image_record(handle).internal_format, GLenum(GL_RGBA));
        EXPECT_EQ(pixels_of(handle), (std::vector<uint8_t>{30, 20, 10, 200, 30, 20, 10, 200}));
    }
}

TEST_F(ImageTest, TgaFaults) {
    write_file("grey.tga", tga_header(3, 1, 1, 8, 0) + "x");
    EXPECT_EQ(load_texture("grey.tga", false), kImageUnsupported);
    write_file("16.tga", tga_header(2, 1, 1, 16, 0) + "xx");
    EXPECT_EQ(load_texture("16.tga", false), kImageBadFormat);
    write_file("cmap.tga", tga_header(2, 1, 1, 24, 0, 0, 1) + "xxx");
    EXPECT_EQ(load_texture("cmap.tga", false), kImageBadFormat);

    // Data that end early leave zeros; runs that pass the picture stop at its top row.
    write_file("early.tga", tga_header(2, 4, 4, 24, 0x20) + "\x01\x02\x03");
    int handle = load_texture("early.tga", false);
    ASSERT_GE(handle, 0);
    auto px = pixels_of(handle);
    EXPECT_EQ(px[0], 3);
    EXPECT_EQ(px[3], 0);
    write_file("long.tga", tga_header(10, 2, 2, 24, 0) + char(0xFF) + "abc" + char(0xFF) + "def");
    handle = load_texture("long.tga", false);
    ASSERT_GE(handle, 0);
    px = pixels_of(handle);
    EXPECT_EQ(std::count(px.begin(), px.end(), 'a'), 4);

    std::string huge = tga_header(2, 20000, 1, 24, 0);
    write_file("huge.tga", huge);
    EXPECT_EQ(load_texture("huge.tga", false), kImageUnsupported);
}

TEST_F(ImageTest, DecoderChoiceAndNames) {
    const std::string jpeg = encode_jpeg(gradient_picture(33, 17));
    write_file("textures/pic.jpg", jpeg);
    const int handle = load_texture("Textures/PIC.JPG", false);
    ASSERT_GE(handle, 0);
    EXPECT_EQ(image_record(handle).name, "textures/pic.jpg");
    EXPECT_EQ(image_record(handle).width, 33);
    EXPECT_EQ(image_record(handle).height, 17);

    EXPECT_EQ(load_texture("textures/pic.jpeg", false), kImageUnknownType);
    EXPECT_EQ(load_texture("textures/pic.bmp", false), kImageUnknownType);
    EXPECT_EQ(load_texture("textures/none.jpg", false), kImageUnknownType) << "a missing loose file";

    // ".tga" anywhere wins over ".jpg".
    write_file("x.tga.jpg", tga_header(2, 1, 1, 24, 0) + "abc");
    const int tga = load_texture("x.tga.jpg", false);
    ASSERT_GE(tga, 0);
    EXPECT_EQ(pixels_of(tga), (std::vector<uint8_t>{'c', 'b', 'a'}));
}

TEST_F(ImageTest, FromTheArchive) {
    const std::string jpeg = encode_jpeg(gradient_picture(16, 16));
    const std::string tga = tga_header(2, 1, 1, 24, 0) + "abc";
    write_file("data.dat", build_archive({{"a.tga", tga},
                                          {"textures/b.jpg", jpeg},
                                          {"c.pcx", pcx_file(2, 1, std::string("\x01\x02", 2))}}));
    EXPECT_EQ(load_texture("textures/b.jpg", true), kImageNotInArchive) << "no archive opened";
    ASSERT_EQ(open_archive(), 0);
    EXPECT_GE(load_texture("TEXTURES/B.JPG", true), 0);
    EXPECT_EQ(load_texture("textures/missing.jpg", true), kImageNotInArchive);
    const int t = load_texture("a.tga", true);
    ASSERT_GE(t, 0);
    EXPECT_EQ(pixels_of(t), (std::vector<uint8_t>{'c', 'b', 'a'}));
    // The PCX palette is the last 768 bytes of its entry, not of the file.
    const int p = load_texture("c.pcx", true);
    ASSERT_GE(p, 0);
    EXPECT_EQ(pixels_of(p), (std::vector<uint8_t>{1, 254, 0, 2, 253, 1}));
    EXPECT_EQ(load_texture("b.jpg", false), kImageUnknownType) << "no fallback to disk";
    remove("data.dat");
    EXPECT_EQ(load_texture("a.tga", true), kImageNoArchiveFile);
}

// A JPEG cut short ends where its entry ends: libjpeg completes it from its own bytes, exactly as
// from a loose file of the same bytes, and never reads on into the next entry.
TEST_F(ImageTest, JpegCutShortInTheArchive) {
    const std::string whole = encode_jpeg(gradient_picture(64, 64));
    const std::string cut = whole.substr(0, whole.size() * 3 / 4);
    write_file("cut.jpg", cut);
    write_file("data.dat", build_archive({{"cut.jpg", cut}, {"next.jpg", encode_jpeg(gradient_picture(8, 8))}}));
    ASSERT_EQ(open_archive(), 0);
    testing::internal::CaptureStderr();
    const int loose = load_texture("cut.jpg", false);
    const int packed = load_texture("cut.jpg", true);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Premature end of JPEG file"), std::string::npos);
    ASSERT_GE(loose, 0);
    ASSERT_GE(packed, 0);
    EXPECT_EQ(pixels_of(packed), pixels_of(loose));
}

TEST_F(ImageTest, CorruptJpegEndsTheProcess) {
    std::string jpeg = encode_jpeg(gradient_picture(32, 32));
    jpeg.replace(2, 40, std::string(40, char(0x55)));
    write_file("bad.jpg", jpeg);
    // libjpeg's warning, then its message of the error that ends it, last.
    EXPECT_EXIT(load_texture("bad.jpg", false), testing::ExitedWithCode(1),
                "^Corrupt JPEG data: [0-9]+ extraneous bytes before marker 0x[0-9a-f]+\nQuantization table 0x00 was not defined\n$");
}

TEST_F(ImageTest, Options) {
    write_file("o.tga", tga_header(2, 1, 1, 24, 0) + "abc");
    const int handle = load_texture("o.tga", false);
    const Image& image = image_record(handle);
    EXPECT_EQ(image.filter, GLenum(GL_LINEAR_MIPMAP_NEAREST));
    EXPECT_EQ(image.wrap, GLenum(GL_REPEAT));
    EXPECT_EQ(image.env_mode, GLenum(GL_REPLACE));
    set_texture_options(handle, 7);
    EXPECT_EQ(image.filter, GLenum(GL_LINEAR));
    EXPECT_EQ(image.wrap, GLenum(GL_CLAMP));
    EXPECT_EQ(image.env_mode, GLenum(GL_MODULATE));
    set_texture_options(handle, 2);
    EXPECT_EQ(image.filter, GLenum(GL_LINEAR_MIPMAP_NEAREST));
    EXPECT_EQ(image.wrap, GLenum(GL_CLAMP));
    EXPECT_EQ(image.env_mode, GLenum(GL_REPLACE));
}

// What the second thread cannot hand over as the loader would have made it, the loader makes
// itself: libjpeg's warning about a picture cut short is printed once, on the loader's thread, and a
// missing one keeps its code. Asked for out of list order.
TEST_F(ImageTest, PicturesTheSecondThreadGivesBack) {
    const std::string whole = encode_jpeg(gradient_picture(64, 48));
    write_file("a.jpg", whole);
    write_file("cut.jpg", whole.substr(0, whole.size() * 3 / 4));
    start_picture_prefetch({"missing.jpg", "cut.jpg", "a.jpg"}, false);
    testing::internal::CaptureStderr();
    const int a = load_texture("A.JPG", false);
    const int cut = load_texture("cut.jpg", false);
    EXPECT_EQ(load_texture("missing.jpg", false), kImageUnknownType);
    const std::string err = testing::internal::GetCapturedStderr();
    stop_picture_prefetch();
    ASSERT_GE(a, 0);
    ASSERT_GE(cut, 0);
    EXPECT_EQ(picture_prefetch_report().read_by_loaders, std::vector<std::string>{"cut.jpg"});
    EXPECT_EQ(pixels_of(a), pixels_of(load_texture("a.jpg", false))) << "as decoded here, after the stop";
    const size_t warning = err.find("Premature end of JPEG file");
    EXPECT_NE(warning, std::string::npos);
    EXPECT_EQ(err.find("Premature end of JPEG file", warning + 1), std::string::npos) << err;

    // A corrupt one ends the process through libjpeg as ever, the second thread still at work.
    std::string bad = whole;
    bad.replace(2, 40, std::string(40, char(0x55)));
    write_file("bad.jpg", bad);
    EXPECT_EXIT(
        {
            start_picture_prefetch({"bad.jpg", "a.jpg", "cut.jpg"}, false);
            load_texture("bad.jpg", false);
        },
        testing::ExitedWithCode(1), "");
}

}  // namespace
