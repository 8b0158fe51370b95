#include "form/tick.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "canvas/pixel_surface.h"
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

TEST(Tick, FirstTickAfterTimeOnDrawsNoForce) {
    TickRun run;
    ASSERT_EQ(run.tick(), TickOutcome::Drawn);
    EXPECT_EQ(run.state.StepCount, 1);
    EXPECT_FALSE(run.drew("       total FORCE"));
    EXPECT_TRUE(run.drew("       V"));
    EXPECT_TRUE(run.drew("       Vx,  Vy"));
    for (const Primitive& item : run.surface.primitives()) {
        EXPECT_FALSE(item.colour == RGB(0, 0, 0) && item.width == 3) << "a total-force stroke";
    }
}

TEST(Tick, DrawsTheCircleOfCurvatureAtTheBodyAndRemembersIt) {
    TickRun run;
    run.tick();
    const double r = CurvatureRadius(-1.0, 0.5, run.state.PosX);
    EXPECT_NEAR(run.memory.LastRadius, r, 1e-12);
    const auto& p = run.surface.primitives();
    EXPECT_TRUE(std::any_of(p.begin(), p.end(), [&](const Primitive& item) {
        return item.kind == Kind::Circle && item.colour != RGB(255, 255, 255) &&
               std::abs(item.radius - r) < 1e-6;
    }));
}

// Draws nothing: the labels are left out of the pictures compared here.
class NoText : public TextPainter {
  public:
    PixelBox paint(const ImageView&, std::string_view, double, double, std::uint32_t, bool,
                   const PixelBox&) override {
        return {};
    }
    double lineHeight() const override { return 16.0; }
};

// A client area the window is resized to between two ticks; 0 × 0 for none.
struct ClientSize {
    int width = 0;
    int height = 0;
};

void PrintTo(const ClientSize& size, std::ostream* out) {
    *out << size.width << "x" << size.height;
}

// Whatever a tick draws in colour, the next tick paints over in white, but
// for the trace, the curve, and what it draws again exactly where it was
// (the legend, the summit marker, the axes) and the labels. Shown by painting
// the first tick's coloured strokes and then the next tick's white ones on a
// white image, which must stay white. A resize in between changes the visible
// world area, and with it the size of the arrowheads drawn from then on.
class NextTick : public testing::TestWithParam<std::tuple<int, int, ClientSize>> {};

TEST_P(NextTick, PaintsOverInWhiteWhatTheTickBeforeDrewInColour) {
    const auto [boxes, at, resize] = GetParam();
    TickRun run;
    run.settings.display = {1, boxes & 1, (boxes >> 1) & 1, (boxes >> 2) & 1};
    for (int i = 1; i < at; ++i) {
        run.tick();
    }
    const std::vector<Primitive> before = run.surface.primitives();
    const WorldFrame frame = run.surface.Frame();
    if (resize.width > 0) {
        run.surface.Resize(resize.width, resize.height);
    }
    run.tick();
    const std::vector<Primitive>& after = run.surface.primitives();
    const auto same = [](const Primitive& a, const Primitive& b) {
        return a.kind == b.kind && a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2 &&
               a.radius == b.radius && a.colour == b.colour && a.width == b.width &&
               a.style == b.style;
    };
    const auto onCurve = [&](float x, float y) {
        for (std::size_t i = 1; i < run.state.PlotX.size(); ++i) {
            if (x == static_cast<float>(run.state.PlotX[i]) &&
                y == static_cast<float>(run.state.PlotY[i])) {
                return true;
            }
        }
        return false;
    };
    const auto kept = [&](const Primitive& p) {
        return p.kind == Kind::Text || p.colour == RGB(0, 255, 0) ||
               (p.kind == Kind::Line && onCurve(p.x1, p.y1) && onCurve(p.x2, p.y2)) ||
               std::any_of(after.begin(), after.end(),
                           [&](const Primitive& q) { return same(p, q); });
    };

    HeapMemory memory;
    NoText text;
    PixelSurface picture(1920, 1080, 15.0, PixelOrder::Xrgb, memory, text);
    picture.Scale(frame.left(), frame.top(), frame.left() + frame.width(),
                  frame.top() + frame.height());
    // Both ticks show on an image as large as either client area.
    picture.Resize(std::max(1920, resize.width), std::max(1080, resize.height));
    const auto paint = [&picture](const Primitive& p) {
        picture.DrawWidth = p.width;
        picture.DrawStyle = p.style;
        if (p.kind == Kind::Dot) {
            picture.PSet(p.x1, p.y1, p.colour);
        } else if (p.kind == Kind::Line) {
            picture.Line(p.x1, p.y1, p.x2, p.y2, p.colour);
        } else if (p.kind == Kind::Circle) {
            picture.Circle(p.x1, p.y1, p.radius, p.colour);
        }
    };
    int painted = 0;
    for (const Primitive& p : before) {
        if (!kept(p) && p.colour != RGB(255, 255, 255)) {
            paint(p);
            ++painted;
        }
    }
    ASSERT_GT(painted, 0);
    for (const Primitive& p : after) {
        if (p.colour == RGB(255, 255, 255)) {
            paint(p);
        }
    }
    const ImageView& image = picture.image();
    long long left = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            left += image.pixels[y * image.stride + x] != 0xFFFFFFFFU ? 1 : 0;
        }
    }
    EXPECT_EQ(left, 0) << "pixels of tick " << at - 1 << " left in colour after tick " << at;
}

INSTANTIATE_TEST_SUITE_P(EveryBoxCombination, NextTick,
                         testing::Combine(testing::Range(0, 8), testing::Values(2, 3, 700),
                                          testing::Values(ClientSize{})));
INSTANTIATE_TEST_SUITE_P(ResizedInBetween, NextTick,
                         testing::Combine(testing::Range(0, 8), testing::Values(3, 700),
                                          testing::Values(ClientSize{3000, 2000},
                                                          ClientSize{1200, 700})));

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
