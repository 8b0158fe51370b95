#include "ui/span_fill.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zorva {
namespace {

// The pixels of a row of the given width whose centres lie in [left, right];
// false when there are none.
// Ceiling and floor of a value cut to [low, high]: inline, where std::ceil
// and std::floor are calls into the maths library on the baseline x86-64
// instruction set, and a tick works out thousands of rows.
int CeilWithin(double value, int low, int high) {
    if (!(value > low)) {
        return low;
    }
    if (value >= high) {
        return high;
    }
    const int truncated = static_cast<int>(value);
    return truncated + (truncated < value ? 1 : 0);
}
int FloorWithin(double value, int low, int high) {
    if (!(value < high)) {
        return high;
    }
    if (value <= low) {
        return low;
    }
    const int truncated = static_cast<int>(value);
    return truncated - (truncated > value ? 1 : 0);
}

bool RunBetween(int width, int row, double left, double right, PixelRun& run) {
    if (!(left <= right) || width <= 0) {
        return false;
    }
    // Centres i + ½ in [left, right]: i from ⌈left − ½⌉ to ⌊right − ½⌋.
    const int first = CeilWithin(left - 0.5, 0, width);
    const int last = FloorWithin(right - 0.5, -1, width - 1);
    if (first > last) {
        return false;
    }
    run = {row, first, last};
    return true;
}

void Paint(const PixelRows& rows, const PixelRun& run, std::uint32_t colour) {
    std::uint32_t* line = rows.pixels + static_cast<std::ptrdiff_t>(run.row) * rows.stride;
    std::fill(line + run.first, line + run.last + 1, colour);
}

// Paints the pixels of row whose centres lie in [left, right].
void FillRun(const PixelRows& rows, int row, double left, double right, std::uint32_t colour) {
    PixelRun run{};
    if (RunBetween(rows.width, row, left, right, run)) {
        Paint(rows, run, colour);
    }
}

// The rows whose centres lie within [top, bottom], cut to the buffer.
struct RowRange {
    int first;
    int last;
};
RowRange RowsBetween(const PixelRows& rows, double top, double bottom) {
    const double first = std::max(std::ceil(top - 0.5), 0.0);
    const double last = std::min(std::floor(bottom - 0.5), rows.height - 1.0);
    if (!(first <= last)) {
        return {0, -1};
    }
    return {static_cast<int>(first), static_cast<int>(last)};
}

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Widens [left, right] to take in the disc's share of the row at height y.
void TakeDisc(double cx, double cy, double radius, double y, double& left, double& right) {
    const double dy = y - cy;
    if (std::abs(dy) <= radius) {
        const double half = std::sqrt(radius * radius - dy * dy);
        left = std::min(left, cx - half);
        right = std::max(right, cx + half);
    }
}

template <typename Emit>
void CapsuleRows(const PixelRows& rows, double x0, double y0, double x1, double y1, double radius,
                 Emit emit) {
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1) ||
        !std::isfinite(radius) || radius <= 0.0) {
        return;
    }
    const RowRange range = RowsBetween(rows, std::min(y0, y1) - radius, std::max(y0, y1) + radius);
    const double dx = x1 - x0;
    const double dy = y1 - y0;
    const double lengthSquared = dx * dx + dy * dy;
    // The band between the end discs, for the row at height y, is where
    //   0 ≤ (x − x0)·dx + (y − y0)·dy ≤ length²   (along the segment) and
    //   |(x − x0)·dy − (y − y0)·dx| ≤ radius·length   (across it).
    // Each bounds x between two values linear in y, worked out once here.
    const bool alongBoundsX = dx != 0.0;
    const double alongSlope = alongBoundsX ? dy / dx : 0.0;
    const double alongSpan = alongBoundsX ? lengthSquared / dx : 0.0;
    const bool acrossBoundsX = dy != 0.0;
    const double acrossSlope = acrossBoundsX ? dx / dy : 0.0;
    const double acrossHalf =
        acrossBoundsX ? radius * std::sqrt(lengthSquared) / std::abs(dy) : 0.0;
    const double top = std::min(y0, y1);
    const double bottom = std::max(y0, y1);
    for (int row = range.first; row <= range.last; ++row) {
        const double y = row + 0.5;
        // The capsule is convex, so its share of a row is one run: the union of
        // the shares of its two end discs and of the band between them.
        double left = kInfinity;
        double right = -kInfinity;
        if (y <= top + radius || y >= bottom - radius) {
            TakeDisc(x0, y0, radius, y, left, right);
            TakeDisc(x1, y1, radius, y, left, right);
        }
        if (lengthSquared > 0.0) {
            double lo = -kInfinity;
            double hi = kInfinity;
            if (alongBoundsX) {
                const double a = x0 - (y - y0) * alongSlope;
                const double b = a + alongSpan;
                lo = std::min(a, b);
                hi = std::max(a, b);
            } else if (y < top || y > bottom) {
                // A vertical segment's band holds only the rows between its ends.
                lo = kInfinity;
            }
            if (acrossBoundsX) {
                const double middle = x0 + (y - y0) * acrossSlope;
                lo = std::max(lo, middle - acrossHalf);
                hi = std::min(hi, middle + acrossHalf);
            } else if (std::abs(y - y0) > radius) {
                // A horizontal segment's band holds only the rows within radius.
                lo = kInfinity;
            }
            if (lo <= hi) {
                left = std::min(left, lo);
                right = std::max(right, hi);
            }
        }
        emit(row, left, right);
    }
}

}  // namespace

void FillCapsule(const PixelRows& rows, double x0, double y0, double x1, double y1, double radius,
                 std::uint32_t colour) {
    CapsuleRows(rows, x0, y0, x1, y1, radius, [&](int row, double left, double right) {
        FillRun(rows, row, left, right, colour);
    });
}

void CapsuleRuns(const PixelRows& rows, double x0, double y0, double x1, double y1, double radius,
                 std::vector<PixelRun>& runs) {
    runs.clear();
    CapsuleRows(rows, x0, y0, x1, y1, radius, [&](int row, double left, double right) {
        PixelRun run{};
        if (RunBetween(rows.width, row, left, right, run)) {
            runs.push_back(run);
        }
    });
}

void FillRuns(const PixelRows& rows, const std::vector<PixelRun>& runs, std::uint32_t colour) {
    for (const PixelRun& run : runs) {
        if (run.row < rows.height && run.last < rows.width) {
            Paint(rows, run, colour);
        }
    }
}

void FillRing(const PixelRows& rows, double cx, double cy, double radius, double halfWidth,
              std::uint32_t colour) {
    if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(radius) ||
        !std::isfinite(halfWidth) || radius < 0.0 || halfWidth <= 0.0) {
        return;
    }
    const double outer = radius + halfWidth;
    const double inner = radius - halfWidth;
    const RowRange range = RowsBetween(rows, cy - outer, cy + outer);
    for (int row = range.first; row <= range.last; ++row) {
        const double dy = row + 0.5 - cy;
        if (std::abs(dy) > outer) {
            continue;
        }
        // (outer − |dy|)(outer + |dy|) rather than outer² − dy², which loses
        // the row's share of a large ring to rounding.
        const double ady = std::abs(dy);
        const double outerHalf = std::sqrt((outer - ady) * (outer + ady));
        if (inner <= 0.0 || ady >= inner) {
            FillRun(rows, row, cx - outerHalf, cx + outerHalf, colour);
            continue;
        }
        const double innerHalf = std::sqrt((inner - ady) * (inner + ady));
        FillRun(rows, row, cx - outerHalf, cx - innerHalf, colour);
        FillRun(rows, row, cx + innerHalf, cx + outerHalf, colour);
    }
}

}  // namespace zorva
