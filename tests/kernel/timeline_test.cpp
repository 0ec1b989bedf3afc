// timeline_test.cpp -- the loading phase, the frame and the clock, on section types made for the test
#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <exception>
#include <new>
#include <string>
#include <utility>

#include "core/config.h"
#include "core/fatal.h"
#include "core/timer.h"
#include "kernel/kernel.h"
#include "kernel/timeline.h"
#include "support/scratch.h"

namespace {

// What the handlers did, in order: "L3" load of type 3, "I3:0.1" init at demo time 0.1, "R3@2"
// render of the section of layer 2, "E0" end.
std::string s_log;

void record(const char* what, int type) {
    s_log += what;
    s_log += std::to_string(type);
    if (what[0] == 'R' && g_kernel.current) s_log += "@" + std::to_string(g_kernel.current->layer);
    s_log += ' ';
}

template <int N> void load() { record("L", N); }
// Type 7 refuses a section on layer 99 as it starts; type 6 checks for that beforehand.
template <int N> void init() {
    record("I", N);
    if (N == 7 && g_kernel.current->layer == 99) fatal_error("t7 refuses layer 99");
}
template <int N> void check() {
    record("C", N);
    if (g_kernel.current->layer == 99) fatal_error("t%d at %.2f: layer 99", N, double(g_kernel.current->start));
}
template <int N> void render() { record("R", N); }
template <int N> void end() { record("E", N); }

const char* const kNames[kSectionTypeCount] = {"t0", "t1", "t2", "t3", "t4", "t5", "t6", "t7", "t8", "t9", "t10",
                                               "t11", "t12", "t13", "t14", "t15", "t16", "t17", "t18", "t19", "t20"};

template <size_t... N>
std::array<SectionType, kSectionTypeCount> named_types(std::index_sequence<N...>) {
    return {SectionType{kNames[N], load<int(N)>, init<int(N)>, render<int(N)>, end<int(N)>, N == 5 ? 2 : 0, {},
                        nullptr, N == 6 ? check<int(N)> : nullptr}...};
}

const std::array<SectionType, kSectionTypeCount> kTestTypes = named_types(std::make_index_sequence<kSectionTypeCount>());

class TimelineTest : public testing::Test {
protected:
    void SetUp() override {
        g_kernel = KernelState();
        g_kernel.types = kTestTypes.data();
        g_demostart = 0.0f;
        g_debug = 0;
        g_drawfps = 0;
        s_log.clear();
        tail_ = nullptr;
        use_fixed_clock(10);
    }
    void TearDown() override {
        g_kernel = KernelState();
        use_fixed_clock(0);
    }

    Section* add(int type, float start, float end, int layer = 0, int syncs = 0) {
        Section& s = sections_.emplace_back();
        s.type = type;
        s.start = start;
        s.end = end;
        s.layer = layer;
        s.duration = end - start;
        s.sync_count = syncs;
        s.syncs.assign(size_t(syncs), 0.0f);
        if (tail_) {
            tail_->next_script = &s;
        } else {
            g_kernel.script = &s;
        }
        tail_ = &s;
        return &s;
    }

    void start() {
        reset_timeline();
        run_loading_phase();
        start_clock();
    }

    // One frame and its clock advance; returns what the handlers did in it.
    std::string frame() {
        s_log.clear();
        over_ = !run_frame();
        advance_clock();
        return s_log;
    }

    std::deque<Section> sections_;
    Section* tail_ = nullptr;
    bool over_ = false;  // the latest frame found the show over
};

std::string pending_order() {
    std::string order;
    for (const Section* s = g_kernel.pending; s; s = s->next_pending) order += std::to_string(s->layer) + " ";
    return order;
}

TEST_F(TimelineTest, LoadingPhaseLoadsEachUsedTypeOnceInRowOrder) {
    add(12, 0, 5);
    add(3, 0, 5);
    add(3, 1, 5);
    add(3, 2, 5);
    add(0, 0, 5);  // the loading type: queued and run, never counted or loaded again
    start();
    EXPECT_EQ(s_log, "L0 I0 R0 R0 R0 L3 R0 R0 R0 R0 R0 R0 R0 R0 R0 L12 R0 R0 R0 R0 R0 R0 R0 R0 R0 E0 ");
    EXPECT_EQ(g_kernel.types_to_load, 2);
    EXPECT_EQ(g_kernel.types_loaded, 2);
    EXPECT_EQ(g_kernel.current, nullptr) << "no section is current while loading";
    EXPECT_FALSE(g_kernel.loading);
}

TEST_F(TimelineTest, QueueInStartOrderLaterScriptFirstAmongEqualStarts) {
    add(1, 5, 9, 1);
    add(1, 2, 9, 2);
    add(1, 5, 9, 3);
    add(1, 0, 9, 4);
    start();
    EXPECT_EQ(pending_order(), "4 2 3 1 ");
}

TEST_F(TimelineTest, DemoStartCutsSections) {
    g_demostart = 30.0f;
    add(7, 10, 30, 1);   // over when playback begins: never loaded, started or rendered
    add(8, 20, 40, 2);
    add(9, 30, 50, 3);
    start();
    EXPECT_EQ(s_log.find("L7"), std::string::npos);
    EXPECT_EQ(g_kernel.types_to_load, 2);
    EXPECT_EQ(g_kernel.demo_time, 30.0f);

    // Both start in the first frame, the second's start being at the demo time.
    EXPECT_EQ(frame(), "I8 I9 R8@2 R9@3 ");
    EXPECT_EQ(g_kernel.active->start, 20.0f);
}

TEST_F(TimelineTest, ActiveSectionsRenderInLayerOrder) {
    add(1, 0, 9, 5);
    add(2, 0, 9, 5);
    add(3, 0, 9, 1);
    // Equal start and layer: script order. Equal layer, later start: drawn first, under the other.
    start();
    EXPECT_EQ(frame(), "I3 I2 I1 R3@1 R1@5 R2@5 ");
    add(4, 0.15f, 9, 5);
    // Added after the loading phase: queue it as the loading phase would have.
    g_kernel.pending = tail_;
    EXPECT_EQ(frame(), "R3@1 R1@5 R2@5 ");
    EXPECT_EQ(frame(), "I4 R3@1 R4@5 R1@5 R2@5 ");
}

TEST_F(TimelineTest, SectionsRetireAndTheTimelineEnds) {
    Section* a = add(1, 0, 0.25f);
    add(2, 0.1f, 0.3f);
    start();
    EXPECT_EQ(frame(), "I1 R1@0 ");
    EXPECT_EQ(a->cpu_percent, 0.0f) << "no frame time yet in the first frame";
    EXPECT_EQ(a->run_time, 0.0f);
    EXPECT_EQ(frame(), "I2 R2@0 R1@0 ") << "the later start renders first among equal layers";
    EXPECT_FLOAT_EQ(a->run_time, 0.1f);
    EXPECT_EQ(frame(), "R2@0 R1@0 ");
    EXPECT_FALSE(over_);
    EXPECT_EQ(frame(), "") << "both are over at 0.3; the end handler is never called for a section";
    EXPECT_TRUE(over_);
    EXPECT_FALSE(g_kernel.quit) << "the frame says the show is over; what then is its caller's";
    EXPECT_EQ(g_kernel.active, nullptr);
}

TEST_F(TimelineTest, WholeSpanInsideOneFrameRunsInitOnly) {
    use_fixed_clock(1);
    add(1, 0, 0.5f);
    add(2, 0.2f, 0.6f);
    start();
    EXPECT_EQ(frame(), "I1 R1@0 ");
    EXPECT_EQ(frame(), "I2 ");
    EXPECT_TRUE(over_);
}

TEST_F(TimelineTest, EmptyTimelineEndsInTheFirstFrame) {
    g_demostart = 10.0f;
    add(1, 0, 10);
    add(2, 5, 10);
    start();
    EXPECT_EQ(g_kernel.types_to_load, 0);
    EXPECT_EQ(frame(), "");
    EXPECT_TRUE(over_);
}

TEST_F(TimelineTest, ClockAdvance) {
    add(1, 0, 10);
    start();
    frame();
    EXPECT_FLOAT_EQ(g_kernel.demo_time, 0.1f);
    EXPECT_EQ(g_kernel.frame_time, 1.0f / 10.0f);
    EXPECT_EQ(g_kernel.frame_count, 1);
    for (int i = 0; i < 4; ++i) frame();
    EXPECT_EQ(g_kernel.frame_rate, 0.0f) << "the rate window is still open at half a second";
    frame();
    EXPECT_FLOAT_EQ(g_kernel.frame_rate, 10.0f);
    EXPECT_EQ(g_kernel.rate_window_frames, 0);
    EXPECT_GT(g_kernel.kernel_percent, 0.0f);
    EXPECT_LE(g_kernel.kernel_percent, 100.0f);
}

TEST_F(TimelineTest, TooFewSyncTimesEndTheLoadingPhase) {
    add(5, 1.5f, 3, 0, 1);
    EXPECT_EXIT(start(), testing::ExitedWithCode(1), fatal_line("Section 't5' at 1.50: 1 syncs found, 2 needed"));
}

TEST_F(TimelineTest, AnUncaughtExceptionLeavesThroughTheFatalError) {
    EXPECT_EXIT(
        {
            route_terminate_through_shutdown();
            // As the runtime does when no handler catches it.
            try {
                throw std::bad_alloc();
            } catch (...) {
                std::terminate();
            }
        },
        testing::ExitedWithCode(1), fatal_line("Out of memory"));
}

TEST_F(TimelineTest, EverySectionIsCheckedAsItsStartWouldCheckIt) {
    g_demostart = 5.0f;
    add(6, 0, 1);
    add(1, 0, 1);
    add(6, 2, 3);
    check_sections();
    EXPECT_EQ(s_log, "C6 C6 ") << "each section of a type with a check, over or not";
    EXPECT_EQ(g_kernel.current, nullptr);

    add(5, 1, 2, 0, 1);
    EXPECT_EXIT(check_sections(), testing::ExitedWithCode(1), fatal_line("Section 't5' at 1.00: 1 syncs found, 2 needed"));
    sections_.back().sync_count = 2;
    sections_.back().syncs.assign(2, 0.0f);
    add(6, 4, 6, 99);
    EXPECT_EXIT(check_sections(), testing::ExitedWithCode(1), fatal_line("t6 at 4.00: layer 99"));
}

TEST_F(TimelineTest, AnInitThatFailsLeavesItsSectionOnNeitherList) {
    add(7, 0, 1, 99);
    Section* other = add(1, 0.05f, 1);
    start();
    set_failure_policy(FailurePolicy::Recover);
    EXPECT_THROW(frame(), Failure);
    set_failure_policy(FailurePolicy::Exit);
    advance_clock();
    EXPECT_EQ(g_kernel.pending, other) << "the section after it is still to start";
    EXPECT_EQ(g_kernel.active, nullptr);
    EXPECT_EQ(frame(), "I1 R1@0 ") << "the refused section is not started again";
}

TEST_F(TimelineTest, SectionsThatNeverPlayAreNotCheckedForSyncTimes) {
    g_demostart = 5.0f;
    add(5, 1, 3, 0, 0);
    add(5, 4, 9, 0, 2);
    start();
    EXPECT_EQ(g_kernel.types_to_load, 1);
}

}  // namespace
