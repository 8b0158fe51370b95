// The main window on screen: shows the form's controls as Qt widgets, turns
// the user's input into the form's events, runs the timer, and copies the
// retained drawing to the screen at most once per screen refresh.
#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

#include "form/form.h"
#include "form/pacer.h"
#include "sim/state.h"
#include "ui/qt_surface.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QScrollBar;

namespace zorva {

class GraphWindow;

class QtWindow : public QWidget, public WindowHost {
    Q_OBJECT
  public:
    /// Creates and loads the window for the program's one state, which must
    /// outlive it. Nothing is shown until the form's Main runs.
    explicit QtWindow(SimulationState& state, QWidget* parent = nullptr);
    ~QtWindow() override;

    Zerkan& form() { return form_; }
    QtSurface& surface() { return surface_; }
    /// The Qt widget showing a control, for tests and accessibility.
    QWidget* widgetFor(const Control& control) const;
    /// The drawing as shown in the client area.
    QImage picture();
    /// Save the drawing as PNG / the current run's data as CSV; false with
    /// a message for the user in *error when the file could not be written.
    bool savePicture(const QString& path, QString* error);
    bool saveData(const QString& path, QString* error);
    /// The keyboard shortcuts as a table in rich text.
    QString shortcutHelp() const;

    /// The graphs of the run against time, a window of their own that
    /// Ctrl+G opens and closes; hidden at start-up.
    GraphWindow& graphs() { return *graphs_; }
    /// Opens the graph window, or closes it when it is open.
    void toggleGraphs();

    /// The Qt timer that wakes the form's run timer.
    const QTimer& runTimer() const { return runTimer_; }
    /// Replaces the run timer's clock (milliseconds), for tests that set the
    /// time themselves.
    void setRunClock(std::function<double()> clockMs) { pace_.setClock(std::move(clockMs)); }
    /// Number of times the window copied the drawing to the screen.
    long long repaintCount() const { return repaints_; }
    /// Called once, after the window first copied the drawing to the screen.
    std::function<void()> firstPainted;

    // WindowHost
    void Move(double leftTwips, double topTwips) override;
    void SetOuterSize(double widthTwips, double heightTwips) override;
    double ScreenWidthTwips() const override;
    double ScreenHeightTwips() const override;
    void Show() override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    void bindButton(Button& model, QPushButton* widget);
    void bindScrollBar(ScrollBar& model, QScrollBar* widget);
    void bindCheckBox(CheckBox& model, QCheckBox* box);
    /// The readout's widget; bar is the bar whose value it shows.
    QLabel* bindLabel(Label& model, QScrollBar* bar);
    /// Tab visits the controls by their tab index; the first has the focus.
    void orderTabs();
    void bindTimer();
    void bindShortcuts();
    void describeForScreenReaders();
    /// Puts every control's widget where the layout shows it.
    void placeControls();
    /// The control's place in the layout's order.
    std::size_t indexOf(const Control& control) const;
    /// Runs one event of the form, then arranges for the screen to catch up.
    void dispatch(const std::function<void()>& handler);
    void scheduleRepaint();

    double twipsPerPixel_;
    QtSurface surface_;
    Zerkan form_;
    GraphWindow* graphs_;
    RunTimer pace_;
    QTimer runTimer_;
    QTimer repaintTimer_;
    long long repaints_ = 0;
    /// The widgets by the layout's order of the controls.
    std::array<QWidget*, kControlCount> widgets_{};
    /// The check boxes' places, Check1 to Check3.
    std::vector<QWidget*> checkBoxPlaces_;
};

}  // namespace zorva
