#include "plot/curve_plot.h"

#include <gtest/gtest.h>

#include "plot/recording_surface.h"

namespace zorva {
namespace {

constexpr Colour kRed = RGB(255, 0, 0);

TEST(StartupCurve, RecordsItsSamplesAndDrawsInTheForegroundColour) {
    SimulationState state;
    state.a = -1.0;
    state.b = 0.5;
    RecordingSurface surface;
    DrawStartupCurve(surface, state, 0.001, surface.ForeColor);

    EXPECT_DOUBLE_EQ(state.PlotX[1], 0.001);
    EXPECT_NEAR(state.PlotY[1], 0.047908, 1e-6);
    EXPECT_DOUBLE_EQ(state.PlotX[100], 0.1);
    EXPECT_NEAR(state.PlotY[100], -0.014970, 1e-6);
    EXPECT_EQ(state.PlotX[0], 0.0);
    EXPECT_EQ(state.PlotY[0], 0.0);
    for (int i = 101; i < kPlotSlots; ++i) {
        ASSERT_EQ(state.PlotX[i], 0.0);
        ASSERT_EQ(state.PlotY[i], 0.0);
    }
    const auto& p = surface.primitives();
    ASSERT_EQ(p.size(), 100u);
    EXPECT_EQ(p[0].x1, 0.0f);
    EXPECT_FLOAT_EQ(p[0].y1, static_cast<float>(1.0 / 19.62));
    for (const Primitive& line : p) {
        EXPECT_EQ(line.colour, RGB(0, 0, 0));
    }
}

struct DrawCurveRow {
    int poltax;
    int vimaxrono;
    double endX;
    double endY;
};

class DrawCurveCases : public testing::TestWithParam<DrawCurveRow> {};

TEST_P(DrawCurveCases, ResetsTheRunAndDrawsAxesThenTheRedCurve) {
    const DrawCurveRow row = GetParam();
    SimulationState state;
    state.PlotX[5] = 42.0;
    state.VelX = 7.0;
    RecordingSurface surface;
    surface.DrawWidth = 2;
    DrawCurve(surface, state, {row.poltax, row.vimaxrono, 1});

    EXPECT_EQ(state.a, -1.0);
    EXPECT_EQ(state.b, 0.5);
    EXPECT_DOUBLE_EQ(state.VelX, -row.poltax / 10.0);
    EXPECT_DOUBLE_EQ(state.VelY, row.poltax / 20.0);
    EXPECT_EQ(state.VelX0, state.VelX);
    EXPECT_EQ(state.VelY0, state.VelY);
    EXPECT_EQ(state.PlotX[5], 42.0);  // the start-up samples are left alone

    const auto& p = surface.primitives();
    ASSERT_EQ(p.size(), 102u);
    EXPECT_EQ(p[0].colour, RGB(0, 0, 0));  // the two axes come first
    EXPECT_EQ(p[1].colour, RGB(0, 0, 0));
    for (std::size_t i = 2; i < p.size(); ++i) {
        ASSERT_EQ(p[i].colour, kRed);
        ASSERT_EQ(p[i].width, 2);  // whatever width the last drawing left
    }
    EXPECT_FLOAT_EQ(p.back().x2, static_cast<float>(row.endX));
    EXPECT_NEAR(p.back().y2, row.endY, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Bars, DrawCurveCases,
                         testing::Values(DrawCurveRow{20, 1, 0.1, -0.014970},
                                         DrawCurveRow{10, 10, 1.0, -0.255092},
                                         DrawCurveRow{1, 5, 0.5, -0.141838}));

}  // namespace
}  // namespace zorva
