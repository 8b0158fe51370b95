#include "form/controls.h"

#include <gtest/gtest.h>

namespace zorva {
namespace {

struct BarRow {
    int set;
    int expected;
    int changes;
};

class ScrollBarChange : public testing::TestWithParam<BarRow> {};

TEST_P(ScrollBarChange, ClampsAndFiresOnlyOnARealChange) {
    const BarRow row = GetParam();
    ScrollBar bar("POLTAX", 1, 100, 1, 10, 20, {});
    int changes = 0;
    bar.Change = [&] { ++changes; };
    bar.SetValue(row.set);
    EXPECT_EQ(bar.Value(), row.expected);
    EXPECT_EQ(changes, row.changes);
}

INSTANTIATE_TEST_SUITE_P(Values, ScrollBarChange,
                         testing::Values(BarRow{20, 20, 0}, BarRow{21, 21, 1}, BarRow{500, 100, 1},
                                         BarRow{-3, 1, 1}, BarRow{1, 1, 1}, BarRow{100, 100, 1}));

TEST(ScrollBar, DesignValueFiresNothingAndAnEdgeValueRepeatedFiresOnce) {
    ScrollBar bar("klimax", 1, 20, 1, 3, 1, {});
    int changes = 0;
    bar.Change = [&] { ++changes; };
    bar.SetValue(0);  // clamps to 1, the value it already has
    EXPECT_EQ(changes, 0);
    bar.SetValue(20);
    bar.SetValue(25);
    EXPECT_EQ(changes, 1);
}

TEST(ScrollBar, ViewHearsOfEveryChangeBeforeTheHandlerRuns) {
    ScrollBar bar("vimaxrono", 1, 10, 1, 2, 1, {});
    std::string order;
    bar.viewChanged = [&] { order += "view "; };
    bar.Change = [&] { order += "change"; };
    bar.SetValue(3);
    EXPECT_EQ(order, "view change");
}

TEST(CheckBox, ValueIsOneOrZero) {
    CheckBox box("Check1", "Show components of force", {});
    EXPECT_EQ(box.Value(), 0);
    box.SetValue(1);
    EXPECT_EQ(box.Value(), 1);
    box.SetValue(2);
    EXPECT_EQ(box.Value(), 0);
}

TEST(Timer, IntervalZeroDeliversNothingEvenWhileEnabled) {
    Timer timer;
    int events = 0;
    timer.TimerEvent = [&] { ++events; };
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 0);
    EXPECT_FALSE(timer.Active());
    timer.Elapse();
    EXPECT_EQ(events, 0);
    timer.SetInterval(1);
    EXPECT_TRUE(timer.Active());
    timer.Elapse();
    EXPECT_EQ(events, 1);
    timer.SetEnabled(false);
    timer.Elapse();
    EXPECT_EQ(events, 1);
    timer.SetInterval(-5);
    EXPECT_EQ(timer.Interval(), 0);
}

TEST(Button, PressRaisesClick) {
    Button button("Command1", "Time on", {});
    int clicks = 0;
    button.Press();  // no handler yet: nothing happens
    button.Click = [&] { ++clicks; };
    button.Press();
    EXPECT_EQ(clicks, 1);
}

}  // namespace
}  // namespace zorva
