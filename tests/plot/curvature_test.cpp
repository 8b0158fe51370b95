#include "plot/curvature.h"

#include <gtest/gtest.h>

#include "curve/curve.h"
#include "plot/recording_surface.h"

namespace zorva {
namespace {

using Kind = Primitive::Kind;

SimulationState Curve() {
    SimulationState state;
    state.a = -1.0;
    state.b = 0.5;
    return state;
}

struct ClickRow {
    const char* name;
    float x;
    float y;
    double centreX;
    double centreY;
    double radius;
};

class ClickNearTheCurve : public testing::TestWithParam<ClickRow> {};

TEST_P(ClickNearTheCurve, DrawsCentreSegmentAndCircleOnTheNormalThroughTheClick) {
    const ClickRow row = GetParam();
    RecordingSurface surface;
    DrawClickCurvature(surface, Curve(), row.x, row.y);
    const auto& p = surface.primitives();
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[0].kind, Kind::Dot);
    EXPECT_EQ(p[0].width, 4);
    EXPECT_NEAR(p[0].x1, row.centreX, 1e-5);
    EXPECT_NEAR(p[0].y1, row.centreY, 1e-5);
    EXPECT_EQ(p[1].kind, Kind::Line);
    EXPECT_EQ(p[1].width, 1);
    EXPECT_EQ(p[1].x1, row.x);
    EXPECT_EQ(p[1].y1, row.y);
    EXPECT_EQ(p[1].x2, p[0].x1);
    EXPECT_EQ(p[2].kind, Kind::Circle);
    EXPECT_NEAR(p[2].radius, row.radius, 1e-5);
    for (const Primitive& item : p) {
        EXPECT_EQ(item.colour, surface.ForeColor);
    }
    EXPECT_EQ(surface.DrawWidth, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Clicks, ClickNearTheCurve,
    testing::Values(
        ClickRow{"StartPoint", static_cast<float>(1 / 14.715), 0.0f, 0.322800, 0.509684, 0.569844},
        ClickRow{"OnTheCurve", 0.05f, 0.0094295f, 0.246013, 0.363338, 0.404564},
        // At the cusp and left of it there is no radius: the circle
        // shrinks to the click point.
        ClickRow{"AtTheCusp", 0.0f, 0.05f, 0.0, 0.05, 0.0},
        ClickRow{"LeftOfTheCusp", -0.05f, 0.0094295f, -0.05, 0.0094295, 0.0},
        // Exactly at the reach, 0.05 above the curve to single precision,
        // still counts.
        ClickRow{"AtTheReach", 0.05f, static_cast<float>(CurveHeight(-1.0, 0.5, 0.05f) + 0.05),
                 0.246013, 0.363338 + 0.05, 0.404564}),
    [](const testing::TestParamInfo<ClickRow>& info) { return info.param.name; });

TEST(ClickFarFromTheCurve, DrawsNothing) {
    for (float dy : {0.06f, -0.06f}) {
        RecordingSurface surface;
        DrawClickCurvature(surface, Curve(), 0.05f, 0.0094295f + dy);
        EXPECT_TRUE(surface.primitives().empty()) << dy;
    }
}

}  // namespace
}  // namespace zorva
