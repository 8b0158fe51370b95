#include "form/form.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "curve/curve.h"
#include "form/fixed_screen.h"
#include "plot/recording_surface.h"

namespace zorva {
namespace {

using Kind = Primitive::Kind;

// A window without a toolkit: the client area is the outer size.
class FakeHost : public FixedScreen {
  public:
    using FixedScreen::FixedScreen;
    void Show() override { shown = true; }
    bool shown = false;
};

// The program started on a screen one and a half times as wide as it is high.
struct Program {
    SimulationState state;
    RecordingSurface surface{312, 206, 15.0};
    Zerkan form{state, surface};
    FakeHost host{surface, 1800, 1200};
    Program() { form.Main(host); }
};

const std::string kVelocity = "Velocity x =  ";
const std::string kFormula = "  (-v/R+sqrt((v/R)^4+4*g^2))/(2g) = ";

TEST(StartUp, LoadWritesTheThreeReadouts) {
    SimulationState state;
    RecordingSurface surface;
    Zerkan form(state, surface);
    EXPECT_EQ(form.Label1.Caption(), "Velocity x =  2.0  alfa");
    EXPECT_EQ(form.Label2.Caption(), " time interal\u03a71");
    EXPECT_EQ(form.Label3.Caption(), " Scale \u03a71");
    EXPECT_TRUE(surface.primitives().empty());  // nothing drawn before the frame is set
}

TEST(StartUp, SetsTheStartValuesAndDrawsBlackAxesAndCurve) {
    Program p;
    EXPECT_TRUE(p.host.shown);
    EXPECT_NEAR(p.state.BaseWidth, 0.12, 1e-15);
    EXPECT_NEAR(p.state.BaseHeight, 0.08, 1e-15);
    EXPECT_EQ(p.state.a, -1.0);
    EXPECT_EQ(p.state.b, 0.5);
    EXPECT_EQ(p.state.TimeStep, 0.00005);
    EXPECT_EQ(p.state.VelX, -2.0);
    EXPECT_EQ(p.state.VelY, 1.0);
    EXPECT_EQ(p.state.VelX0, -2.0);
    EXPECT_EQ(p.state.VelY0, 1.0);
    EXPECT_FALSE(p.state.TurnedBack);
    EXPECT_DOUBLE_EQ(p.state.PlotX[1], 0.001);
    EXPECT_EQ(p.form.Timer1.Interval(), 0);
    // No change handler ran during start-up.
    EXPECT_EQ(p.form.Label1.Caption(), "Velocity x =  2.0  alfa");
    const auto& drawn = p.surface.primitives();
    ASSERT_EQ(drawn.size(), 102u);
    for (const Primitive& item : drawn) {
        EXPECT_EQ(item.kind, Kind::Line);
        EXPECT_EQ(item.colour, RGB(0, 0, 0));
    }
    EXPECT_NEAR(p.surface.ScaleLeft(), -0.024, 1e-12);
    EXPECT_NEAR(p.surface.ScaleTop(), 0.064, 1e-12);
}

struct PlaceRow {
    const char* name;
    float left;
    float top;
    float width;
    float height;
};

class ControlPlacement : public testing::TestWithParam<PlaceRow> {};

TEST_P(ControlPlacement, FollowsTheLayoutInWorldUnits) {
    Program p;
    const PlaceRow row = GetParam();
    const Control* controls[] = {
        &p.form.Command1,  &p.form.Command2, &p.form.Command3, &p.form.Command4, &p.form.POLTAX,
        &p.form.vimaxrono, &p.form.klimax,   &p.form.Label1,   &p.form.Label2,   &p.form.Label3};
    const Control* c = *std::find_if(std::begin(controls), std::end(controls),
                                     [&](const Control* x) { return x->Name() == row.name; });
    // One button height is 375 twips = 25 px, 1/600 of a world unit here.
    EXPECT_NEAR(p.form.Left(*c), row.left, 2e-7);
    EXPECT_NEAR(p.form.Top(*c), row.top, 2e-7);
    EXPECT_NEAR(p.form.Width(*c), row.width, 2e-7);
    EXPECT_NEAR(p.form.Height(*c), row.height, 2e-7);
}

constexpr float kRow = static_cast<float>(25 * 0.08 / 1200);
INSTANTIATE_TEST_SUITE_P(
    Layout, ControlPlacement,
    testing::Values(PlaceRow{"Command1", -0.024f, 0.064f, 0.008f, kRow},
                    PlaceRow{"Command2", -0.016f, 0.064f, 0.008f, kRow},
                    PlaceRow{"Command4", -0.008f, 0.064f, 0.008f, kRow},
                    PlaceRow{"Command3", 0.0f, 0.064f, 0.008f, kRow},
                    PlaceRow{"klimax", -0.021f, 0.064f - kRow, 0.024f, kRow},
                    PlaceRow{"vimaxrono", -0.021f, 0.064f - 2 * kRow, 0.024f, kRow},
                    PlaceRow{"POLTAX", -0.021f, 0.064f - 3 * kRow, 0.024f, kRow},
                    PlaceRow{"Label3", 0.003f, 0.064f - kRow, static_cast<float>(49 * 0.12 / 1800),
                             kRow},
                    PlaceRow{"Label2", 0.003f, 0.064f - 2 * kRow, 0.04f, kRow},
                    PlaceRow{"Label1", 0.003f, 0.064f - 3 * kRow, 0.04f, kRow}),
    [](const testing::TestParamInfo<PlaceRow>& info) { return info.param.name; });

TEST(StartUp, CheckBoxesKeepTheirDesignPlaceInTwips) {
    Program p;
    EXPECT_EQ(p.form.Check1.Rect(), (TwipsRect{7560, 120, 5535, 615}));
    EXPECT_EQ(p.form.Check2.Rect(), (TwipsRect{7560, 840, 5895, 615}));
    EXPECT_EQ(p.form.Check3.Rect(), (TwipsRect{7560, 1560, 4695, 615}));
}

struct SpeedRow {
    int poltax;
    const char* k;
    const char* fy;
    const char* q;
    const char* sine;
};

class SpeedReadout : public testing::TestWithParam<SpeedRow> {};

TEST_P(SpeedReadout, ChecksTheIsochroneConditionAtTheStartPoint) {
    const SpeedRow row = GetParam();
    Program p;
    p.form.POLTAX.SetValue(row.poltax == 20 ? 21 : 20);
    p.form.POLTAX.SetValue(row.poltax);
    EXPECT_EQ(p.form.Label1.Caption(), kVelocity + row.k + "  FY= " + row.fy + kFormula + row.q +
                                           "  sin(\u03b8)= " + row.sine);
    EXPECT_DOUBLE_EQ(p.state.VelX, -row.poltax / 10.0);
    EXPECT_FALSE(p.state.TurnedBack);
}

INSTANTIATE_TEST_SUITE_P(Bars, SpeedReadout,
                         testing::Values(SpeedRow{20, "2.0", "5.89", "0.65", "0.89"},
                                         SpeedRow{10, "1.0", "0.00", "0.89", "0.89"},
                                         SpeedRow{1, "0.1", "-1.94", "1.00", "0.89"},
                                         SpeedRow{100, "10.0", "194.24", "0.04", "0.89"}));

TEST(SpeedReadout, ClearsRedrawsMarksTheStartAndDrawsTheBlueForceArrow) {
    Program p;
    p.state.TurnedBack = true;
    p.surface.forget();
    p.form.POLTAX.SetValue(21);
    p.form.POLTAX.SetValue(20);
    const auto& drawn = p.surface.primitives();
    EXPECT_FALSE(p.state.TurnedBack);
    // The last redraw: clear, axes, red curve, start dot, blue arrow.
    const std::size_t n = drawn.size();
    ASSERT_EQ(n, 2 * (1 + 102 + 1 + 3));
    EXPECT_EQ(drawn[107].kind, Kind::Clear);
    const Primitive& dot = drawn[n - 4];
    EXPECT_EQ(dot.kind, Kind::Dot);
    EXPECT_EQ(dot.width, 5);
    EXPECT_FLOAT_EQ(dot.x1, static_cast<float>(1 / 14.715));
    const Primitive& shaft = drawn[n - 3];
    EXPECT_EQ(shaft.colour, RGB(0, 0, 255));
    EXPECT_EQ(shaft.width, 1);
    EXPECT_NEAR(shaft.x2 - shaft.x1, 0.00785, 1e-5);
    EXPECT_NEAR(shaft.y2 - shaft.y1, 0.00589, 1e-5);
}

TEST(TimeStepBar, RewritesOnlyItsReadoutEvenDuringARun) {
    Program p;
    p.form.Command1.Press();
    p.form.Timer1.Elapse();
    p.surface.forget();
    p.form.vimaxrono.SetValue(3);
    EXPECT_EQ(p.form.Label2.Caption(), " \u03b4\u03b9\u03ac\u03c3\u03c4\u03b7\u03bc\u03b1 \u03a73");
    EXPECT_EQ(p.state.TimeStep, 0.00005);
    EXPECT_EQ(p.form.Timer1.Interval(), 1);
    EXPECT_TRUE(p.form.Timer1.Active());
    EXPECT_TRUE(p.surface.primitives().empty());
}

TEST(ScaleBar, ClearsRescalesAndRedrawsOnlyAxesAndTheRedCurve) {
    Program p;
    p.surface.forget();
    p.state.VelX = 3.0;
    p.form.klimax.SetValue(5);
    EXPECT_EQ(p.form.Label3.Caption(), " Scale \u03a75");
    EXPECT_NEAR(p.surface.ScaleLeft(), -0.12, 1e-12);
    EXPECT_NEAR(p.surface.ScaleTop(), 0.32, 1e-12);
    const auto& drawn = p.surface.primitives();
    ASSERT_EQ(drawn.size(), 103u);
    EXPECT_EQ(drawn[0].kind, Kind::Clear);
    EXPECT_EQ(drawn[3].colour, RGB(255, 0, 0));
    EXPECT_EQ(p.state.VelX, -2.0);
    // The controls keep their place on screen.
    EXPECT_NEAR(p.form.Command1.Rect().left, 0.0, 1e-3);
}

TEST(ScaleBar, DuringARunKeepsThePositionAndTheCount) {
    Program p;
    p.form.Command1.Press();
    p.form.Timer1.Elapse();
    p.form.Timer1.Elapse();
    const SimulationState before = p.state;
    p.form.klimax.SetValue(7);
    EXPECT_EQ(p.state.PosX, before.PosX);
    EXPECT_EQ(p.state.PosY, before.PosY);
    EXPECT_EQ(p.state.StepCount, before.StepCount);
    EXPECT_TRUE(p.form.Timer1.Active());
}

class ScaleAfterResize : public testing::TestWithParam<std::pair<int, int>> {};

// A window resized to another shape keeps the scale's pixel size: the curve
// is neither stretched nor squeezed by a later scale change.
TEST_P(ScaleAfterResize, KeepsTheCornerAndTheWorldSizePerPixelOfTheScale) {
    const auto [widthPx, heightPx] = GetParam();
    Program p;
    const double unitsPerPixel = p.surface.ScaleWidth() / p.surface.Frame().widthPx();
    p.surface.Resize(widthPx, heightPx);
    p.form.klimax.SetValue(3);
    const WorldFrame& frame = p.surface.Frame();
    EXPECT_NEAR(frame.width() / frame.widthPx(), 3 * unitsPerPixel, 1e-15);
    EXPECT_NEAR(-frame.height() / frame.heightPx(), 3 * unitsPerPixel, 1e-15);
    // The same scale before the resize puts the corner at the same place.
    Program unresized;
    unresized.form.klimax.SetValue(3);
    EXPECT_NEAR(frame.left(), unresized.surface.ScaleLeft(), 1e-15);
    EXPECT_NEAR(frame.top(), unresized.surface.ScaleTop(), 1e-15);
}

INSTANTIATE_TEST_SUITE_P(FormTest, ScaleAfterResize,
                         testing::Values(std::pair{312, 206}, std::pair{200, 300},
                                         std::pair{640, 120}));

TEST(RunControls, TimeOnPlacesTheBodyAndStartsTheTimer) {
    Program p;
    p.form.vimaxrono.SetValue(10);
    p.surface.forget();
    p.form.Command1.Press();
    EXPECT_DOUBLE_EQ(p.state.StartX, 1 / 14.715);
    EXPECT_EQ(p.state.PosX, p.state.StartX);
    EXPECT_EQ(p.state.PosY, 0.0);
    EXPECT_EQ(p.state.StepCount, 0);
    EXPECT_DOUBLE_EQ(p.state.TimeStep, 0.0005);
    EXPECT_EQ(p.form.Timer1.Interval(), 10);
    EXPECT_TRUE(p.form.Timer1.Active());
    ASSERT_EQ(p.surface.primitives().size(), 1u);
    EXPECT_EQ(p.surface.primitives()[0].colour, RGB(255, 0, 255));
    EXPECT_EQ(p.surface.primitives()[0].width, 4);
    EXPECT_EQ(p.surface.DrawWidth, 1);
}

TEST(RunControls, TimeOnTwiceRestartsTheCountButNotTheVelocityNorTheTurn) {
    Program p;
    p.form.Command1.Press();
    p.form.Timer1.Elapse();
    p.form.Timer1.Elapse();
    const double velX = p.state.VelX;
    p.state.TurnedBack = true;
    p.surface.forget();
    p.form.Command1.Press();
    EXPECT_EQ(p.state.StepCount, 0);
    EXPECT_EQ(p.state.PosX, p.state.StartX);
    EXPECT_EQ(p.state.VelX, velX);
    EXPECT_TRUE(p.state.TurnedBack);
    // A second magenta marker over the first; nothing is cleared.
    ASSERT_EQ(p.surface.primitives().size(), 1u);
    EXPECT_EQ(p.surface.primitives()[0].kind, Kind::Dot);
    EXPECT_EQ(p.surface.primitives()[0].colour, RGB(255, 0, 255));
}

TEST(RunControls, StopThenContinueResumesWithTwiceTheIsochroneVelocity) {
    Program p;
    p.form.Command1.Press();
    p.form.Timer1.Elapse();
    const double x = p.state.PosX;
    p.form.Command2.Press();
    EXPECT_FALSE(p.form.Timer1.Active());
    EXPECT_EQ(p.state.VelX, -2.0);
    EXPECT_EQ(p.state.VelY, 1.0);
    EXPECT_EQ(p.state.PosX, x);
    p.form.Timer1.Elapse();
    EXPECT_EQ(p.state.StepCount, 1);  // a stopped timer delivers nothing
    p.form.Command4.Press();
    EXPECT_TRUE(p.form.Timer1.Active());
    EXPECT_EQ(p.form.Timer1.Interval(), 1);
    p.form.Timer1.Elapse();
    EXPECT_EQ(p.state.StepCount, 2);
}

TEST(RunControls, ContinueBeforeTimeOnDoesNothing) {
    Program p;
    p.form.Command4.Press();
    EXPECT_FALSE(p.form.Timer1.Active());
    p.form.Timer1.Elapse();
    EXPECT_EQ(p.state.StepCount, 0);
}

TEST(RunControls, StepBeforeTimeOnRunsOneTickFromTheOrigin) {
    Program p;
    p.form.Command3.Press();
    EXPECT_EQ(p.state.StepCount, 1);
    EXPECT_EQ(p.state.PosX, CurveX(-1.0, 0.5, p.state.PosY));
    EXPECT_EQ(p.form.Timer1.Interval(), 0);
}

TEST(RunControls, TheTickStopsTheTimerAtTheSummit) {
    Program p;
    p.form.POLTAX.SetValue(10);
    p.form.Command1.Press();
    int ticks = 0;
    while (p.form.Timer1.Active() && ticks < 5000) {
        p.form.Timer1.Elapse();
        ++ticks;
    }
    EXPECT_FALSE(p.form.Timer1.Active());
    EXPECT_EQ(p.form.Timer1.Interval(), 1);
    p.form.Command4.Press();
    EXPECT_TRUE(p.form.Timer1.Active());  // CONTINUE restarts it with the same interval
}

TEST(MouseDown, ClearsRedrawsAndDrawsTheCircleNearTheCurve) {
    Program p;
    p.form.Command1.Press();
    p.form.Timer1.Elapse();
    p.surface.forget();
    p.form.Form_MouseDown(2, 0, static_cast<float>(1 / 14.715), 0.0f);
    const auto& drawn = p.surface.primitives();
    ASSERT_EQ(drawn.size(), 1u + 102u + 3u);
    EXPECT_EQ(drawn[0].kind, Kind::Clear);
    EXPECT_EQ(drawn.back().kind, Kind::Circle);
    EXPECT_NEAR(drawn.back().radius, 0.569844, 1e-5);
    EXPECT_EQ(p.state.VelX, -2.0);  // the redraw gave back the launch velocity
    p.surface.forget();
    p.form.Form_MouseDown(1, 0, 0.05f, 0.0094295f + 0.06f);
    EXPECT_EQ(p.surface.primitives().size(), 103u);
}

}  // namespace
}  // namespace zorva
