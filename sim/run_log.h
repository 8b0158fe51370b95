// The per-tick record of a run, for graphs and data export.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zorva {

/// What one drawn tick leaves behind. SI units: s, m, m/s, N.
struct TickSample {
    double t = 0.0;  ///< StepCount × TimeStep (s)
    double x = 0.0;  ///< position (m)
    double y = 0.0;
    double vx = 0.0;  ///< velocity (m/s)
    double vy = 0.0;
    double speed = 0.0;  ///< |v| (m/s)
    double Fx = 0.0;     ///< total force, reaction plus weight (N)
    double Fy = 0.0;
    double N = 0.0;  ///< normal reaction (N)
    double R = 0.0;  ///< radius of curvature (m); 0 where the curve has none
    std::int64_t StepCount = 0;
};

/// The samples of the current run, oldest first, up to a fixed number of
/// rows; samples past it are counted but not kept, so a run that never ends
/// cannot grow the program without bound.
class RunLog {
  public:
    /// capacity: the most rows kept, ≥ 0.
    explicit RunLog(std::size_t capacity) : capacity_(capacity) {}

    void clear() {
        rows_.clear();
        dropped_ = 0;
    }
    void add(const TickSample& sample) {
        if (rows_.size() < capacity_) {
            rows_.push_back(sample);
        } else {
            ++dropped_;
        }
    }
    const std::vector<TickSample>& rows() const { return rows_; }
    /// Samples that arrived after the log was full.
    std::size_t dropped() const { return dropped_; }
    void setCapacity(std::size_t capacity) { capacity_ = capacity; }

  private:
    std::size_t capacity_;
    std::vector<TickSample> rows_;
    std::size_t dropped_ = 0;
};

}  // namespace zorva
