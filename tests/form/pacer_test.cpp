#include "form/pacer.h"

#include <gtest/gtest.h>

#include <vector>

#include "form/controls.h"

namespace zorva {
namespace {

// Wake-ups at the given times (ms after the start) and the events each must
// deliver, at an interval.
struct PaceRow {
    const char* name;
    int intervalMs;
    std::vector<double> wakeUps;
    std::vector<long long> delivered;
};

class RunPacerPace : public testing::TestWithParam<PaceRow> {};

TEST_P(RunPacerPace, DeliversWhatFellDueUpToTheCatchUp) {
    const PaceRow& row = GetParam();
    RunPacer pacer;
    pacer.start(500.0, row.intervalMs);
    std::vector<long long> delivered;
    for (const double at : row.wakeUps) {
        delivered.push_back(pacer.due(500.0 + at));
    }
    EXPECT_EQ(delivered, row.delivered);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RunPacerPace,
    testing::Values(PaceRow{"OnTime", 1, {1, 2, 3, 4}, {1, 1, 1, 1}},
                    PaceRow{"EarlyThenLate", 1, {0.5, 0.9, 2.5, 7}, {0, 0, 2, 5}},
                    PaceRow{"AFrameOfSixteen", 1, {16.7, 33.4, 50.1}, {16, 17, 17}},
                    // 50 ms' worth plus 4; what lies beyond is dropped, not owed.
                    PaceRow{"AStall", 1, {1000, 1001, 1002}, {54, 1, 1}},
                    PaceRow{"AStallAtTen", 10, {1000, 1010, 1015}, {9, 1, 0}},
                    PaceRow{"ClockGoesBack", 1, {10, 5, 11}, {10, 0, 1}}),
    [](const auto& info) { return info.param.name; });

TEST(RunPacer, DeliversNothingStoppedOrWithoutAnInterval) {
    RunPacer pacer;
    EXPECT_EQ(pacer.due(100.0), 0);
    pacer.start(0.0, 0);
    EXPECT_FALSE(pacer.running());
    EXPECT_EQ(pacer.due(100.0), 0);
    pacer.start(0.0, 2);
    pacer.stop();
    EXPECT_EQ(pacer.due(100.0), 0);
}

TEST(RunPacer, SaysHowLongUntilTheNextEvent) {
    RunPacer pacer;
    pacer.start(0.0, 4);
    EXPECT_DOUBLE_EQ(pacer.untilNext(1.0), 3.0);
    pacer.due(9.0);
    EXPECT_DOUBLE_EQ(pacer.untilNext(9.0), 3.0);
    EXPECT_DOUBLE_EQ(pacer.untilNext(20.0), 0.0);
}

// The form's timer driven through RunTimer, with a clock the test sets.
TEST(RunTimer, StartsWithTheTimerAndRaisesItsEventsAtThePace) {
    Timer timer;
    int events = 0;
    int changes = 0;
    double now = 0.0;
    timer.TimerEvent = [&] {
        // The tick that finds the body at the summit stops the run.
        if (++events == 7) {
            timer.SetEnabled(false);
        }
    };
    RunTimer run(timer, [&now] { return now; });
    run.changed = [&] { ++changes; };
    EXPECT_FALSE(run.running());
    now = 10.0;
    timer.SetInterval(2);
    EXPECT_TRUE(run.running());
    EXPECT_EQ(changes, 1);
    now = 15.0;
    EXPECT_EQ(run.wake(), 2);
    // CONTINUE during a run keeps its pace.
    timer.SetEnabled(true);
    now = 20.0;
    EXPECT_EQ(run.wake(), 3);
    now = 40.0;
    EXPECT_EQ(run.wake(), 2);
    EXPECT_EQ(events, 7);
    EXPECT_FALSE(run.running());
    EXPECT_EQ(run.wake(), 0);
}

}  // namespace
}  // namespace zorva
