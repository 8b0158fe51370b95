// The main window `zerkan`: its controls, its start-up and its event
// handlers, free of any toolkit. The window layer shows the controls, feeds
// the user's input in as these events and copies the surface to the screen.
#pragma once

#include <array>
#include <functional>
#include <iosfwd>
#include <string>

#include "form/controls.h"
#include "form/layout.h"
#include "form/tick.h"
#include "plot/curve_plot.h"
#include "plot/surface.h"
#include "sim/run_log.h"
#include "sim/state.h"
#include "sim/tick.h"

namespace zorva {

/// What start-up asks of the window itself. Sizes and positions in twips.
class WindowHost {
  public:
    virtual ~WindowHost() = default;
    /// Places the window's outer top-left corner.
    virtual void Move(double leftTwips, double topTwips) = 0;
    /// Sets the window's outer size; the surface's client size follows.
    virtual void SetOuterSize(double widthTwips, double heightTwips) = 0;
    /// The screen's width and height.
    virtual double ScreenWidthTwips() const = 0;
    virtual double ScreenHeightTwips() const = 0;
    /// Shows the window without waiting for it.
    virtual void Show() = 0;
};

class Zerkan {
  public:
    /// Creating the window loads it: the controls get their design values,
    /// the handlers are connected and Form_Load runs. The state and the
    /// surface must outlive the window.
    Zerkan(SimulationState& state, Surface& surface);
    Zerkan(const Zerkan&) = delete;
    Zerkan& operator=(const Zerkan&) = delete;

    /// Start-up after load: screen-sized white window, world frame, control
    /// layout, shown, start-up axes and curve, launch velocity.
    void Main(WindowHost& host);

    static constexpr const char* kCaption = "ZORVA";

    Button Command1{"Command1", "Time on", {480, 240, 855, 375}, 0};
    Button Command2{"Command2", "STOP", {1440, 240, 1095, 375}, 1};
    Button Command3{"Command3", "step", {3600, 240, 975, 375}, 2};
    Button Command4{"Command4", "CONTINUE", {2520, 240, 1095, 375}, 5};
    ScrollBar klimax{"klimax", 1, 20, 1, 3, 1, {840, 1920, 3015, 375}, 8};
    ScrollBar vimaxrono{"vimaxrono", 1, 10, 1, 2, 1, {840, 2280, 3015, 375}, 6};
    ScrollBar POLTAX{"POLTAX", 1, 100, 1, 10, 20, {840, 2640, 3015, 375}, 3};
    Label Label1{"Label1", "Label1", {4080, 2640, 615, 375}, 4};
    Label Label2{"Label2", "Label2", {3960, 2160, 735, 495}, 7};
    Label Label3{"Label3", "Label3", {3840, 1800, 735, 375}, 9};
    CheckBox Check1{"Check1", "Show components of force", {7560, 120, 5535, 615}, 10};
    CheckBox Check2{"Check2", "Show components of Velocity", {7560, 840, 5895, 615}, 11};
    CheckBox Check3{"Check3", "Show weight and Reaction", {7560, 1560, 4695, 615}, 12};
    Timer Timer1;

    /// The controls in the order of kControlCount (form/layout.h).
    std::array<Control*, kControlCount> Controls() {
        return {&Command1, &Command2, &Command3, &Command4, &POLTAX, &vimaxrono, &klimax,
                &Label1,   &Label2,   &Label3,   &Check1,   &Check2, &Check3};
    }
    std::array<const Control*, kControlCount> Controls() const {
        return {&Command1, &Command2, &Command3, &Command4, &POLTAX, &vimaxrono, &klimax,
                &Label1,   &Label2,   &Label3,   &Check1,   &Check2, &Check3};
    }

    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Timer1_Timer();
    void klimax_Change();
    void vimaxrono_Change();
    void POLTAX_Change();
    /// A mouse button pressed at world (X, Y); button and shift are not used.
    void Form_MouseDown(int button, int shift, float X, float Y);

    /// The window layer's entry for a mouse press: Form_MouseDown under the
    /// same protection as every control event (see FailureCount).
    void MouseDown(int button, int shift, float X, float Y);
    /// Control events and MouseDown never let a failure escape: a failing
    /// event's state changes are undone, the run timer stops, and the first
    /// failure is written to the report stream (standard error unless set;
    /// nullptr writes nothing). Counts the failures so far.
    int FailureCount() const { return failures_; }
    void SetFailureReport(std::ostream* stream) { failureReport_ = stream; }

    /// Control placement in the surface's current units (world units once the
    /// frame is set), single precision. Top is the y of the upper edge;
    /// Height reads back as a positive length.
    float Left(const Control& control) const;
    float Top(const Control& control) const;
    float Width(const Control& control) const;
    float Height(const Control& control) const;
    void SetLeft(Control& control, float value);
    void SetTop(Control& control, float value);
    void SetWidth(Control& control, float value);
    void SetHeight(Control& control, float value);

    /// The samples of the current run since the last "Time on".
    const RunLog& Log() const { return runLog_; }
    /// Most samples a run keeps: a run that never reaches the summit must not
    /// grow the program for as long as the window stays open.
    void SetLogCapacity(std::size_t rows) { runLog_.setCapacity(rows); }
    static constexpr std::size_t kWindowLogRows = 10000;

    /// Told of every "Time on", with the launch's vertical speed (m/s), and
    /// of every drawn tick; set by whoever graphs the run.
    std::function<void(double)> runStarted;
    std::function<void(const TickSample&)> tickDrawn;

  private:
    void connectHandlers();
    void guarded(const std::function<void()>& handler);
    void recordFailure(const std::string& what);
    void layOutControls();
    void runTick();
    CurveSettings curveSettings() const;
    /// After a scale change in a resized window: see the .cpp.
    void keepStartPixelSize();
    /// Cls, after which no arrowhead a tick drew is left to paint over.
    void clearPicture();

    SimulationState& state_;
    Surface& surface_;
    TickMemory tickMemory_;
    /// The client area's size in pixels when Main ran.
    struct {
        double width = 0.0;
        double height = 0.0;
    } startClientPx_;
    RunLog runLog_{kWindowLogRows};
    std::ostream* failureReport_;
    int failures_ = 0;
};

}  // namespace zorva
