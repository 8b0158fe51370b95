#include "plot/arrow.h"

#include <gtest/gtest.h>

#include <cmath>

#include "plot/recording_surface.h"

namespace zorva {
namespace {

// A visible world area 1.0 wide and 0.75 high: D = 0.25 and barbs 1/60 long.
constexpr double kBarb = 1.0 / 60.0;
constexpr double kCos30 = 0.8660254037844386;

struct ArrowRow {
    const char* name;
    double dx;
    double dy;
    // Barb end points relative to the tip, in barb lengths.
    double p1x, p1y, p2x, p2y;
};

class DrawArrowCases : public testing::TestWithParam<ArrowRow> {};

TEST_P(DrawArrowCases, ShaftThenTwoBarbsInTheColour) {
    const ArrowRow row = GetParam();
    RecordingSurface surface(800, 600, 15.0);
    surface.Scale(0.0, 0.75, 1.0, 0.0);
    surface.DrawWidth = 3;
    SimulationState state;
    const double x0 = 0.5;
    const double y0 = 0.4;
    DrawArrow(state, x0, y0, row.dx, row.dy, surface, 10, 20, 30);

    EXPECT_DOUBLE_EQ(state.Pi, 4.0 * std::atan(1.0));
    const auto& p = surface.primitives();
    ASSERT_EQ(p.size(), 3u);
    const float tipX = static_cast<float>(x0 + row.dx);
    const float tipY = static_cast<float>(y0 + row.dy);
    EXPECT_EQ(p[0].x1, static_cast<float>(x0));
    EXPECT_EQ(p[0].y1, static_cast<float>(y0));
    EXPECT_EQ(p[0].x2, tipX);
    EXPECT_EQ(p[0].y2, tipY);
    const double barbs[2][2] = {{row.p1x, row.p1y}, {row.p2x, row.p2y}};
    for (int i = 0; i < 2; ++i) {
        const Primitive& barb = p[1 + i];
        EXPECT_EQ(barb.x1, tipX);
        EXPECT_EQ(barb.y1, tipY);
        EXPECT_NEAR(barb.x2, tipX + barbs[i][0] * kBarb, 1e-6) << "barb " << i + 1;
        EXPECT_NEAR(barb.y2, tipY + barbs[i][1] * kBarb, 1e-6) << "barb " << i + 1;
    }
    for (const Primitive& line : p) {
        EXPECT_EQ(line.kind, Primitive::Kind::Line);
        EXPECT_EQ(line.colour, RGB(10, 20, 30));
        EXPECT_EQ(line.width, 3);
    }
}

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, DrawArrowCases,
    testing::Values(ArrowRow{"Right", 0.1, 0.0, -kCos30, -0.5, -kCos30, 0.5},
                    ArrowRow{"Left", -0.1, 0.0, kCos30, -0.5, kCos30, 0.5},
                    ArrowRow{"Up", 0.0, 0.1, 0.5, -kCos30, -0.5, -kCos30},
                    ArrowRow{"Down", 0.0, -0.1, 0.5, kCos30, -0.5, kCos30},
                    // A zero vector: a small head pointing up, apex on the tail.
                    ArrowRow{"Zero", 0.0, 0.0, 0.5, -kCos30, -0.5, -kCos30}),
    [](const testing::TestParamInfo<ArrowRow>& info) { return info.param.name; });

TEST(DrawArrow, HeadKeepsItsSizeOnScreenAtEveryScale) {
    SimulationState state;
    RecordingSurface near(800, 600, 15.0);
    near.Scale(0.0, 0.75, 1.0, 0.0);
    RecordingSurface far(800, 600, 15.0);
    far.Scale(0.0, 15.0, 20.0, 0.0);
    DrawArrow(state, 0.2, 0.2, 0.1, 0.05, near, 0, 0, 0);
    DrawArrow(state, 0.2, 0.2, 0.1, 0.05, far, 0, 0, 0);
    const auto barbLength = [](const Primitive& p) { return std::hypot(p.x2 - p.x1, p.y2 - p.y1); };
    EXPECT_NEAR(barbLength(far.primitives()[1]) / barbLength(near.primitives()[1]), 20.0, 1e-4);
}

TEST(DrawArrow, TheSameCallInWhiteCoversTheSameSegments) {
    SimulationState state;
    RecordingSurface surface(800, 600, 15.0);
    surface.Scale(0.0, 0.75, 1.0, 0.0);
    DrawArrow(state, 0.3, 0.3, -0.02, 0.07, surface, 0, 0, 0);
    DrawArrow(state, 0.3, 0.3, -0.02, 0.07, surface, 255, 255, 255);
    const auto& p = surface.primitives();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(p[i].x1, p[i + 3].x1);
        EXPECT_EQ(p[i].y1, p[i + 3].y1);
        EXPECT_EQ(p[i].x2, p[i + 3].x2);
        EXPECT_EQ(p[i].y2, p[i + 3].y2);
        EXPECT_EQ(p[i + 3].colour, RGB(255, 255, 255));
    }
}

}  // namespace
}  // namespace zorva
