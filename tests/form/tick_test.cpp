#include "form/tick.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "curve/curve.h"
#include "plot/axes.h"
#include "plot/curve_plot.h"
#include "plot/recording_surface.h"

namespace zorva {
namespace {

using Kind = Primitive::Kind;

constexpr double kStartX = 1.0 / 14.715;
constexpr double kSummit = 1.0 / 19.62;

// The state just after start-up on a 1920 × 1080 client and a "Time on"
// with the time-step bar at 1 and launch speed factor f.
struct TickRun {
    SimulationState state;
    TickMemory memory;
    RecordingSurface surface{1920, 1080, 15.0};
    TickSettings settings;

    explicit TickRun(double f = 2.0) {
        const BaseExtents base = ComputeBaseExtents(1920, 1080);
        state.BaseWidth = base.width;
        state.BaseHeight = base.height;
        SetFrameForScale(surface, state, 1);
        state.a = -1.0;
        state.b = 0.5;
        DrawStartupCurve(surface, state, 0.001, surface.ForeColor);
        state.VelX = state.VelX0 = f * state.a;
        state.VelY = state.VelY0 = f * state.b;
        state.TimeStep = 0.00005;
        state.StartX = kStartX;
        state.PosX = kStartX;
        state.PosY = 0.0;
        state.StepCount = 0;
        surface.forget();
    }

    TickOutcome tick() {
        surface.forget();
        return SimulationTick(state, memory, surface, settings);
    }

    bool drew(const std::string& text) const {
        return std::any_of(surface.primitives().begin(), surface.primitives().end(),
                           [&](const Primitive& p) { return p.text == text; });
    }
};

std::size_t IndexOf(const RecordingSurface& s, const std::string& text) {
    const auto& p = s.primitives();
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (p[i].text == text) {
            return i;
        }
    }
    return p.size();
}

TEST(Tick, FirstTickAfterTimeOnDrawsNoForce) {
    TickRun run;
    ASSERT_EQ(run.tick(), TickOutcome::Drawn);
    EXPECT_EQ(run.state.StepCount, 1);
    EXPECT_FALSE(run.drew("       total FORCE"));
    EXPECT_TRUE(run.drew("       V"));
    EXPECT_TRUE(run.drew("       Vx,  Vy"));
    const auto& p = run.surface.primitives();
    for (const Primitive& item : p) {
        EXPECT_FALSE(item.colour == RGB(0, 0, 0) && item.width == 3) << "a total-force stroke";
    }
    // Summit marker, trace point, then the wide white erasers.
    ASSERT_GE(p.size(), 4u);
    EXPECT_EQ(p[0].kind, Kind::Dot);
    EXPECT_EQ(p[0].colour, RGB(0, 255, 255));
    EXPECT_EQ(p[0].width, 15);
    EXPECT_FLOAT_EQ(p[0].y1, static_cast<float>(kSummit));
    EXPECT_EQ(p[1].colour, RGB(0, 255, 0));
    EXPECT_EQ(p[1].width, 1);
    // At the very first run the curvature eraser runs from the body to the origin.
    EXPECT_EQ(p[2].colour, RGB(255, 255, 255));
    EXPECT_EQ(p[2].width, 55);
    EXPECT_EQ(p[2].x2, 0.0f);
    EXPECT_EQ(p[3].kind, Kind::Circle);
    EXPECT_EQ(p[3].radius, 0.0f);
    // The curve repair is drawn in the foreground colour, black here.
    EXPECT_EQ(p[4 + 9].colour, RGB(0, 0, 0));
    EXPECT_EQ(p[4 + 9].width, 2);
}

class SecondTick : public testing::TestWithParam<int> {};

TEST_P(SecondTick, ForceErasersComeBeforeTheTotalForceWhateverTheBoxes) {
    TickRun run;
    const int boxes = GetParam();
    run.settings.display = {1, boxes & 1, (boxes >> 1) & 1, (boxes >> 2) & 1};
    run.tick();
    run.tick();
    const auto& p = run.surface.primitives();
    const std::size_t label = IndexOf(run.surface, "       total FORCE");
    ASSERT_LT(label, p.size());
    // Just before the label: the black total force, and before it the 17
    // white strokes of the seven force erasers.
    for (std::size_t i = label - 3; i < label; ++i) {
        EXPECT_EQ(p[i].colour, RGB(0, 0, 0));
        EXPECT_EQ(p[i].width, 3);
    }
    for (std::size_t i = label - 20; i < label - 3; ++i) {
        EXPECT_EQ(p[i].colour, RGB(255, 255, 255));
        EXPECT_EQ(p[i].width, 55);
    }
    // The curve repair follows in the blue the force display left.
    const std::size_t repair = IndexOf(run.surface, "       V") - 7;
    EXPECT_EQ(p[repair - 1].colour, RGB(0, 0, 255));
    EXPECT_EQ(p[repair - 1].width, 2);
    EXPECT_EQ(run.state.StepCount, 2);
}

INSTANTIATE_TEST_SUITE_P(EveryBoxCombination, SecondTick, testing::Range(0, 8));

TEST(Tick, EndsWithTheCircleOfCurvatureAndTheAxes) {
    TickRun run;
    run.tick();
    const auto& p = run.surface.primitives();
    const std::size_t n = p.size();
    EXPECT_EQ(p[n - 5].kind, Kind::Dot);
    EXPECT_EQ(p[n - 5].width, 14);
    EXPECT_EQ(p[n - 4].kind, Kind::Line);
    EXPECT_EQ(p[n - 3].kind, Kind::Circle);
    const double r = CurvatureRadius(-1.0, 0.5, run.state.PosX);
    EXPECT_NEAR(p[n - 3].radius, r, 1e-6);
    EXPECT_NEAR(run.memory.LastRadius, r, 1e-12);
    EXPECT_FLOAT_EQ(p[n - 2].x2, static_cast<float>(run.state.BaseHeight));
    EXPECT_FLOAT_EQ(p[n - 1].y2, static_cast<float>(run.state.BaseHeight));
}

TEST(Tick, KeepsTheBodyOnTheCurve) {
    TickRun run;
    for (int i = 0; i < 200; ++i) {
        run.tick();
        ASSERT_EQ(run.state.PosX, CurveX(-1.0, 0.5, run.state.PosY)) << i;
    }
}

TEST(Tick, StopTestDrawsNothingAndLeavesTheCountAndMemory) {
    TickRun run;
    run.tick();
    run.state.PosY = kSummit * 0.9995;
    run.state.PosX = CurveX(-1.0, 0.5, run.state.PosY);
    run.state.VelX = 0.0;
    run.state.VelY = 0.0;
    const TickMemory before = run.memory;
    EXPECT_EQ(run.tick(), TickOutcome::Stopped);
    EXPECT_TRUE(run.surface.primitives().empty());
    EXPECT_EQ(run.state.StepCount, 1);
    EXPECT_EQ(run.memory.LastX, before.LastX);
    EXPECT_EQ(run.memory.LastFx, before.LastFx);
    EXPECT_EQ(run.memory.LastRadius, before.LastRadius);
    EXPECT_EQ(run.state.PosX, CurveX(-1.0, 0.5, run.state.PosY));
}

TEST(Tick, NoSpeedLeftTurnsTheBodyBackForGood) {
    TickRun run(0.0);  // launched with no speed: v0² = 0 at the start height
    run.tick();
    EXPECT_TRUE(run.state.TurnedBack);
    EXPECT_EQ(run.state.VelX, 0.0);
    for (int i = 0; i < 50; ++i) {
        const double s0 = CurveSlope(-1.0, 0.5, run.state.PosX);
        run.tick();
        ASSERT_GE(run.state.VelX, 0.0);
        ASSERT_EQ(run.state.VelY, run.state.VelX * s0);
    }
    EXPECT_LT(run.state.PosY, 0.0);  // sliding down
}

TEST(Tick, AHorizontalVelocityThatChangesSignBecomesZero) {
    TickRun run;
    run.state.VelX = 1.0;  // to the right, while the slope sends the body left
    run.state.VelY = 0.25;
    run.tick();
    EXPECT_EQ(run.state.VelX, 0.0);
    EXPECT_NE(run.state.VelY, 0.0);  // the vertical part is left alone
    // The next tick integrates from that zero.
    const double vy = run.state.VelY;
    run.tick();
    EXPECT_EQ(run.memory.StateIn[0], 0.0);
    EXPECT_EQ(run.memory.StateIn[1], vy);
}

TEST(Tick, LandingAtTheCuspPutsTheCentreThereWithNoRadius) {
    TickRun run;
    run.tick();
    run.tick();
    run.state.PosY = kSummit * 1.5;  // above the summit: the inverse fails to x = 0
    run.state.VelY = 0.0;
    ASSERT_EQ(run.tick(), TickOutcome::Drawn);
    EXPECT_EQ(run.state.PosX, 0.0);
    EXPECT_EQ(run.memory.LastCentreX, 0.0);
    EXPECT_DOUBLE_EQ(run.memory.LastCentreY, kSummit);
    EXPECT_EQ(run.memory.LastRadius, 0.0);
    EXPECT_EQ(run.memory.LastFx, 0.0);
    EXPECT_DOUBLE_EQ(run.memory.LastFy, -9.81);
    // A tick that starts there finds no slope: both velocities vanish, though
    // the body has speed left and has not turned.
    run.tick();
    EXPECT_EQ(run.state.VelX, 0.0);
    EXPECT_EQ(run.state.VelY, 0.0);
    EXPECT_FALSE(run.state.TurnedBack);
}

TEST(WholeRun, AtTheRightLaunchSpeedTheVerticalSpeedStaysConstantToTheSummit) {
    TickRun run(1.0);
    int ticks = 0;
    while (run.tick() == TickOutcome::Drawn) {
        ASSERT_NEAR(run.state.VelY, 0.5, 1e-9) << "tick " << ticks;
        ASSERT_LT(++ticks, 10000);
    }
    EXPECT_NEAR(run.state.PosY, kSummit, 0.001 * kSummit);
    // 0.05097 m at 0.5 m/s in steps of 50 µs.
    EXPECT_NEAR(ticks, kSummit / 0.5 / 0.00005, 3);
}

TEST(WholeRun, TooLittleLaunchSpeedTurnsBackAndNeverStops) {
    TickRun run(0.5);
    for (int i = 0; i < 20000; ++i) {
        ASSERT_EQ(run.tick(), TickOutcome::Drawn) << i;
    }
    EXPECT_TRUE(run.state.TurnedBack);
    EXPECT_GT(run.state.VelX, 0.0);
    EXPECT_LT(run.state.PosY, 0.0);
}

}  // namespace
}  // namespace zorva
