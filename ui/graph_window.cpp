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
#include <vector>

#include "form/graph_looks.h"

namespace zorva {
namespace {

using Quantity = GraphModel::Quantity;
using Chart = GraphModel::Chart;

std::size_t Index(Quantity q) {
    return static_cast<std::size_t>(q);
}

QChart* ChartFor(Quantity q, QChart* velocity, QChart* height) {
    return GraphModel::ChartOf(q) == Chart::Height ? height : velocity;
}

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QColor ToQColor(Colour colour, int alpha = 255) {
    return {colour.red, colour.green, colour.blue, alpha};
}

// The chart strokes a solid line as one short segment per pair of points,
// often less than a pixel long. With flat caps, antialiased segments that
// short only partly cover the pixels they share, and the line comes out
// pale; round caps cost a curve per segment, several times the drawing
// time. Square caps overlap the segments for the price of a straight edge.
QPen CurrentPen(Quantity q) {
    const QuantityLook& look = kQuantityLooks[Index(q)];
    QPen pen(ToQColor(look.colour), look.penWidth);
    pen.setCapStyle(Qt::SquareCap);
    return pen;
}

// The previous run's translucent segments must not overlap, or the overlaps
// darken it.
QPen FadedPen(Quantity q) {
    QPen pen(ToQColor(kQuantityLooks[Index(q)].colour, kGraphsLook.fadedAlpha),
             kGraphsLook.fadedPenWidth);
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
    // Ticks fall on the round values the model fits, not on a fixed count,
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

QList<QPointF> ToSeries(const std::vector<GraphModel::Point>& points) {
    QList<QPointF> series;
    series.reserve(static_cast<qsizetype>(points.size()));
    for (const GraphModel::Point& p : points) {
        series.append(QPointF(p.t, p.value));
    }
    return series;
}

// Puts the axis on the fitted range with a tick every step. A dynamic axis
// lays out its ticks, one label item each, whenever its range or its
// interval changes. Setting a much wider range while the old, finer
// interval still holds would lay out tens of thousands of ticks for a
// moment (a long run's time axis grows from milliseconds to minutes between
// two updates while the window is closed), so a coarser interval goes in
// before the range and a finer one after it.
//
// The axis finds its ticks by adding the interval over and over from the
// lowest one and stops past the maximum, so rounding error could drop the
// tick at the maximum or print the one at 0 as "-0.0". A slack of a
// millionth of a step around the range keeps the end ticks, and an anchor a
// billionth of a step above 0 keeps the zero tick on the positive side;
// neither shows.
void SetTicks(QValueAxis* axis, const GraphModel::Axis& fitted) {
    const double step = fitted.step;
    const bool coarser = step > axis->tickInterval();
    if (coarser) {
        axis->setTickInterval(step);
    }
    axis->setTickAnchor(1e-9 * step);
    axis->setRange(fitted.min - 1e-6 * step, fitted.max + 1e-6 * step);
    if (!coarser) {
        axis->setTickInterval(step);
    }
    axis->setLabelFormat(QStringLiteral("%.%1f").arg(fitted.decimals));
}

}  // namespace

GraphWindow::GraphWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    const ChartLook& velocity = kChartLooks[static_cast<std::size_t>(Chart::Velocity)];
    const ChartLook& height = kChartLooks[static_cast<std::size_t>(Chart::Height)];
    setWindowTitle(Text(kGraphsLook.title));
    setAccessibleName(Text(kGraphsLook.name));
    setAccessibleDescription(Text(kGraphsLook.description));

    QChart* velocityChart = MakeChart(Text(velocity.title));
    QChart* heightChart = MakeChart(Text(height.title));
    velocityTimeAxis_ = MakeAxis(Text(kGraphsLook.timeAxis));
    heightTimeAxis_ = MakeAxis(Text(kGraphsLook.timeAxis));
    velocityAxis_ = MakeAxis(Text(velocity.valueAxis));
    heightAxis_ = MakeAxis(Text(height.valueAxis));
    velocityChart->addAxis(velocityTimeAxis_, Qt::AlignBottom);
    velocityChart->addAxis(velocityAxis_, Qt::AlignLeft);
    heightChart->addAxis(heightTimeAxis_, Qt::AlignBottom);
    heightChart->addAxis(heightAxis_, Qt::AlignLeft);

    // Series are stacked in the order they are added, and the legend lists
    // them in that order too: the current run, then the faded previous run
    // (drawn over it, but light enough not to hide it), then the dashed
    // reference on top, where it shows whether vy lies along it.
    const auto add = [&](QLineSeries* series, Quantity q) {
        QChart* chart = ChartFor(q, velocityChart, heightChart);
        chart->addSeries(series);
        series->attachAxis(q == Quantity::Height ? heightTimeAxis_ : velocityTimeAxis_);
        series->attachAxis(q == Quantity::Height ? heightAxis_ : velocityAxis_);
    };
    for (const Quantity q : GraphModel::kQuantities) {
        auto* series = new QLineSeries;
        series->setName(Text(kQuantityLooks[Index(q)].name));
        series->setPen(CurrentPen(q));
        currentSeries_[Index(q)] = series;
        add(series, q);
    }
    for (const Quantity q : GraphModel::kQuantities) {
        auto* series = new QLineSeries;
        series->setName(Text(kGraphsLook.previousRun));
        series->setPen(FadedPen(q));
        previousSeries_[Index(q)] = series;
        add(series, q);
    }
    reference_ = new QLineSeries;
    reference_->setName(Text(kGraphsLook.reference));
    QPen dashed(ToQColor(kGraphsLook.referenceColour), kGraphsLook.referencePenWidth);
    dashed.setDashPattern({kGraphsLook.referenceDash, kGraphsLook.referenceGap});
    reference_->setPen(dashed);
    reference_->setVisible(false);
    add(reference_, Quantity::Vy);

    // One legend entry stands for the whole previous run in each chart, and
    // only once there is one.
    for (const Quantity q : GraphModel::kQuantities) {
        QChart* chart = ChartFor(q, velocityChart, heightChart);
        for (QLegendMarker* marker : chart->legend()->markers(previousSeries_[Index(q)])) {
            marker->setVisible(false);
        }
    }

    velocityView_ = MakeView(
        velocityChart, Text(velocity.name),
        Text(velocity.description) + QStringLiteral(", with a dashed line at the vertical speed "
                                                    "given at launch."),
        this);
    heightView_ = MakeView(heightChart, Text(height.name),
                           Text(height.description) + QStringLiteral("."), this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(velocityView_, 3);
    layout->addWidget(heightView_, 2);
    resize(760, 680);

    refreshTimer_.setSingleShot(true);
    refreshTimer_.setInterval(kRefreshDelayMs);
    connect(&refreshTimer_, &QTimer::timeout, this, [this] { refresh(); });
    updateAxes();
}

GraphWindow::~GraphWindow() = default;

void GraphWindow::startRun(double referenceVy) {
    if (model_.startRun(referenceVy)) {
        previousDirty_ = true;
    }
    currentDirty_ = true;
    if (isVisible() && !refreshTimer_.isActive()) {
        refreshTimer_.start();
    }
}

// Called on every tick, up to a thousand times a second, so it only
// records; the charts are touched in refresh.
void GraphWindow::addSample(const TickSample& s) {
    model_.addSample(s);
    currentDirty_ = true;
    if (isVisible() && !refreshTimer_.isActive()) {
        refreshTimer_.start();
    }
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
// point would make the chart redo its bookkeeping for every point.
void GraphWindow::refresh() {
    refreshTimer_.stop();
    if (previousDirty_) {
        for (const Quantity q : GraphModel::kQuantities) {
            previousSeries_[Index(q)]->replace(ToSeries(model_.previousTrace(q)));
        }
        const bool shown = model_.hasPrevious();
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
        for (const Quantity q : GraphModel::kQuantities) {
            currentSeries_[Index(q)]->replace(ToSeries(model_.currentTrace(q)));
        }
        reference_->setName(QStringLiteral("%1 (%2 m/s)")
                                .arg(Text(kGraphsLook.reference))
                                .arg(model_.referenceVy(), 0, 'f', 2));
        currentDirty_ = false;
    }
    updateAxes();
}

void GraphWindow::updateAxes() {
    const GraphModel::Axis time = model_.timeAxis();
    SetTicks(velocityTimeAxis_, time);
    SetTicks(heightTimeAxis_, time);
    SetTicks(velocityAxis_, model_.valueAxis(Chart::Velocity));
    SetTicks(heightAxis_, model_.valueAxis(Chart::Height));
    reference_->setVisible(model_.hasRun());
    reference_->replace(ToSeries(model_.referenceLine()));
}

}  // namespace zorva
