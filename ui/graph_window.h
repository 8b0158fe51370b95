// A separate window that plots the run against time while it goes: the
// velocity components and the speed in one chart, the height in another,
// with the previous run faded behind for comparison.
#pragma once

#include <QPointF>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstddef>
#include <vector>

#include "sim/run_log.h"

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
    /// The plotted quantities, each a trace against time t (s).
    enum class Quantity {
        Vy,     ///< vertical velocity (m/s)
        Vx,     ///< horizontal velocity (m/s)
        Speed,  ///< |v| (m/s)
        Height  ///< y (m)
    };
    static constexpr std::size_t kQuantityCount = 4;

    /// Most points a trace holds for one run, the latest sample included;
    /// longer runs are thinned evenly to stay under it.
    static constexpr std::size_t kMaxPoints = 5000;
    /// Delay (ms) between a sample arriving in a visible window and the
    /// charts showing it; samples arriving meanwhile share the update.
    static constexpr int kRefreshDelayMs = 80;

    /// A top-level window, hidden, with empty charts and no reference line.
    /// A parent, if given, owns it; it still opens as a window of its own.
    explicit GraphWindow(QWidget* parent = nullptr);
    ~GraphWindow() override;

    /// A run begins: referenceVy (m/s, finite) is the vertical speed the
    /// launch velocity gives, drawn as a dashed line. The current run's
    /// traces become the faded previous run (replacing the one before) and
    /// the new run's traces start empty. A run that received no sample
    /// leaves the previous run in place.
    void startRun(double referenceVy);
    /// Records one drawn tick of the current run. Only buffers, in constant
    /// time apart from an occasional thinning; the charts follow within
    /// kRefreshDelayMs while the window is visible, and when it is next shown
    /// otherwise. A value that is not finite is left out of its trace.
    void addSample(const TickSample& s);

    /// Samples of the current run received since startRun (or construction).
    std::size_t sampleCount() const;
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
    /// One run's samples as points (t, value), thinned to every stride-th sample.
    struct Run {
        std::array<std::vector<QPointF>, kQuantityCount> traces;
        std::size_t received = 0;
        std::size_t stride = 1;
        TickSample last{};
        double referenceVy = 0.0;
    };

    void thin(Run& run);
    void refresh();
    void updateAxes();

    Run current_;
    Run previous_;
    bool hasRun_ = false;
    bool currentDirty_ = false;
    bool previousDirty_ = false;

    QChartView* velocityView_ = nullptr;
    QChartView* heightView_ = nullptr;
    std::array<QLineSeries*, kQuantityCount> currentSeries_{};
    std::array<QLineSeries*, kQuantityCount> previousSeries_{};
    QLineSeries* reference_ = nullptr;
    QValueAxis* velocityTimeAxis_ = nullptr;
    QValueAxis* heightTimeAxis_ = nullptr;
    QValueAxis* velocityAxis_ = nullptr;
    QValueAxis* heightAxis_ = nullptr;
    QTimer refreshTimer_;
};

}  // namespace zorva
