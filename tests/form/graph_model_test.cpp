#include "form/graph_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "tests/form/graphed_program.h"

namespace zorva {
namespace {

using Quantity = GraphModel::Quantity;
using Chart = GraphModel::Chart;
using Point = GraphModel::Point;
using Axis = GraphModel::Axis;
using Program = GraphedProgram<GraphModel>;

constexpr int kNeverEndingPoltax = 5;

// Sample i of the current run as the form logged it, as a point of q.
Point Logged(const Program& p, std::size_t i, Quantity q) {
    const TickSample& s = p.form.Log().rows().at(i);
    const double values[] = {s.vy, s.vx, s.speed, s.y};
    return {s.t, values[static_cast<std::size_t>(q)]};
}

// A plot area taller than the velocity chart gets on a full-HD screen: a
// pixel of it is less than any gap between two lines a student could see.
constexpr double kChartHeightPx = 1000.0;

class GraphModelReference : public testing::TestWithParam<int> {};

// At POLTAX 10 the launch gives the isochrone's own speed: vy stays on the
// dashed line to within a pixel all the way to the summit. Other speeds
// leave it visibly.
TEST_P(GraphModelReference, VyLiesOnTheDashedLineOnlyAtTheIsochroneSpeed) {
    const int poltax = GetParam();
    Program p;
    p.run(poltax);
    ASSERT_FALSE(p.form.Timer1.Active()) << "the body should reach the summit";
    const double reference = p.graphs.referenceVy();
    EXPECT_EQ(reference, 0.05 * poltax);
    const Axis velocity = p.graphs.valueAxis(Chart::Velocity);
    const double pixel = (velocity.max - velocity.min) / kChartHeightPx;
    double worst = 0.0;
    for (const Point& point : p.graphs.currentTrace(Quantity::Vy)) {
        worst = std::max(worst, std::abs(point.value - reference));
    }
    EXPECT_EQ(worst <= pixel, poltax == 10) << worst << " m/s off; a pixel is " << pixel;
    const Axis time = p.graphs.timeAxis();
    EXPECT_EQ(p.graphs.referenceLine(),
              (std::vector<Point>{{time.min, reference}, {time.max, reference}}));
}

INSTANTIATE_TEST_SUITE_P(Graph, GraphModelReference, testing::Values(10, 9, 11, 20));

TEST(GraphModel, TimeOnKeepsThePreviousRunFaded) {
    Program p;
    EXPECT_TRUE(p.graphs.referenceLine().empty());
    p.run(20);
    EXPECT_FALSE(p.graphs.hasPrevious());
    const GraphModel twenty = p.graphs;
    p.run(10);
    EXPECT_TRUE(p.graphs.hasPrevious());
    for (const Quantity q : GraphModel::kQuantities) {
        EXPECT_EQ(p.graphs.previousTrace(q), twenty.currentTrace(q));
    }
    // A "Time on" with no tick before the next leaves nothing to compare
    // with: the POLTAX 10 run stays the faded one.
    const GraphModel ten = p.graphs;
    p.form.Command1.Press();
    p.form.Command1.Press();
    EXPECT_EQ(p.graphs.sampleCount(), 0u);
    for (const Quantity q : GraphModel::kQuantities) {
        EXPECT_EQ(p.graphs.previousTrace(q), ten.currentTrace(q));
    }
}

// A run that never reaches the summit is thinned: at most kMaxPoints
// points, every stride-th sample and evenly spread, from the first sample
// to the latest.
class GraphModelThinning : public testing::TestWithParam<std::size_t> {};

TEST_P(GraphModelThinning, KeepsAtMostTheLimitEvenlyAndBothEnds) {
    const std::size_t n = GetParam();
    Program p;
    p.run(kNeverEndingPoltax, n);
    ASSERT_EQ(p.graphs.sampleCount(), n);
    for (const Quantity q : GraphModel::kQuantities) {
        const std::vector<Point> points = p.graphs.currentTrace(q);
        ASSERT_LE(points.size(), GraphModel::kMaxPoints);
        ASSERT_GE(points.size(), std::min(n, GraphModel::kMaxPoints / 2));
        const auto stride =
            static_cast<std::size_t>(std::lround((points[1].t - points[0].t) / p.state.TimeStep));
        for (std::size_t i = 0; i + 1 < points.size(); ++i) {
            ASSERT_EQ(points[i], Logged(p, i * stride, q)) << i;
        }
        EXPECT_EQ(points.back(), Logged(p, n - 1, q));
        EXPECT_LE(n - 1 - (points.size() - 2) * stride, stride) << "a gap before the latest";
    }
}

INSTANTIATE_TEST_SUITE_P(Graph, GraphModelThinning,
                         testing::Values(GraphModel::kMaxPoints - 1, GraphModel::kMaxPoints,
                                         GraphModel::kMaxPoints + 1, std::size_t{12345}));

// An axis as the charts need it: a 1, 2 or 5 step, ends on whole steps, a
// handful of ticks, and labels that tell the ticks apart with no decimal
// to spare.
void ExpectReadable(const Axis& axis) {
    const double m = axis.step / std::pow(10.0, std::floor(std::log10(axis.step) + 1e-9));
    EXPECT_NEAR(m, m < 1.5 ? 1.0 : m < 3.5 ? 2.0 : 5.0, 1e-9) << axis.step;
    const double intervals = (axis.max - axis.min) / axis.step;
    EXPECT_NEAR(intervals, std::round(intervals), 1e-6);
    EXPECT_NEAR(axis.min / axis.step, std::round(axis.min / axis.step), 1e-6);
    EXPECT_TRUE(intervals >= 3.0 && intervals <= 10.0) << intervals;
    EXPECT_GE(axis.step * std::pow(10.0, axis.decimals), 1.0 - 1e-9) << axis.decimals;
    EXPECT_TRUE(axis.decimals == 0 || axis.step * std::pow(10.0, axis.decimals - 1) < 1.0);
}

class GraphModelAxes : public testing::TestWithParam<std::vector<int>> {};

// The axes take in every point of both runs: given POLTAX values, one run
// each (the last one current), each stopped after 12345 ticks at most. At
// POLTAX 30, vx starts a rounding error beyond -3, on the frame.
TEST_P(GraphModelAxes, FitTheTracesOfBothRuns) {
    Program p;
    for (const int poltax : GetParam()) {
        p.run(poltax, 12345);
    }
    const Axis time = p.graphs.timeAxis();
    ExpectReadable(time);
    EXPECT_EQ(time.min, 0.0);
    for (const Quantity q : GraphModel::kQuantities) {
        const Axis axis = p.graphs.valueAxis(GraphModel::ChartOf(q));
        ExpectReadable(axis);
        std::vector<Point> points = p.graphs.currentTrace(q);
        points.insert(points.end(), p.graphs.previousTrace(q).begin(),
                      p.graphs.previousTrace(q).end());
        for (const Point& point : points) {
            ASSERT_LE(point.t, time.max);
            const double slack = 1e-9 * axis.step;
            ASSERT_TRUE(point.value >= axis.min - slack && point.value <= axis.max + slack)
                << point.value << " outside " << axis.min << ".." << axis.max;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Graph, GraphModelAxes,
                         testing::Values(std::vector<int>{20, 10}, std::vector<int>{30},
                                         std::vector<int>{1},
                                         std::vector<int>{kNeverEndingPoltax, 10}));

TickSample Flat(double t, double v) {
    TickSample s;
    s.t = t;
    s.vx = s.vy = s.speed = s.y = v;
    return s;
}

// Nothing to fit, the reference alone, or traces that lie flat still give
// axes with height, with the line inside rather than on the frame; a value
// that is not finite is left out of its trace only.
TEST(GraphModel, FlatMissingOrNonFiniteDataKeepsAVisibleBand) {
    GraphModel graphs;
    const auto expectInside = [&](Chart chart, double v) {
        EXPECT_LT(graphs.valueAxis(chart).min, v);
        EXPECT_GT(graphs.valueAxis(chart).max, v);
    };
    expectInside(Chart::Height, 0.0);
    EXPECT_GE(graphs.timeAxis().max, 0.001);
    graphs.startRun(3.0);
    expectInside(Chart::Velocity, 3.0);
    graphs.startRun(0.5);
    for (int i = 0; i < 200; ++i) {
        graphs.addSample(Flat(i * 0.00005, 0.5));
    }
    TickSample bad = Flat(0.01, 0.5);
    bad.vy = std::numeric_limits<double>::quiet_NaN();
    graphs.addSample(bad);
    graphs.addSample(Flat(std::numeric_limits<double>::infinity(), 0.5));
    EXPECT_EQ(graphs.currentTrace(Quantity::Vy).size(), 200u);
    EXPECT_EQ(graphs.currentTrace(Quantity::Vx).size(), 201u);
    EXPECT_DOUBLE_EQ(graphs.timeAxis().max, 0.01);
    for (const Chart chart : {Chart::Velocity, Chart::Height}) {
        expectInside(chart, 0.5 - 0.01);
        expectInside(chart, 0.5 + 0.01);
        EXPECT_LT(graphs.valueAxis(chart).max - graphs.valueAxis(chart).min, 0.5)
            << "a flat line should not be lost in a wide band";
    }
}

}  // namespace
}  // namespace zorva
