// statistics_test.cpp -- the text of the statistics lines for a given kernel state
#include <gtest/gtest.h>

#include <deque>
#include <string>

#include "core/config.h"
#include "kernel/kernel.h"
#include "kernel/statistics.h"

namespace {

class StatisticsTest : public testing::Test {
protected:
    void SetUp() override { g_kernel = KernelState(); }
    void TearDown() override { g_kernel = KernelState(); }
    char line[kStatisticsLineSize];
};

TEST_F(StatisticsTest, SummaryLine) {
    g_kernel.frame_count = 1234;
    g_kernel.demo_time = 12.345f;
    g_kernel.demo_end = 150.0f;
    g_kernel.frame_rate = 59.94f;
    g_kernel.kernel_time = 0.00125f;
    g_kernel.kernel_percent = 7.5f;
    format_statistics_line(line, sizeof line);
    // No sound: the kernel part follows the frame rate directly.
    EXPECT_STREQ(line, "frame 1234, sec 12.35/150.00, fps 59.9, krnl 1.25ms/7.5%");

    // With sound, the sound layer's load between them (nothing plays here).
    snd_enable = 1;
    format_statistics_line(line, sizeof line);
    snd_enable = 0;
    EXPECT_STREQ(line, "frame 1234, sec 12.35/150.00, fps 59.9, snd 0.0%, krnl 1.25ms/7.5%");
}

TEST_F(StatisticsTest, PendingLine) {
    format_pending_line(line, sizeof line);
    EXPECT_STREQ(line, "ready .");

    Section sync;
    sync.type = 16;
    Section titulo;
    titulo.type = 18;
    sync.next_pending = &titulo;
    g_kernel.pending = &sync;
    format_pending_line(line, sizeof line);
    EXPECT_STREQ(line, "ready .sync.titulo.");
}

TEST_F(StatisticsTest, LongPendingLineStaysInItsBuffer) {
    std::deque<Section> many(1000);
    for (size_t i = 0; i + 1 < many.size(); ++i) {
        many[i].type = 12;
        many[i].next_pending = &many[i + 1];
    }
    g_kernel.pending = &many[0];
    char small[32];
    format_pending_line(small, sizeof small);
    EXPECT_STREQ(small, "ready .heart.heart.heart.heart.");
    format_pending_line(line, sizeof line);
    EXPECT_EQ(std::string(line).size(), kStatisticsLineSize - 1);
}

TEST_F(StatisticsTest, ActiveLine) {
    Section s;
    s.type = 11;
    s.layer = 3;
    s.run_time = 2.5f;
    s.duration = 25.0f;
    s.start = 20.0f;
    s.end = 45.0f;
    s.cpu_time = 0.0042f;
    s.cpu_percent = 25.2f;
    format_active_line(line, sizeof line, s);
    EXPECT_STREQ(line, "tunnel (3), sec 2.50/25.00, rng 20.00/45.00, cpu 4.20ms/25.2%");
}

}  // namespace
