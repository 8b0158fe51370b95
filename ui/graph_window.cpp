#include "ui/graph_window.h"

#include <QChart>
#include <QChartView>
#include <QHideEvent>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainter>
#include <QShowEvent>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace zorva {
namespace {

using Quantity = GraphWindow::Quantity;

constexpr std::array<Quantity, GraphWindow::kQuantityCount> kQuantities{
    Quantity::Vy, Quantity::Vx, Quantity::Speed, Quantity::Height};
constexpr std::array<Quantity, 3> kVelocities{Quantity::Vy, Quantity::Vx, Quantity::Speed};

std::size_t Index(Quantity q) {
    return static_cast<std::size_t>(q);
}

double ValueOf(const TickSample& s, Quantity q) {
    switch (q) {
        case Quantity::Vy:
            return s.vy;
        case Quantity::Vx:
            return s.vx;
        case Quantity::Speed:
            return s.speed;
        case Quantity::Height:
            return s.y;
    }
    return 0.0;
}

// Colours that stay apart for the common kinds of colour blindness; the
// vertical velocity, the one the lesson is about, gets the strongest.
QColor ColourOf(Quantity q) {
    switch (q) {
        case Quantity::Vy:
            return QColor(0x00, 0x5a, 0xb5);
        case Quantity::Vx:
            return QColor(0xe6, 0x7e, 0x00);
        case Quantity::Speed:
            return QColor(0x1b, 0x9e, 0x77);
        case Quantity::Height:
            return QColor(0x7b, 0x3f, 0x9e);
    }
    return Qt::black;
}

QString NameOf(Quantity q) {
    switch (q) {
        case Quantity::Vy:
            return QStringLiteral("vy (vertical)");
        case Quantity::Vx:
            return QStringLiteral("vx (horizontal)");
        case Quantity::Speed:
            return QStringLiteral("|v| (speed)");
        case Quantity::Height:
            return QStringLiteral("y (height)");
    }
    return {};
}

// The chart strokes a solid line as one short segment per pair of points,
// often less than a pixel long. With flat caps, antialiased segments that
// short only partly cover the pixels they share, and the line comes out
// pale; round caps cost a curve per segment, several times the drawing
// time. Square caps overlap the segments for the price of a straight edge.
QPen CurrentPen(Quantity q) {
    QPen pen(ColourOf(q), q == Quantity::Vy ? 2.5 : 2.0);
    pen.setCapStyle(Qt::SquareCap);
    return pen;
}

// The previous run keeps its hue, so a student matches it with the current
// trace of the same quantity, but is light and thin enough to stay behind.
// Its translucent segments must not overlap, or the overlaps darken it.
QPen FadedPen(Quantity q) {
    QColor colour = ColourOf(q);
    colour.setAlpha(85);
    QPen pen(colour, 1.5);
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

QChart* MakeChart(const QString& title) {
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setBackgroundRoundness(0);
    chart->setMargins(QMargins(6, 2, 6, 2));
    chart->legend()->setAlignment(Qt::AlignTop);
    return chart;
}

QValueAxis* MakeAxis(const QString& title) {
    auto* axis = new QValueAxis;
    axis->setTitleText(title);
    // Ticks fall on round values chosen in SetRounded, not on a fixed count,
    // so the labels stay short as the range changes.
    axis->setRange(0.0, 1.0);
    axis->setTickInterval(0.2);
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setMinorTickCount(1);
    return axis;
}

QChartView* MakeView(QChart* chart, const QString& name, const QString& description,
                     QWidget* parent) {
    auto* view = new QChartView(chart, parent);
    view->setRenderHint(QPainter::Antialiasing);
    view->setAccessibleName(name);
    view->setAccessibleDescription(description);
    return view;
}

// A value range that grows to take in finite values.
struct Span {
    double lo = HUGE_VAL;
    double hi = -HUGE_VAL;

    void take(double v) {
        if (std::isfinite(v)) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    }
    void take(const std::vector<QPointF>& points) {
        for (const QPointF& p : points) {
            take(p.y());
        }
    }
    bool empty() const { return lo > hi; }
};

// 1, 2 or 5 times a power of ten, at least rough: steps that give short
// labels which read at a glance.
double NiceStep(double rough) {
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double m : {1.0, 2.0, 5.0}) {
        if (m * power >= rough * (1.0 - 1e-9)) {
            return m * power;
        }
    }
    return 10.0 * power;
}

// Enough decimals to tell one tick of size step from the next.
QString LabelFormat(double step) {
    const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
    return QStringLiteral("%.%1f").arg(decimals);
}

// Puts the axis on [lo, hi] with a tick every step. A dynamic axis lays out
// its ticks, one label item each, whenever its range or its interval
// changes. Setting a much wider range while the old, finer interval still
// holds would lay out tens of thousands of ticks for a moment (a long run's
// time axis grows from milliseconds to minutes between two updates while
// the window is closed), so a coarser interval goes in before the range and
// a finer one after it.
//
// The axis finds its ticks by adding the interval over and over from the
// lowest one and stops past the maximum, so rounding error could drop the
// tick at hi or print the one at 0 as "-0.0". A slack of a millionth of a
// step around the range keeps the end ticks, and an anchor a billionth of
// a step above 0 keeps the zero tick on the positive side; neither shows.
void SetTicks(QValueAxis* axis, double lo, double hi, double step) {
    const bool coarser = step > axis->tickInterval();
    if (coarser) {
        axis->setTickInterval(step);
    }
    axis->setTickAnchor(1e-9 * step);
    axis->setRange(lo - 1e-6 * step, hi + 1e-6 * step);
    if (!coarser) {
        axis->setTickInterval(step);
    }
    axis->setLabelFormat(LabelFormat(step));
}

// Sets the axis to [lo, hi] rounded outwards to whole ticks, aiming at
// about `ticks` intervals. The rounding leaves the room around the traces;
// a line may touch the frame only where it meets a round value.
void SetRounded(QValueAxis* axis, double lo, double hi, double ticks) {
    const double step = NiceStep((hi - lo) / ticks);
    SetTicks(axis, std::floor(lo / step + 1e-9) * step, std::ceil(hi / step - 1e-9) * step, step);
}

// A value axis around the span. A trace that lies flat (vy at the right
// launch speed) would otherwise give the axis no height at all and draw the
// line on the frame; minSpan keeps a visible band around it, wider for
// larger values so that a small wobble is not blown up to fill the chart.
void FitAxis(QValueAxis* axis, Span span, double minSpan) {
    if (span.empty()) {
        span.take(0.0);
    }
    const double floor = std::max(minSpan, 0.1 * std::max(std::abs(span.lo), std::abs(span.hi)));
    if (span.hi - span.lo < floor) {
        const double mid = 0.5 * (span.lo + span.hi);
        span.lo = mid - 0.5 * floor;
        span.hi = mid + 0.5 * floor;
    }
    SetRounded(axis, span.lo, span.hi, 8.0);
}

// Smallest visible ranges: 5 cm/s of velocity, 1 mm of height, 1 ms of time.
constexpr double kMinVelocitySpan = 0.05;
constexpr double kMinHeightSpan = 0.001;
constexpr double kMinTimeSpan = 0.001;

}  // namespace

GraphWindow::GraphWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("ZORVA — graphs"));
    setAccessibleName(QStringLiteral("ZORVA graphs"));
    setAccessibleDescription(
        QStringLiteral("Velocity and height of the body against time, for the current run and, "
                       "faded, for the previous one."));

    QChart* velocityChart = MakeChart(QStringLiteral("Velocity"));
    QChart* heightChart = MakeChart(QStringLiteral("Height"));
    velocityTimeAxis_ = MakeAxis(QStringLiteral("time t (s)"));
    heightTimeAxis_ = MakeAxis(QStringLiteral("time t (s)"));
    velocityAxis_ = MakeAxis(QStringLiteral("velocity (m/s)"));
    heightAxis_ = MakeAxis(QStringLiteral("height y (m)"));
    velocityChart->addAxis(velocityTimeAxis_, Qt::AlignBottom);
    velocityChart->addAxis(velocityAxis_, Qt::AlignLeft);
    heightChart->addAxis(heightTimeAxis_, Qt::AlignBottom);
    heightChart->addAxis(heightAxis_, Qt::AlignLeft);

    // Series are stacked in the order they are added, and the legend lists
    // them in that order too: the current run, then the faded previous run
    // (drawn over it, but light enough not to hide it), then the dashed
    // reference on top, where it shows whether vy lies along it.
    const auto add = [&](QLineSeries* series, Quantity q) {
        QChart* chart = q == Quantity::Height ? heightChart : velocityChart;
        chart->addSeries(series);
        series->attachAxis(q == Quantity::Height ? heightTimeAxis_ : velocityTimeAxis_);
        series->attachAxis(q == Quantity::Height ? heightAxis_ : velocityAxis_);
    };
    for (const Quantity q : kQuantities) {
        auto* series = new QLineSeries;
        series->setName(NameOf(q));
        series->setPen(CurrentPen(q));
        currentSeries_[Index(q)] = series;
        add(series, q);
    }
    for (const Quantity q : kQuantities) {
        auto* series = new QLineSeries;
        series->setName(QStringLiteral("previous run"));
        series->setPen(FadedPen(q));
        previousSeries_[Index(q)] = series;
        add(series, q);
    }
    reference_ = new QLineSeries;
    reference_->setName(QStringLiteral("vy at launch"));
    reference_->setPen(QPen(QColor(0x20, 0x20, 0x20), 1.2, Qt::DashLine));
    reference_->setVisible(false);
    add(reference_, Quantity::Vy);

    // One legend entry stands for the whole previous run in each chart, and
    // only once there is one.
    for (const Quantity q : kQuantities) {
        QChart* chart = q == Quantity::Height ? heightChart : velocityChart;
        for (QLegendMarker* marker : chart->legend()->markers(previousSeries_[Index(q)])) {
            marker->setVisible(false);
        }
    }

    velocityView_ = MakeView(
        velocityChart, QStringLiteral("Velocity graph"),
        QStringLiteral("Vertical velocity, horizontal velocity and speed in metres per second "
                       "against time in seconds, with a dashed line at the vertical speed given "
                       "at launch."),
        this);
    heightView_ =
        MakeView(heightChart, QStringLiteral("Height graph"),
                 QStringLiteral("Height of the body in metres against time in seconds."), this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(velocityView_, 3);
    layout->addWidget(heightView_, 2);
    resize(760, 680);

    for (auto& trace : current_.traces) {
        trace.reserve(kMaxPoints);
    }
    refreshTimer_.setSingleShot(true);
    refreshTimer_.setInterval(kRefreshDelayMs);
    connect(&refreshTimer_, &QTimer::timeout, this, [this] { refresh(); });
    updateAxes();
}

GraphWindow::~GraphWindow() = default;

void GraphWindow::startRun(double referenceVy) {
    // A "Time on" that ticked nothing has nothing to compare with, so the
    // run before it stays as the faded one.
    if (current_.received > 0) {
        previous_ = std::move(current_);
        previousDirty_ = true;
    }
    current_ = Run{};
    current_.referenceVy = referenceVy;
    for (auto& trace : current_.traces) {
        trace.reserve(kMaxPoints);
    }
    hasRun_ = true;
    currentDirty_ = true;
    if (isVisible() && !refreshTimer_.isActive()) {
        refreshTimer_.start();
    }
}

// Called on every tick, up to a thousand times a second, so it only appends
// to storage reserved at startRun; the charts are touched in refresh.
void GraphWindow::addSample(const TickSample& s) {
    Run& run = current_;
    const bool kept = run.received % run.stride == 0;
    ++run.received;
    run.last = s;
    if (kept) {
        bool full = false;
        for (const Quantity q : kQuantities) {
            const double v = ValueOf(s, q);
            auto& trace = run.traces[Index(q)];
            if (std::isfinite(s.t) && std::isfinite(v)) {
                trace.emplace_back(s.t, v);
            }
            full = full || trace.size() >= kMaxPoints;
        }
        if (full) {
            thin(run);
        }
    }
    currentDirty_ = true;
    if (isVisible() && !refreshTimer_.isActive()) {
        refreshTimer_.start();
    }
}

// Keeps every other stored point and halves the rate at which new ones are
// kept. The traces then hold the samples whose index is a multiple of the
// stride, evenly spread over the whole run however long it lasts, and the
// cost of drawing stays bounded: the limit is reached again only after
// twice as many samples as last time, so thinning costs O(1) a sample.
void GraphWindow::thin(Run& run) {
    for (auto& trace : run.traces) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < trace.size(); i += 2) {
            trace[kept++] = trace[i];
        }
        trace.resize(kept);
    }
    run.stride *= 2;
}

std::size_t GraphWindow::sampleCount() const {
    return current_.received;
}

std::size_t GraphWindow::plottedPoints() const {
    return static_cast<std::size_t>(currentSeries_[Index(Quantity::Vy)]->count());
}

void GraphWindow::refreshNow() {
    refresh();
}

bool GraphWindow::refreshPending() const {
    return refreshTimer_.isActive();
}

const QLineSeries* GraphWindow::currentSeries(Quantity q) const {
    return currentSeries_[Index(q)];
}

const QLineSeries* GraphWindow::previousSeries(Quantity q) const {
    return previousSeries_[Index(q)];
}

const QLineSeries* GraphWindow::referenceLine() const {
    return reference_;
}

const QValueAxis* GraphWindow::timeAxis() const {
    return velocityTimeAxis_;
}

const QValueAxis* GraphWindow::velocityAxis() const {
    return velocityAxis_;
}

const QValueAxis* GraphWindow::heightAxis() const {
    return heightAxis_;
}

// Nothing is drawn while the window is hidden, so whatever arrived then is
// shown at once when it opens.
void GraphWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (currentDirty_ || previousDirty_) {
        refresh();
    }
}

void GraphWindow::hideEvent(QHideEvent* event) {
    refreshTimer_.stop();
    QWidget::hideEvent(event);
}

// Each series gets its whole point list in one replace: appending point by
// point would make the chart redo its bookkeeping for every point. The list
// is built here from the run's own storage rather than shared with it, so
// that the next addSample does not pay for copying a list the chart holds.
void GraphWindow::refresh() {
    refreshTimer_.stop();
    if (previousDirty_) {
        for (const Quantity q : kQuantities) {
            const auto& trace = previous_.traces[Index(q)];
            previousSeries_[Index(q)]->replace(QList<QPointF>(trace.begin(), trace.end()));
        }
        const bool shown = previous_.received > 0;
        for (const Quantity q : {Quantity::Vy, Quantity::Height}) {
            QLineSeries* series = previousSeries_[Index(q)];
            QLegend* legend = series->chart()->legend();
            for (QLegendMarker* marker : legend->markers(series)) {
                marker->setVisible(shown);
            }
            // A legend with a single entry does not make room for the label
            // of one that appears later unless it is laid out afresh.
            legend->hide();
            legend->show();
        }
        previousDirty_ = false;
    }
    if (currentDirty_) {
        // The latest sample ends the trace even when thinning skipped it, so
        // that the line reaches the body's present state.
        const bool addLast =
            current_.received > 0 && (current_.received - 1) % current_.stride != 0;
        for (const Quantity q : kQuantities) {
            const auto& trace = current_.traces[Index(q)];
            QList<QPointF> points;
            points.reserve(static_cast<qsizetype>(trace.size()) + 1);
            points.append(QList<QPointF>(trace.begin(), trace.end()));
            const double v = ValueOf(current_.last, q);
            if (addLast && std::isfinite(current_.last.t) && std::isfinite(v)) {
                points.append(QPointF(current_.last.t, v));
            }
            currentSeries_[Index(q)]->replace(points);
        }
        reference_->setName(
            QStringLiteral("vy at launch (%1 m/s)").arg(current_.referenceVy, 0, 'f', 2));
        currentDirty_ = false;
    }
    updateAxes();
}

// Both charts share one time range, so a moment lines up across them, and
// it covers the previous run too, so the current one is seen growing into
// it. The velocity range always takes in the reference line.
void GraphWindow::updateAxes() {
    double tEnd = 0.0;
    Span velocity;
    Span height;
    for (const Run* run : {&current_, &previous_}) {
        for (const auto& trace : run->traces) {
            if (!trace.empty()) {
                tEnd = std::max(tEnd, trace.back().x());
            }
        }
        for (const Quantity q : kVelocities) {
            velocity.take(run->traces[Index(q)]);
        }
        height.take(run->traces[Index(Quantity::Height)]);
    }
    if (current_.received > 0) {
        const TickSample& last = current_.last;
        if (std::isfinite(last.t)) {
            tEnd = std::max(tEnd, last.t);
        }
        for (const Quantity q : kVelocities) {
            velocity.take(ValueOf(last, q));
        }
        height.take(last.y);
    }
    if (hasRun_) {
        velocity.take(current_.referenceVy);
    }

    SetRounded(velocityTimeAxis_, 0.0, std::max(tEnd, kMinTimeSpan), 8.0);
    SetRounded(heightTimeAxis_, 0.0, std::max(tEnd, kMinTimeSpan), 8.0);
    FitAxis(velocityAxis_, velocity, kMinVelocitySpan);
    FitAxis(heightAxis_, height, kMinHeightSpan);

    reference_->setVisible(hasRun_);
    reference_->replace({QPointF(velocityTimeAxis_->min(), current_.referenceVy),
                         QPointF(velocityTimeAxis_->max(), current_.referenceVy)});
}

}  // namespace zorva
