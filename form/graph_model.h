// What the graphs of a run show, free of any toolkit: the velocity
// components, the speed and the height against time, thinned to a bounded
// number of points; the previous run, kept for comparison; the launch's
// vertical speed as a reference line; and axes fitted around them. Whoever
// draws the graphs (the desktop's chart window, the page) feeds it the
// form's runStarted and tickDrawn and draws what it reads back.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "sim/run_log.h"

namespace zorva {

class GraphModel {
  public:
    /// The plotted quantities, each a trace against time t (s).
    enum class Quantity {
        Vy,     ///< vertical velocity (m/s)
        Vx,     ///< horizontal velocity (m/s)
        Speed,  ///< |v| (m/s)
        Height  ///< y (m)
    };
    static constexpr std::size_t kQuantityCount = 4;
    static constexpr std::array<Quantity, kQuantityCount> kQuantities{
        Quantity::Vy, Quantity::Vx, Quantity::Speed, Quantity::Height};

    /// The two charts: the velocities with the reference line, and the height.
    enum class Chart { Velocity, Height };
    /// The chart that plots q.
    static constexpr Chart ChartOf(Quantity q) {
        return q == Quantity::Height ? Chart::Height : Chart::Velocity;
    }

    /// A point of a trace: time t (s) and the quantity's value (m/s or m).
    struct Point {
        double t = 0.0;
        double value = 0.0;
        bool operator==(const Point&) const = default;
    };

    /// An axis from min to max, both whole multiples of step (> 0), with a
    /// tick every step; labels with `decimals` (≥ 0) decimals tell ticks apart.
    /// A value within a billionth of a step of a tick counts as on it, so a
    /// trace may pass an end by that much, on the frame.
    struct Axis {
        double min = 0.0;
        double max = 0.0;
        double step = 0.0;
        int decimals = 0;
    };

    /// Most points a trace holds for one run, the latest sample included;
    /// longer runs are thinned evenly to stay under it.
    static constexpr std::size_t kMaxPoints = 5000;

    /// No run yet: empty traces, no reference line.
    GraphModel();

    /// A run begins: referenceVy (m/s, finite) is the vertical speed the
    /// launch velocity gives. The current run becomes the previous run
    /// (replacing the one before) and the new run starts empty; a run that
    /// received no sample leaves the previous run in place. Returns whether
    /// the previous run changed.
    bool startRun(double referenceVy);
    /// Records one drawn tick of the current run, in constant time apart from
    /// an occasional thinning. A value that is not finite, or a sample whose
    /// t is not, is left out of its trace.
    void addSample(const TickSample& s);

    /// Whether startRun has been called.
    bool hasRun() const { return hasRun_; }
    /// Samples of the current run received since startRun (or construction).
    std::size_t sampleCount() const { return current_.received; }
    /// The current run's launch vertical speed (m/s); 0 before the first run.
    double referenceVy() const { return current_.referenceVy; }

    /// The current run's trace of q, oldest first: every stride-th sample,
    /// evenly spread over the run, then the latest sample if thinning skipped
    /// it. At most kMaxPoints points.
    std::vector<Point> currentTrace(Quantity q) const;
    /// The previous run's trace of q as it was stored when the run ended;
    /// empty when there is none.
    const std::vector<Point>& previousTrace(Quantity q) const;
    /// Whether there is a previous run to show.
    bool hasPrevious() const { return previous_.received > 0; }
    /// The reference line: two points at referenceVy, at the ends of the time
    /// axis; empty before the first run.
    std::vector<Point> referenceLine() const;

    /// The time axis (s) both charts share: from 0 to the end of the longer
    /// of the two runs, at least 1 ms.
    Axis timeAxis() const;
    /// The chart's value axis (m/s or m): takes in both runs' traces and the
    /// current run's latest sample, and for the velocities the reference.
    Axis valueAxis(Chart chart) const;

  private:
    /// One run's samples as points, thinned to every stride-th sample.
    struct Run {
        std::array<std::vector<Point>, kQuantityCount> traces;
        std::size_t received = 0;
        std::size_t stride = 1;
        TickSample last{};
        double referenceVy = 0.0;
    };

    static void thin(Run& run);

    Run current_;
    Run previous_;
    bool hasRun_ = false;
};

}  // namespace zorva
