// picture_prefetch_test.cpp -- the default show's loading phase takes its pictures from the second thread
#include <gtest/gtest.h>

#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "kernel/script.h"
#include "kernel/timeline.h"
#include "resources/image.h"
#include "resources/picture_prefetch.h"
#include "support/gl_context.h"

namespace {

// Every picture that the load handlers read, the texture maps of the models they parse included,
// is on the second thread's list and comes from it, decoded there once: a picture read twice is
// one pixel buffer in two records. Nothing on the list goes unread.
TEST(PicturePrefetch, TheDefaultShowTakesEveryPictureFromTheSecondThread) {
    open_test_graphics();
    ASSERT_EQ(chdir(VARNEL_TEST_SHOW), 0);
    parse_script();
    const int first = image_count();
    reset_timeline();
    run_loading_phase();

    const PrefetchReport& report = picture_prefetch_report();
    EXPECT_EQ(report.read_by_loaders, std::vector<std::string>()) << "read on the loaders' thread";
    std::map<std::string, int> listed;
    int takes = 0;
    for (const PrefetchedPicture& picture : report.pictures) {
        EXPECT_EQ(listed[picture.path]++, 0) << picture.path << ": listed twice";
        EXPECT_EQ(picture.decodes, 1) << picture.path;
        EXPECT_GE(picture.takes, 1) << picture.path << ": decoded for nobody";
        takes += picture.takes;
    }
    EXPECT_GT(listed.size(), 100u);
    EXPECT_EQ(takes, image_count() - first) << "pictures loaded past the second thread";

    std::map<std::string, const uint8_t*> pixels;
    for (int i = first; i < image_count(); ++i) {
        const Image& image = image_record(i);
        EXPECT_EQ(listed.count(image.name), 1u) << image.name;
        const auto seen = pixels.emplace(image.name, image.pixels.get()).first;
        EXPECT_EQ(seen->second, image.pixels.get()) << image.name << ": decoded again";
    }
    EXPECT_LT(pixels.size(), size_t(image_count() - first)) << "the show reads a picture more than once";
}

}  // namespace
