#include "form/graph_model.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace zorva {
namespace {

using Quantity = GraphModel::Quantity;
using Axis = GraphModel::Axis;
using Point = GraphModel::Point;

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

// Smallest visible ranges: 5 cm/s of velocity, 1 mm of height, 1 ms of time.
constexpr double kMinVelocitySpan = 0.05;
constexpr double kMinHeightSpan = 0.001;
constexpr double kMinTimeSpan = 0.001;

// About this many tick intervals on every axis.
constexpr double kTicks = 8.0;

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
    void take(const std::vector<Point>& points) {
        for (const Point& p : points) {
            take(p.value);
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
int DecimalsFor(double step) {
    return std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
}

// [lo, hi] rounded outwards to whole ticks, about kTicks of them. The rounding leaves the room
// around the traces; a line may touch the frame only where it meets a round value.
Axis Rounded(double lo, double hi) {
    const double step = NiceStep((hi - lo) / kTicks);
    return {std::floor(lo / step + 1e-9) * step, std::ceil(hi / step - 1e-9) * step, step,
            DecimalsFor(step)};
}

// A value axis around the span. A trace that lies flat (vy at the right
// launch speed) would otherwise give the axis no height at all and draw the
// line on the frame; minSpan keeps a visible band around it, wider for
// larger values so that a small wobble is not blown up to fill the chart.
Axis Fitted(Span span, double minSpan) {
    if (span.empty()) {
        span.take(0.0);
    }
    const double floor = std::max(minSpan, 0.1 * std::max(std::abs(span.lo), std::abs(span.hi)));
    if (span.hi - span.lo < floor) {
        const double mid = 0.5 * (span.lo + span.hi);
        span.lo = mid - 0.5 * floor;
        span.hi = mid + 0.5 * floor;
    }
    return Rounded(span.lo, span.hi);
}

}  // namespace

GraphModel::GraphModel() {
    for (auto& trace : current_.traces) {
        trace.reserve(kMaxPoints);
    }
}

bool GraphModel::startRun(double referenceVy) {
    // A "Time on" that ticked nothing has nothing to compare with, so the
    // run before it stays as the faded one.
    const bool ended = current_.received > 0;
    if (ended) {
        previous_ = std::move(current_);
    }
    current_ = Run{};
    current_.referenceVy = referenceVy;
    for (auto& trace : current_.traces) {
        trace.reserve(kMaxPoints);
    }
    hasRun_ = true;
    return ended;
}

// Called on every tick, up to a thousand times a second, so it only appends
// to storage reserved at startRun.
void GraphModel::addSample(const TickSample& s) {
    Run& run = current_;
    const bool kept = run.received % run.stride == 0;
    ++run.received;
    run.last = s;
    if (!kept) {
        return;
    }
    bool full = false;
    for (const Quantity q : kQuantities) {
        const double v = ValueOf(s, q);
        auto& trace = run.traces[Index(q)];
        if (std::isfinite(s.t) && std::isfinite(v)) {
            trace.push_back({s.t, v});
        }
        full = full || trace.size() >= kMaxPoints;
    }
    if (full) {
        thin(run);
    }
}

// Keeps every other stored point and halves the rate at which new ones are
// kept. The traces then hold the samples whose index is a multiple of the
// stride, evenly spread over the whole run however long it lasts, and the
// cost of drawing stays bounded: the limit is reached again only after
// twice as many samples as last time, so thinning costs O(1) a sample.
void GraphModel::thin(Run& run) {
    for (auto& trace : run.traces) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < trace.size(); i += 2) {
            trace[kept++] = trace[i];
        }
        trace.resize(kept);
    }
    run.stride *= 2;
}

std::vector<Point> GraphModel::currentTrace(Quantity q) const {
    const auto& trace = current_.traces[Index(q)];
    std::vector<Point> points;
    points.reserve(trace.size() + 1);
    points.assign(trace.begin(), trace.end());
    // The latest sample ends the trace even when thinning skipped it, so
    // that the line reaches the body's present state.
    const bool skipped = current_.received > 0 && (current_.received - 1) % current_.stride != 0;
    const double v = ValueOf(current_.last, q);
    if (skipped && std::isfinite(current_.last.t) && std::isfinite(v)) {
        points.push_back({current_.last.t, v});
    }
    return points;
}

const std::vector<Point>& GraphModel::previousTrace(Quantity q) const {
    return previous_.traces[Index(q)];
}

std::vector<Point> GraphModel::referenceLine() const {
    if (!hasRun_) {
        return {};
    }
    const Axis time = timeAxis();
    return {{time.min, current_.referenceVy}, {time.max, current_.referenceVy}};
}

// Both charts share one time range, so a moment lines up across them, and
// it covers the previous run too, so the current one is seen growing into
// it.
Axis GraphModel::timeAxis() const {
    double tEnd = 0.0;
    for (const Run* run : {&current_, &previous_}) {
        for (const auto& trace : run->traces) {
            if (!trace.empty()) {
                tEnd = std::max(tEnd, trace.back().t);
            }
        }
    }
    if (current_.received > 0 && std::isfinite(current_.last.t)) {
        tEnd = std::max(tEnd, current_.last.t);
    }
    return Rounded(0.0, std::max(tEnd, kMinTimeSpan));
}

// The velocity range always takes in the reference line, so that a vy
// drifting away from it is seen against it.
Axis GraphModel::valueAxis(Chart chart) const {
    Span span;
    for (const Quantity q : kQuantities) {
        if (ChartOf(q) != chart) {
            continue;
        }
        span.take(current_.traces[Index(q)]);
        span.take(previous_.traces[Index(q)]);
        if (current_.received > 0) {
            span.take(ValueOf(current_.last, q));
        }
    }
    if (chart == Chart::Velocity && hasRun_) {
        span.take(current_.referenceVy);
    }
    return Fitted(span, chart == Chart::Velocity ? kMinVelocitySpan : kMinHeightSpan);
}

}  // namespace zorva
