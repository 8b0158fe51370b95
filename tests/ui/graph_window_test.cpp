#include "ui/graph_window.h"

#include <gtest/gtest.h>

#include <QChartView>
#include <QLineSeries>
#include <QValueAxis>
#include <functional>
#include <vector>

#include "tests/form/graphed_program.h"

namespace zorva {
namespace {

using Quantity = GraphModel::Quantity;
using Point = GraphModel::Point;

// The runs graphed both in the window and in a model of its own.
struct WindowAndModel {
    GraphWindow window;
    GraphModel model;
    void startRun(double vy) {
        window.startRun(vy);
        model.startRun(vy);
    }
    void addSample(const TickSample& s) {
        window.addSample(s);
        model.addSample(s);
    }

    // The charts show the model's traces, reference line and axes. The
    // axes widen the range by a millionth of a step to keep the end ticks.
    void expectChartsShowTheModel() const {
        const auto points = [](const QLineSeries* series) {
            std::vector<Point> list;
            for (const QPointF& p : series->points()) {
                list.push_back({p.x(), p.y()});
            }
            return list;
        };
        for (const Quantity q : GraphModel::kQuantities) {
            EXPECT_EQ(points(window.currentSeries(q)), model.currentTrace(q));
            EXPECT_EQ(points(window.previousSeries(q)), model.previousTrace(q));
        }
        EXPECT_EQ(points(window.referenceLine()), model.referenceLine());
        EXPECT_EQ(window.referenceLine()->isVisible(), model.hasRun());
        const auto expectAxis = [](const QValueAxis* axis, const GraphModel::Axis& fitted) {
            EXPECT_NEAR(axis->min(), fitted.min, 2e-6 * fitted.step);
            EXPECT_NEAR(axis->max(), fitted.max, 2e-6 * fitted.step);
            EXPECT_EQ(axis->tickInterval(), fitted.step);
            EXPECT_EQ(axis->labelFormat(), QStringLiteral("%.%1f").arg(fitted.decimals));
        };
        expectAxis(window.timeAxis(), model.timeAxis());
        expectAxis(window.velocityAxis(), model.valueAxis(GraphModel::Chart::Velocity));
        expectAxis(window.heightAxis(), model.valueAxis(GraphModel::Chart::Height));
    }
};
using Program = GraphedProgram<WindowAndModel>;

TEST(GraphWindow, OpensAsItsOwnDescribedWindow) {
    QWidget owner;
    GraphWindow window(&owner);
    EXPECT_TRUE(window.isWindow());
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(window.windowTitle().contains("graphs"));
    EXPECT_FALSE(window.accessibleName().isEmpty());
    EXPECT_FALSE(window.accessibleDescription().isEmpty());
    const QList<QChartView*> views = window.findChildren<QChartView*>();
    EXPECT_EQ(views.size(), 2);
    for (const QChartView* view : views) {
        EXPECT_FALSE(view->accessibleName().isEmpty());
        EXPECT_FALSE(view->accessibleDescription().isEmpty());
    }
    EXPECT_EQ(window.velocityAxis()->titleText(), "velocity (m/s)");
    EXPECT_EQ(window.heightAxis()->titleText(), "height y (m)");
}

// Runs to the summit, a "Time on" with no tick, a long run thinned and then
// faded behind a short one: each time, the charts show the model's picture.
TEST(GraphWindow, ChartsShowTheModelOfTheSameRuns) {
    Program p;
    const std::function<void()> steps[] = {
        [] {},
        [&] {
            p.run(20);
            p.run(10);
        },
        [&] { p.form.Command1.Press(); },
        [&] { p.run(5, 12345); },
        [&] { p.run(10); },
    };
    for (const auto& step : steps) {
        step();
        p.graphs.window.refreshNow();
        p.graphs.expectChartsShowTheModel();
    }
    EXPECT_EQ(p.graphs.window.referenceLine()->name(), "vy at launch (0.50 m/s)");
}

TEST(GraphWindow, HiddenWindowOnlyBuffersUntilShown) {
    Program p;
    GraphWindow& window = p.graphs.window;
    p.run(10, 250);
    EXPECT_FALSE(window.refreshPending());
    EXPECT_EQ(window.sampleCount(), 250u);
    EXPECT_EQ(window.plottedPoints(), 0u);

    window.show();
    EXPECT_EQ(window.plottedPoints(), 250u);
    p.graphs.expectChartsShowTheModel();

    // Visible: a tick schedules one update and further ticks share it.
    p.tick(10);
    EXPECT_TRUE(window.refreshPending());
    EXPECT_EQ(window.plottedPoints(), 250u);
    window.refreshNow();
    EXPECT_FALSE(window.refreshPending());
    EXPECT_EQ(window.plottedPoints(), 260u);

    p.tick(5);
    window.hide();
    EXPECT_FALSE(window.refreshPending());
    p.tick(5);
    EXPECT_FALSE(window.refreshPending());
    EXPECT_EQ(window.plottedPoints(), 260u);
    window.show();
    EXPECT_EQ(window.plottedPoints(), 270u);
}

}  // namespace
}  // namespace zorva
