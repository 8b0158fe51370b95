#include "ui/graph_window.h"

#include <gtest/gtest.h>

#include <QChartView>
#include <QGraphicsScene>
#include <QLineSeries>
#include <QValueAxis>
#include <cmath>
#include <limits>

namespace zorva {
namespace {

using Quantity = GraphWindow::Quantity;

constexpr double kTimeStep = 0.00005;

// Tick i of a made-up run: time and height grow steadily, vy wobbles
// around 0.5 m/s and vx drifts, so every quantity and every tick differ.
TickSample SampleAt(std::size_t i) {
    TickSample s;
    s.StepCount = static_cast<std::int64_t>(i) + 1;
    s.t = static_cast<double>(s.StepCount) * kTimeStep;
    s.vy = 0.5 + 0.01 * std::sin(0.1 * static_cast<double>(i));
    s.vx = -1.0 + 1e-4 * static_cast<double>(i);
    s.speed = std::hypot(s.vx, s.vy);
    s.y = 0.5 * s.t;
    return s;
}

double ValueOf(const TickSample& s, Quantity q) {
    switch (q) {
        case Quantity::Vy:
            return s.vy;
        case Quantity::Vx:
            return s.vx;
        case Quantity::Speed:
            return s.speed;
        case Quantity::Height:
            return s.y;
    }
    return 0.0;
}

constexpr Quantity kAll[] = {Quantity::Vy, Quantity::Vx, Quantity::Speed, Quantity::Height};

void Feed(GraphWindow& window, std::size_t count, std::size_t first = 0) {
    for (std::size_t i = first; i < first + count; ++i) {
        window.addSample(SampleAt(i));
    }
}

TEST(GraphWindow, OpensAsItsOwnDescribedWindowWithEmptyCharts) {
    QWidget owner;
    GraphWindow window(&owner);
    EXPECT_TRUE(window.isWindow());
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(window.windowTitle().contains("graphs"));
    EXPECT_FALSE(window.accessibleName().isEmpty());
    EXPECT_FALSE(window.accessibleDescription().isEmpty());
    EXPECT_EQ(window.sampleCount(), 0u);
    EXPECT_EQ(window.plottedPoints(), 0u);
    EXPECT_FALSE(window.referenceLine()->isVisible());
    for (const Quantity q : kAll) {
        EXPECT_EQ(window.currentSeries(q)->count(), 0);
        EXPECT_EQ(window.previousSeries(q)->count(), 0);
    }
    EXPECT_EQ(window.velocityAxis()->titleText(), "velocity (m/s)");
    EXPECT_EQ(window.heightAxis()->titleText(), "height y (m)");
}

TEST(GraphWindow, ChartViewsAreNamedForAssistiveTools) {
    GraphWindow window;
    const QList<QWidget*> children = window.findChildren<QWidget*>();
    int views = 0;
    for (const QWidget* child : children) {
        if (child->inherits("QChartView")) {
            ++views;
            EXPECT_FALSE(child->accessibleName().isEmpty());
            EXPECT_FALSE(child->accessibleDescription().isEmpty());
        }
    }
    EXPECT_EQ(views, 2);
}

// Below the point limit every tick is one point of every trace, in order.
class GraphWindowEveryTick : public testing::TestWithParam<std::size_t> {};

TEST_P(GraphWindowEveryTick, EachTraceHoldsEveryTickWithItsValues) {
    const std::size_t n = GetParam();
    GraphWindow window;
    window.startRun(0.5);
    Feed(window, n);
    window.refreshNow();
    EXPECT_EQ(window.sampleCount(), n);
    EXPECT_EQ(window.plottedPoints(), n);
    for (const Quantity q : kAll) {
        const QList<QPointF> points = window.currentSeries(q)->points();
        ASSERT_EQ(points.size(), static_cast<qsizetype>(n));
        for (std::size_t i = 0; i < n; ++i) {
            const TickSample s = SampleAt(i);
            ASSERT_EQ(points[static_cast<qsizetype>(i)], QPointF(s.t, ValueOf(s, q))) << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Graph, GraphWindowEveryTick,
                         testing::Values(std::size_t{1}, std::size_t{2}, std::size_t{1000},
                                         GraphWindow::kMaxPoints - 1));

TEST(GraphWindow, StartRunFadesTheRunBeforeAndStartsEmpty) {
    GraphWindow window;
    window.startRun(0.5);
    Feed(window, 300);
    window.refreshNow();
    window.startRun(0.6);
    EXPECT_EQ(window.sampleCount(), 0u);
    window.refreshNow();
    EXPECT_EQ(window.plottedPoints(), 0u);
    for (const Quantity q : kAll) {
        EXPECT_EQ(window.currentSeries(q)->count(), 0);
        const QList<QPointF> faded = window.previousSeries(q)->points();
        ASSERT_EQ(faded.size(), 300);
        EXPECT_EQ(faded.front(), QPointF(SampleAt(0).t, ValueOf(SampleAt(0), q)));
        EXPECT_EQ(faded.back(), QPointF(SampleAt(299).t, ValueOf(SampleAt(299), q)));
    }

    // Only one run is kept: the next "Time on" replaces the faded traces.
    Feed(window, 120, 1000);
    window.startRun(0.5);
    window.refreshNow();
    for (const Quantity q : kAll) {
        const QList<QPointF> faded = window.previousSeries(q)->points();
        ASSERT_EQ(faded.size(), 120);
        EXPECT_EQ(faded.front(), QPointF(SampleAt(1000).t, ValueOf(SampleAt(1000), q)));
    }
}

TEST(GraphWindow, RunWithoutTicksLeavesThePreviousRunInPlace) {
    GraphWindow window;
    window.startRun(0.5);
    Feed(window, 40);
    window.startRun(0.5);
    window.startRun(0.7);
    window.refreshNow();
    EXPECT_EQ(window.previousSeries(Quantity::Vy)->count(), 40);
    EXPECT_EQ(window.currentSeries(Quantity::Vy)->count(), 0);
}

TEST(GraphWindow, ReferenceLineLiesAtTheLaunchVerticalSpeedAcrossTheTimeAxis) {
    GraphWindow window;
    window.startRun(0.5);
    Feed(window, 500);
    window.refreshNow();
    const QLineSeries* line = window.referenceLine();
    EXPECT_TRUE(line->isVisible());
    const QList<QPointF> points = line->points();
    ASSERT_EQ(points.size(), 2);
    EXPECT_EQ(points[0].y(), 0.5);
    EXPECT_EQ(points[1].y(), 0.5);
    const QValueAxis* time = window.timeAxis();
    EXPECT_EQ(points[0].x(), time->min());
    EXPECT_EQ(points[1].x(), time->max());
    EXPECT_GE(time->max(), SampleAt(499).t);

    window.startRun(-0.25);
    window.refreshNow();
    EXPECT_EQ(window.referenceLine()->points().at(0).y(), -0.25);
    EXPECT_TRUE(window.referenceLine()->name().contains("-0.25"));
}

// vy at the right launch speed is exactly flat; the axis must still have
// height, with the line inside it rather than on the frame.
TEST(GraphWindow, FlatTraceKeepsAVisibleBandAroundIt) {
    GraphWindow window;
    window.startRun(0.5);
    for (int i = 0; i < 200; ++i) {
        TickSample s;
        s.t = i * kTimeStep;
        s.vx = s.vy = s.speed = 0.5;
        window.addSample(s);
    }
    window.refreshNow();
    const QValueAxis* axis = window.velocityAxis();
    EXPECT_LT(axis->min(), 0.5 - 0.01);
    EXPECT_GT(axis->max(), 0.5 + 0.01);
    EXPECT_LT(axis->max() - axis->min(), 0.5) << "a flat line should not be lost in a wide band";
}

// At a wrong launch speed vy drifts away from the reference; both stay in view.
TEST(GraphWindow, VelocityAxisTakesInTracesAndReference) {
    GraphWindow window;
    window.startRun(0.5);
    for (int i = 0; i < 200; ++i) {
        TickSample s;
        s.t = i * kTimeStep;
        s.vy = 0.8 + 0.001 * i;
        s.vx = 0.9;
        s.speed = std::hypot(s.vx, s.vy);
        window.addSample(s);
    }
    window.refreshNow();
    const QValueAxis* axis = window.velocityAxis();
    EXPECT_LT(axis->min(), 0.5);
    EXPECT_GT(axis->max(), std::hypot(0.9, 0.8 + 0.199));
}

// A long run seen only now and then: the time axis jumps from milliseconds
// to minutes between two updates and must still carry a handful of ticks,
// not one label per millisecond of the new range.
TEST(GraphWindow, AxisJumpKeepsAFewTicks) {
    GraphWindow window;
    window.startRun(0.5);
    window.addSample(SampleAt(0));
    window.refreshNow();
    TickSample late = SampleAt(1);
    late.t = 600.0;
    window.addSample(late);
    window.refreshNow();
    const QValueAxis* time = window.timeAxis();
    EXPECT_GE(time->max(), 600.0);
    EXPECT_LE((time->max() - time->min()) / time->tickInterval(), 12.0);
    for (const QChartView* view : window.findChildren<QChartView*>()) {
        EXPECT_LT(view->scene()->items().size(), 400);
    }
}

TEST(GraphWindow, HeightAxisFitsTheHeights) {
    GraphWindow window;
    window.startRun(0.5);
    Feed(window, 2000);
    window.refreshNow();
    EXPECT_LE(window.heightAxis()->min(), SampleAt(0).y);
    EXPECT_GE(window.heightAxis()->max(), SampleAt(1999).y);
    EXPECT_GT(window.heightAxis()->max(), window.heightAxis()->min());
}

// Runs that never end are thinned: the plotted points stay bounded and
// evenly spaced, and the trace still ends at the latest tick.
class GraphWindowThinning : public testing::TestWithParam<std::size_t> {};

TEST_P(GraphWindowThinning, KeepsTheCountBoundedAndEvenlySpread) {
    const std::size_t n = GetParam();
    GraphWindow window;
    window.startRun(0.5);
    Feed(window, n);
    window.refreshNow();
    EXPECT_EQ(window.sampleCount(), n);
    EXPECT_LE(window.plottedPoints(), GraphWindow::kMaxPoints);
    EXPECT_GE(window.plottedPoints(), GraphWindow::kMaxPoints / 2);
    for (const Quantity q : kAll) {
        const QList<QPointF> points = window.currentSeries(q)->points();
        ASSERT_EQ(static_cast<std::size_t>(points.size()), window.plottedPoints());
        EXPECT_EQ(points.front(), QPointF(SampleAt(0).t, ValueOf(SampleAt(0), q)));
        EXPECT_EQ(points.back(), QPointF(SampleAt(n - 1).t, ValueOf(SampleAt(n - 1), q)));
        const double gap = points[1].x() - points[0].x();
        for (qsizetype i = 1; i + 2 < points.size(); ++i) {
            ASSERT_NEAR(points[i + 1].x() - points[i].x(), gap, 1e-9) << i;
        }
        EXPECT_LE(points.back().x() - points[points.size() - 2].x(), gap + 1e-9);
    }
}

INSTANTIATE_TEST_SUITE_P(Graph, GraphWindowThinning,
                         testing::Values(GraphWindow::kMaxPoints, GraphWindow::kMaxPoints + 1,
                                         std::size_t{12345}, std::size_t{100000}));

TEST(GraphWindow, ThinnedRunStaysThinnedWhenItBecomesThePreviousRun) {
    GraphWindow window;
    window.startRun(0.5);
    Feed(window, 100000);
    window.startRun(0.5);
    window.refreshNow();
    EXPECT_LE(window.previousSeries(Quantity::Vy)->count(),
              static_cast<qsizetype>(GraphWindow::kMaxPoints));
    EXPECT_GT(window.previousSeries(Quantity::Vy)->count(), 0);
}

TEST(GraphWindow, HiddenWindowOnlyBuffersUntilShown) {
    GraphWindow window;
    window.startRun(0.5);
    Feed(window, 250);
    EXPECT_FALSE(window.refreshPending());
    EXPECT_EQ(window.sampleCount(), 250u);
    for (const Quantity q : kAll) {
        EXPECT_EQ(window.currentSeries(q)->count(), 0);
    }

    window.show();
    EXPECT_EQ(window.plottedPoints(), 250u);

    // Visible: a tick schedules one update and further ticks share it.
    Feed(window, 10, 250);
    EXPECT_TRUE(window.refreshPending());
    EXPECT_EQ(window.plottedPoints(), 250u);
    window.refreshNow();
    EXPECT_FALSE(window.refreshPending());
    EXPECT_EQ(window.plottedPoints(), 260u);

    Feed(window, 5, 260);
    window.hide();
    EXPECT_FALSE(window.refreshPending());
    Feed(window, 5, 265);
    EXPECT_FALSE(window.refreshPending());
    EXPECT_EQ(window.plottedPoints(), 260u);
    window.show();
    EXPECT_EQ(window.plottedPoints(), 270u);
}

TEST(GraphWindow, NonFiniteValueIsLeftOutOfItsTraceOnly) {
    GraphWindow window;
    window.startRun(0.5);
    Feed(window, 3);
    TickSample bad = SampleAt(3);
    bad.vy = std::numeric_limits<double>::quiet_NaN();
    window.addSample(bad);
    window.refreshNow();
    EXPECT_EQ(window.sampleCount(), 4u);
    EXPECT_EQ(window.currentSeries(Quantity::Vy)->count(), 3);
    EXPECT_EQ(window.currentSeries(Quantity::Vx)->count(), 4);
    EXPECT_TRUE(std::isfinite(window.velocityAxis()->min()));
    EXPECT_TRUE(std::isfinite(window.velocityAxis()->max()));
}

}  // namespace
}  // namespace zorva
