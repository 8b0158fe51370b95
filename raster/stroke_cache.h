// The pixel runs of narrow strokes drawn lately. The curve, the axes and the
// legend are stroked anew at every tick along the same segments: a stroke
// seen a second time keeps its runs, made ready for the image, so that
// painting it again is a few stores a run.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <unordered_map>
#include <utility>
#include <vector>

#include "raster/span_fill.h"

namespace zorva {

/// What a narrow stroke is: a one-pixel line, solid or dash-dot, or a
/// capsule with round ends.
enum class StrokeShape { ThinLine, DashedThinLine, Capsule };

/// A stroke in device pixels: its ends, the capsule's radius (0 for a thin
/// line) and where a dash-dot stroke starts in its pattern (−1 for solid).
struct StrokeKey {
    double x0, y0, x1, y1, radius, dashOffset;
    bool operator==(const StrokeKey&) const = default;
};

class StrokeCache {
  public:
    /// Paints the stroke into rows in colour, keeping its runs when it was
    /// seen lately; pattern is the dash-dot pattern in pixels (for
    /// DashedThinLine). Never throws but std::bad_alloc.
    void paint(const PixelRows& rows, const StrokeKey& key, StrokeShape shape,
               std::span<const double> pattern, std::uint32_t colour);
    /// Forgets every stroke: their runs were cut to the image as it was.
    void forget();

  private:
    struct KeyHash {
        std::size_t operator()(const StrokeKey& key) const;
    };
    struct Remembered;
    using Entry = std::pair<const StrokeKey, Remembered>;
    struct Remembered {
        std::vector<PixelRun> runs;
        /// The runs made ready for the image as it is.
        PreparedRuns prepared;
        /// The stroke drawn after this one the last time, if any: the next
        /// to be asked for, as a tick draws them in the same order.
        Entry* next = nullptr;
    };
    void forgetRuns();

    std::unordered_map<StrokeKey, Remembered, KeyHash> runs_;
    /// The stroke drawn last (null after the store is emptied).
    Entry* last_ = nullptr;
    /// Hashes of strokes drawn lately whose runs are not kept (yet), each at
    /// its place modulo the size. A stroke is taken as seen when its hash is
    /// found there; one wrongly taken so only has its runs kept early.
    std::array<std::size_t, 1024> seen_{};
};

}  // namespace zorva
