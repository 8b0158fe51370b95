#include "form/form.h"

#include <cmath>
#include <iostream>
#include <string>

#include "curve/curve.h"
#include "form/format.h"
#include "plot/arrow.h"
#include "plot/axes.h"
#include "plot/curvature.h"
#include "sim/forces.h"

namespace zorva {
namespace {

constexpr double kTimeStepPerBarUnit = 0.00005;  // seconds of motion per bar unit
constexpr Colour kMagenta = RGB(255, 0, 255);

std::string SpeedReadoutAtLoad(int poltax) {
    return "Velocity x =  " + Format(poltax / 10.0, "0.0") + "  alfa";
}

std::string ScaleReadout(int klimax) {
    return " Scale \u03a7" + Format(klimax, "0");
}

}  // namespace

Zerkan::Zerkan(SimulationState& state, Surface& surface)
    : state_(state), surface_(surface), failureReport_(&std::cerr) {
    // The controls already hold their design values, so connecting the
    // handlers now fires nothing; Form_Load's POLTAX assignment changes nothing.
    connectHandlers();
    Form_Load();
}

void Zerkan::connectHandlers() {
    Command1.Click = [this] { guarded([this] { Command1_Click(); }); };
    Command2.Click = [this] { guarded([this] { Command2_Click(); }); };
    Command3.Click = [this] { guarded([this] { Command3_Click(); }); };
    Command4.Click = [this] { guarded([this] { Command4_Click(); }); };
    Timer1.TimerEvent = [this] { guarded([this] { Timer1_Timer(); }); };
    klimax.Change = [this] { guarded([this] { klimax_Change(); }); };
    vimaxrono.Change = [this] { guarded([this] { vimaxrono_Change(); }); };
    POLTAX.Change = [this] { guarded([this] { POLTAX_Change(); }); };
}

void Zerkan::MouseDown(int button, int shift, float X, float Y) {
    guarded([&] { Form_MouseDown(button, shift, X, Y); });
}

void Zerkan::guarded(const std::function<void()>& handler) {
    // With the values the program sets no handler can fail. Should one fail
    // all the same, the run must neither take the window down nor go on from
    // a half-updated state: the values the handler started from are put
    // back, the run timer stops, and the first such failure is reported.
    const SimulationState state = state_;
    const TickMemory memory = tickMemory_;
    try {
        handler();
        return;
    } catch (const std::exception& failure) {
        recordFailure(failure.what());
    } catch (...) {
        recordFailure("unknown failure");
    }
    state_ = state;
    tickMemory_ = memory;
    Timer1.SetEnabled(false);
}

void Zerkan::recordFailure(const std::string& what) {
    ++failures_;
    if (failures_ == 1 && failureReport_ != nullptr) {
        *failureReport_ << "zorva: an event failed (" << what
                        << "); the run was stopped and its values kept as they were before "
                           "the event. Later failures are not reported.\n";
        failureReport_->flush();
    }
}

void Zerkan::Form_Load() {
    POLTAX.SetValue(20);
    Label1.SetCaption(SpeedReadoutAtLoad(POLTAX.Value()));
    Label2.SetCaption(" time interal\u03a7" + Format(vimaxrono.Value(), "0"));
    Label3.SetCaption(ScaleReadout(klimax.Value()));
}

void Zerkan::Main(WindowHost& host) {
    surface_.BackColor = RGB(255, 255, 255);
    host.Move(0, 0);
    host.SetOuterSize(host.ScreenWidthTwips(), host.ScreenHeightTwips());
    // No user scale is set yet, so the client size reads in twips.
    const BaseExtents base = ComputeBaseExtents(surface_.ScaleWidth(), surface_.ScaleHeight());
    state_.BaseWidth = base.width;
    state_.BaseHeight = base.height;
    state_.TurnedBack = false;
    // The surface always retains what is drawn on it.
    host.Move(0, 0);
    SetFrameForScale(surface_, state_, 1);
    startClientPx_ = {surface_.Frame().widthPx(), surface_.Frame().heightPx()};
    layOutControls();
    host.Show();

    const double dx = vimaxrono.Value() * 0.001;
    state_.a = -1.0;
    state_.b = 0.5;
    state_.TimeStep = vimaxrono.Value() * kTimeStepPerBarUnit;
    DrawStartupAxes(surface_, state_, surface_.ForeColor);
    DrawStartupCurve(surface_, state_, dx, surface_.ForeColor);
    const double f = POLTAX.Value() / 10.0;
    state_.VelX = f * state_.a;
    state_.VelY = f * state_.b;
    state_.VelX0 = state_.VelX;
    state_.VelY0 = state_.VelY;
}

void Zerkan::layOutControls() {
    // Each formula reads only values set before it. Sums of control
    // properties are single precision, like the properties themselves.
    const double bw = state_.BaseWidth;
    const double bh = state_.BaseHeight;
    const auto single = [](double v) { return static_cast<float>(v); };
    const float barLeft = single(-kFrameMargin * bw + bw / 40.0);

    SetLeft(Command1, single(-kFrameMargin * bw));
    SetTop(Command1, single((1.0 - kFrameMargin) * bh));
    SetWidth(Command1, single(kFrameMargin * bw / 3.0));
    SetWidth(Command2, Width(Command1));
    SetWidth(Command3, Width(Command2));
    SetWidth(Command4, Width(Command3));
    SetLeft(Command2, Left(Command1) + Width(Command1));
    SetTop(Command2, Top(Command1));
    SetLeft(Command4, Left(Command1) + 2.0f * Width(Command1));
    SetTop(Command4, Top(Command1));
    SetLeft(Command3, Left(Command1) + 3.0f * Width(Command1));
    SetTop(Command3, Top(Command1));

    SetLeft(POLTAX, barLeft);
    SetTop(POLTAX, single((1.0 - kFrameMargin) * bh - 3.0 * Height(Command1)));
    SetWidth(POLTAX, single(bw / 5.0));
    SetLeft(Label1, Left(POLTAX) + Width(POLTAX));
    SetTop(Label1, Top(POLTAX));
    SetWidth(Label1, single(bw / 3.0));
    SetLeft(vimaxrono, barLeft);
    SetTop(vimaxrono, Top(POLTAX) + Height(POLTAX));
    SetWidth(vimaxrono, Width(POLTAX));
    SetLeft(Label2, Left(Label1));
    SetHeight(Label2, Height(vimaxrono));
    SetTop(Label2, Top(vimaxrono));
    SetWidth(Label2, Width(Label1));
    SetWidth(klimax, Width(POLTAX));
    SetLeft(Label3, Left(Label1));
    SetHeight(Label3, Height(vimaxrono));
    SetLeft(klimax, barLeft);
    SetTop(klimax, Top(vimaxrono) + Height(POLTAX));
    SetTop(Label3, Top(klimax));
}

// Control placement is kept in twips, so a control keeps its place on screen
// when the user scale changes; these read and write it in current units.
float Zerkan::Left(const Control& control) const {
    const double px = control.Rect().left / surface_.TwipsPerPixel();
    return static_cast<float>(surface_.Frame().toWorld({px, 0.0}).x);
}

float Zerkan::Top(const Control& control) const {
    const double px = control.Rect().top / surface_.TwipsPerPixel();
    return static_cast<float>(surface_.Frame().toWorld({0.0, px}).y);
}

float Zerkan::Width(const Control& control) const {
    const WorldFrame& frame = surface_.Frame();
    const double px = control.Rect().width / surface_.TwipsPerPixel();
    return static_cast<float>(px / frame.widthPx() * std::fabs(frame.width()));
}

float Zerkan::Height(const Control& control) const {
    const WorldFrame& frame = surface_.Frame();
    const double px = control.Rect().height / surface_.TwipsPerPixel();
    return static_cast<float>(px / frame.heightPx() * std::fabs(frame.height()));
}

void Zerkan::SetLeft(Control& control, float value) {
    TwipsRect rect = control.Rect();
    rect.left = surface_.Frame().toPixel({value, 0.0}).x * surface_.TwipsPerPixel();
    control.SetRect(rect);
}

void Zerkan::SetTop(Control& control, float value) {
    TwipsRect rect = control.Rect();
    rect.top = surface_.Frame().toPixel({0.0, value}).y * surface_.TwipsPerPixel();
    control.SetRect(rect);
}

void Zerkan::SetWidth(Control& control, float value) {
    const WorldFrame& frame = surface_.Frame();
    TwipsRect rect = control.Rect();
    rect.width =
        std::fabs(value) / std::fabs(frame.width()) * frame.widthPx() * surface_.TwipsPerPixel();
    control.SetRect(rect);
}

void Zerkan::SetHeight(Control& control, float value) {
    const WorldFrame& frame = surface_.Frame();
    TwipsRect rect = control.Rect();
    rect.height =
        std::fabs(value) / std::fabs(frame.height()) * frame.heightPx() * surface_.TwipsPerPixel();
    control.SetRect(rect);
}

CurveSettings Zerkan::curveSettings() const {
    return {POLTAX.Value(), vimaxrono.Value(), klimax.Value()};
}

void Zerkan::Command1_Click() {
    state_.TimeStep = vimaxrono.Value() * kTimeStepPerBarUnit;
    state_.StartX = StartAbscissa(state_.a, state_.b);
    surface_.DrawWidth = 4;
    surface_.PSet(state_.StartX, 0.0, kMagenta);
    state_.PosX = state_.StartX;
    state_.PosY = 0.0;
    surface_.DrawWidth = 1;
    state_.StepCount = 0;
    Timer1.SetInterval(vimaxrono.Value());
    Timer1.SetEnabled(true);
    runLog_.clear();
    if (runStarted) {
        runStarted(state_.VelY0);
    }
}

void Zerkan::Command2_Click() {
    Timer1.SetEnabled(false);
    state_.VelX = state_.a * 2.0;
    state_.VelY = state_.b * 2.0;
}

void Zerkan::Command3_Click() {
    runTick();
}

void Zerkan::Command4_Click() {
    Timer1.SetEnabled(true);
}

void Zerkan::Timer1_Timer() {
    runTick();
}

void Zerkan::runTick() {
    const TickSettings settings{
        vimaxrono.Value(),
        {klimax.Value(), Check1.Value(), Check2.Value(), Check3.Value()},
    };
    TickSample sample;
    if (SimulationTick(state_, tickMemory_, surface_, settings, &sample) == TickOutcome::Stopped) {
        Timer1.SetEnabled(false);
        return;
    }
    runLog_.add(sample);
    if (tickDrawn) {
        tickDrawn(sample);
    }
}

void Zerkan::klimax_Change() {
    SetFrameForScale(surface_, state_, klimax.Value());
    keepStartPixelSize();
    clearPicture();
    Label3.SetCaption(ScaleReadout(klimax.Value()));
    DrawCurve(surface_, state_, curveSettings());
}

void Zerkan::keepStartPixelSize() {
    // The scale's world rectangle is shaped like the client area at start-up.
    // A window resized since then would stretch it onto the new shape; instead
    // the frame keeps its corner and the world size per pixel that the scale
    // has at the start-up size, as a resize itself does.
    const WorldFrame& frame = surface_.Frame();
    if (startClientPx_.width <= 0.0 || startClientPx_.height <= 0.0 ||
        (frame.widthPx() == startClientPx_.width && frame.heightPx() == startClientPx_.height)) {
        return;
    }
    surface_.Scale(frame.left(), frame.top(),
                   frame.left() + frame.width() * frame.widthPx() / startClientPx_.width,
                   frame.top() + frame.height() * frame.heightPx() / startClientPx_.height);
}

void Zerkan::clearPicture() {
    surface_.Cls();
    tickMemory_.LastBarb = 0.0;
}

void Zerkan::vimaxrono_Change() {
    Label2.SetCaption(" \u03b4\u03b9\u03ac\u03c3\u03c4\u03b7\u03bc\u03b1 \u03a7" +
                      Format(vimaxrono.Value(), "0"));
}

void Zerkan::POLTAX_Change() {
    state_.TimeStep = vimaxrono.Value() * kTimeStepPerBarUnit;
    state_.TurnedBack = false;
    clearPicture();
    DrawCurve(surface_, state_, curveSettings());

    const double g = kGravity;
    const double x0 = StartAbscissa(state_.a, state_.b);
    const double y0 = 0.0;
    const double vSquared =
        state_.VelX0 * state_.VelX0 + state_.VelY0 * state_.VelY0 - (2.0 * g) * y0;
    const Forces forces = ForcesAt(state_.a, state_.b, x0, vSquared);
    const double theta = forces.theta;
    const double R = forces.R;
    const double FX = forces.Fx;
    const double FY = forces.Fy;

    surface_.DrawWidth = 5;
    surface_.PSet(x0, 0.0);
    surface_.DrawWidth = 1;

    // The sine of the normal that would make the vertical force vanish at
    // this speed: the positive root of g·q² + (v²/R)·q − g = 0.
    const double twoGR = (2.0 * g) * R;
    const double q = (-vSquared + std::sqrt(vSquared * vSquared + twoGR * twoGR)) / twoGR;
    const double k = POLTAX.Value() / 10.0;
    Label1.SetCaption("Velocity x =  " + Format(k, "0.0") + "  FY= " + Format(FY, "0.00") +
                      "  (-v/R+sqrt((v/R)^4+4*g^2))/(2g) = " + Format(q, "0.00") +
                      "  sin(\u03b8)= " + Format(std::sin(theta), "0.00"));
    DrawArrow(state_, x0, 0.0, 0.001 * FX, 0.001 * FY, surface_, 0, 0, 255);
}

void Zerkan::Form_MouseDown(int button, int shift, float X, float Y) {
    static_cast<void>(button);  // every button draws the circle alike
    static_cast<void>(shift);
    clearPicture();
    DrawCurve(surface_, state_, curveSettings());
    DrawClickCurvature(surface_, state_, X, Y);
}

}  // namespace zorva
