// A separate window that plots the run against time while it goes: the
// velocity components and the speed in one chart, the height in another,
// with the previous run faded behind for comparison. It draws, with Qt
// Charts, what a GraphModel holds.
#pragma once

#include <QTimer>
#include <QWidget>
#include <array>
#include <cstddef>

#include "form/graph_model.h"

QT_BEGIN_NAMESPACE
class QChart;
class QChartView;
class QLineSeries;
class QValueAxis;
QT_END_NAMESPACE

namespace zorva {

class GraphWindow : public QWidget {
    Q_OBJECT

  public:
    using Quantity = GraphModel::Quantity;

    /// Delay (ms) between a sample arriving in a visible window and the
    /// charts showing it; samples arriving meanwhile share the update.
    static constexpr int kRefreshDelayMs = 80;

    /// A top-level window, hidden, with empty charts and no reference line.
    /// A parent, if given, owns it; it still opens as a window of its own.
    explicit GraphWindow(QWidget* parent = nullptr);
    ~GraphWindow() override;

    /// A run begins, as GraphModel::startRun: the run so far is drawn faded,
    /// and referenceVy (m/s) as a dashed line.
    void startRun(double referenceVy);
    /// Records one drawn tick of the current run, as GraphModel::addSample.
    /// Only buffers; the charts follow within kRefreshDelayMs while the
    /// window is visible, and when it is next shown otherwise.
    void addSample(const TickSample& s);

    /// Samples of the current run received since startRun (or construction).
    std::size_t sampleCount() const { return model_.sampleCount(); }
    /// Points in the current run's vy trace as of the last chart update.
    std::size_t plottedPoints() const;
    /// Brings the charts up to date now, visible or not, and cancels any
    /// scheduled update.
    void refreshNow();
    /// Whether a chart update is scheduled; never while the window is hidden.
    bool refreshPending() const;

    /// The charted traces of the current and the previous run, and the
    /// dashed reference line (two points spanning the time axis; hidden
    /// before the first run). Owned by the window; read-only, for tests.
    const QLineSeries* currentSeries(Quantity q) const;
    const QLineSeries* previousSeries(Quantity q) const;
    const QLineSeries* referenceLine() const;
    /// The time axis (s), whose range both charts share, and the vertical
    /// axes: velocity (m/s) and height (m).
    const QValueAxis* timeAxis() const;
    const QValueAxis* velocityAxis() const;
    const QValueAxis* heightAxis() const;

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void refresh();
    void updateAxes();

    GraphModel model_;
    bool currentDirty_ = false;
    bool previousDirty_ = false;

    QChartView* velocityView_ = nullptr;
    QChartView* heightView_ = nullptr;
    std::array<QLineSeries*, GraphModel::kQuantityCount> currentSeries_{};
    std::array<QLineSeries*, GraphModel::kQuantityCount> previousSeries_{};
    QLineSeries* reference_ = nullptr;
    QValueAxis* velocityTimeAxis_ = nullptr;
    QValueAxis* heightTimeAxis_ = nullptr;
    QValueAxis* velocityAxis_ = nullptr;
    QValueAxis* heightAxis_ = nullptr;
    QTimer refreshTimer_;
};

}  // namespace zorva
