#include "plot/axes.h"

#include <gtest/gtest.h>

#include "plot/recording_surface.h"

namespace zorva {
namespace {

// A client area one and a half times as wide as it is high.
SimulationState WideState() {
    SimulationState state;
    const BaseExtents base = ComputeBaseExtents(1800, 1200);
    state.BaseWidth = base.width;
    state.BaseHeight = base.height;
    return state;
}

TEST(BaseExtents, FollowTheClientShapeAndSumToOneFifth) {
    const BaseExtents base = ComputeBaseExtents(1800, 1200);
    EXPECT_NEAR(base.width, 0.12, 1e-15);
    EXPECT_NEAR(base.height, 0.08, 1e-15);
    const BaseExtents twips = ComputeBaseExtents(27000, 18000);
    EXPECT_DOUBLE_EQ(twips.width, base.width);
}

struct FrameRow {
    int k;
    double left, top, right, bottom;
};

class FrameForScale : public testing::TestWithParam<FrameRow> {};

TEST_P(FrameForScale, CornersAndFixedOrigin) {
    const FrameRow row = GetParam();
    const SimulationState state = WideState();
    RecordingSurface surface(1800, 1200, 15.0);
    SetFrameForScale(surface, state, row.k);
    EXPECT_NEAR(surface.ScaleLeft(), row.left, 1e-12);
    EXPECT_NEAR(surface.ScaleTop(), row.top, 1e-12);
    EXPECT_NEAR(surface.ScaleLeft() + surface.ScaleWidth(), row.right, 1e-12);
    EXPECT_NEAR(surface.ScaleTop() + surface.ScaleHeight(), row.bottom, 1e-12);
    // The world origin stays 20 % from the left and 20 % above the bottom.
    const PixelPoint origin = surface.Frame().toPixel({0, 0});
    EXPECT_NEAR(origin.x, 360, 1e-9);
    EXPECT_NEAR(origin.y, 960, 1e-9);
    // Isotropic: a unit is as many pixels along x as along y.
    EXPECT_NEAR(1800 / surface.ScaleWidth(), -1200 / surface.ScaleHeight(), 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Scales, FrameForScale,
                         testing::Values(FrameRow{1, -0.024, 0.064, 0.096, -0.016},
                                         FrameRow{7, -0.168, 0.448, 0.672, -0.112},
                                         FrameRow{20, -0.48, 1.28, 1.92, -0.32}));

TEST(Axes, StartUpAxesReachPastEveryEdge) {
    const SimulationState state = WideState();
    RecordingSurface surface;
    DrawStartupAxes(surface, state, surface.ForeColor);
    const auto& p = surface.primitives();
    ASSERT_EQ(p.size(), 2u);
    EXPECT_FLOAT_EQ(p[0].x1, -0.12f);
    EXPECT_FLOAT_EQ(p[0].x2, 0.12f);
    EXPECT_EQ(p[0].y1, 0.0f);
    EXPECT_FLOAT_EQ(p[1].y1, -0.08f);
    EXPECT_FLOAT_EQ(p[1].y2, 0.08f);
    EXPECT_EQ(p[0].colour, surface.ForeColor);
}

TEST(Axes, HorizontalAxisForScaleKEndsAtKTimesBaseHeight) {
    const SimulationState state = WideState();
    RecordingSurface surface;
    DrawAxes(surface, state, 3, surface.ForeColor);
    const auto& p = surface.primitives();
    ASSERT_EQ(p.size(), 2u);
    EXPECT_FLOAT_EQ(p[0].x1, -0.36f);
    EXPECT_FLOAT_EQ(p[0].x2, 0.24f);
    EXPECT_FLOAT_EQ(p[1].y1, -0.24f);
    EXPECT_FLOAT_EQ(p[1].y2, 0.24f);
}

}  // namespace
}  // namespace zorva
