#include "raster/span_fill.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <span>
#include <type_traits>

namespace zorva {
namespace {

// Ceiling and floor of a value cut to [low, high]: inline, where std::ceil
// and std::floor are calls into the maths library on the baseline x86-64
// instruction set, and a tick works out thousands of rows.
[[gnu::always_inline]] inline int CeilWithin(double value, int low, int high) {
    if (!(value > low)) {
        return low;
    }
    if (value >= high) {
        return high;
    }
    const int truncated = static_cast<int>(value);
    return truncated + (truncated < value ? 1 : 0);
}
[[gnu::always_inline]] inline int FloorWithin(double value, int low, int high) {
    if (!(value < high)) {
        return high;
    }
    if (value <= low) {
        return low;
    }
    const int truncated = static_cast<int>(value);
    return truncated - (truncated > value ? 1 : 0);
}

// The width of a buffer, as RunBetween asks about it: worked out once a
// shape, since a store through a pixel could change rows.width as far as the
// compiler knows.
struct RowSpan {
    explicit RowSpan(int widthPx) : width(widthPx), lastCentre(widthPx - 1.0) {}
    int width;
    double lastCentre;
};

// The pixels of a row of the given span whose centres lie in [left,
// right]; false when there are none.
[[gnu::always_inline]] inline bool RunBetween(const RowSpan& span, int row, double left,
                                              double right, PixelRun& run) {
    const double from = left - 0.5;
    const double to = right - 0.5;
    // Most runs lie inside the row: there truncation is the floor, and only
    // the first pixel needs rounding up. Both ends are moved by half a pixel
    // exactly there, so that from > to when left > right, and the run is
    // then empty.
    if (from > 0.0 && to < span.lastCentre) {
        const int truncated = static_cast<int>(from);
        const int first = truncated + (truncated < from ? 1 : 0);
        const int last = static_cast<int>(to);
        if (first > last) {
            return false;
        }
        run = {row, first, last};
        return true;
    }
    const int width = span.width;
    if (!(left <= right) || width <= 0) {
        return false;
    }
    // Centres i + ½ in [left, right]: i from ⌈left − ½⌉ to ⌊right − ½⌋.
    const int first = CeilWithin(from, 0, width);
    const int last = FloorWithin(to, -1, width - 1);
    if (first > last) {
        return false;
    }
    run = {row, first, last};
    return true;
}

// Calls body(paint), where paint(run) paints one run of colour the way the
// buffer asks, chosen once for all the runs of a shape. With an ink map,
// paint in the background colour goes only where there may be ink: the
// erasers of a tick cover some 370,000 pixels, nearly all of them white
// already, and writing them costs more than all the rest of the tick's
// drawing.
template <typename Body>
[[gnu::always_inline]] inline void WithPainter(const PixelRows& rows, std::uint32_t colour,
                                               Body body) {
    // Copies, which no pixel written can change: the compiler need not read
    // them again after every pixel.
    std::uint32_t* const pixels = rows.pixels;
    const auto stride = static_cast<std::ptrdiff_t>(rows.stride);
    const auto line = [pixels, stride](int row) { return pixels + row * stride; };
    if (rows.ink == nullptr) {
        body([&](const PixelRun& run) { FillPixels(line(run.row), run.first, run.last, colour); });
    } else if (colour == rows.ink->background()) {
        const InkMap::Writer ink(*rows.ink);
        body([line, ink](const PixelRun& run) {
            ink.erase(line(run.row), run.row, run.first, run.last);
        });
    } else {
        const InkMap::Writer ink(*rows.ink);
        body([line, ink, colour](const PixelRun& run) {
            FillPixels(line(run.row), run.first, run.last, colour);
            ink.markInside(run.row, run.first, run.last);
        });
    }
}

// Whether the count (≥ 1) pixels from run all hold colour. Runs of up to
// three pixels, most of a kept stroke's, are read without a loop.
[[gnu::always_inline]] inline bool Holds(const std::uint32_t* run, int count,
                                         std::uint32_t colour) {
    if (count < 4) {
        return run[0] == colour && run[count / 2] == colour && run[count - 1] == colour;
    }
    std::uint32_t differ = 0;
    for (int i = 0; i < count; ++i) {
        differ |= run[i] ^ colour;
    }
    return differ == 0;
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

// Widens [left, right] to take in the share of the row at height y of the
// disc about (cx, cy), when the row passes through it.
[[gnu::always_inline]] inline void TakeDisc(double cx, double cy, double radius, double y,
                                            double& left, double& right) {
    const double dy = y - cy;
    if (std::abs(dy) <= radius) {
        const double half = std::sqrt(radius * radius - dy * dy);
        left = std::min(left, cx - half);
        right = std::max(right, cx + half);
    }
}

// Calls emit(row, left, right) for every row of the buffer the capsule about
// the segment from (x0, y0) to (x1, y1) may reach and wanted(row) asks for,
// with [left, right] its share of the row at the row's centre (empty when
// left > right).
template <typename Emit, typename Wanted>
void CapsuleRows(const PixelRows& rows, double x0, double y0, double x1, double y1, double radius,
                 Emit emit, Wanted wanted) {
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
    // Each bounds x between two values linear in y, x = base + (y − y0)·slope,
    // worked out once here; a bound that does not involve x bounds the rows
    // instead, and leaves x free (an infinite base with slope 0).
    double alongLow = -kInfinity;
    double alongHigh = kInfinity;
    double alongSlope = 0.0;
    double acrossLow = -kInfinity;
    double acrossHigh = kInfinity;
    double acrossSlope = 0.0;
    double bandTop = -kInfinity;
    double bandBottom = kInfinity;
    if (lengthSquared == 0.0) {
        bandTop = kInfinity;
    }
    if (dx != 0.0) {
        alongSlope = -dy / dx;
        alongLow = x0;
        alongHigh = x0 + lengthSquared / dx;
        if (dx < 0.0) {
            std::swap(alongLow, alongHigh);
        }
    } else if (lengthSquared > 0.0) {
        // A vertical segment's band holds only the rows between its ends.
        bandTop = std::max(bandTop, std::min(y0, y1));
        bandBottom = std::min(bandBottom, std::max(y0, y1));
    }
    if (dy != 0.0) {
        acrossSlope = dx / dy;
        const double half = radius * std::sqrt(lengthSquared) / std::abs(dy);
        acrossLow = x0 - half;
        acrossHigh = x0 + half;
    } else if (lengthSquared > 0.0) {
        // A horizontal segment's band holds only the rows within radius.
        bandTop = std::max(bandTop, y0 - radius);
        bandBottom = std::min(bandBottom, y0 + radius);
    }
    // Row centres are whole numbers and a half, so stepping them by one is
    // exact.
    double y = range.first + 0.5;
    for (int row = range.first; row <= range.last; ++row, y += 1.0) {
        if (!wanted(row)) {
            continue;
        }
        const double along = (y - y0) * alongSlope;
        const double across = (y - y0) * acrossSlope;
        // The capsule is convex, so its share of a row is one run: the union of
        // the shares of its two end discs and of the band between them.
        double left = kInfinity;
        double right = -kInfinity;
        if (y >= bandTop && y <= bandBottom) {
            const double low = std::max(alongLow + along, acrossLow + across);
            const double high = std::min(alongHigh + along, acrossHigh + across);
            if (low <= high) {
                left = low;
                right = high;
            }
        }
        TakeDisc(x0, y0, radius, y, left, right);
        TakeDisc(x1, y1, radius, y, left, right);
        emit(row, left, right);
    }
}

// A lit(c) for ThinLineRows that accepts every pixel: a solid line.
struct EveryPixel {
    bool operator()(double /*centre*/) const { return true; }
};

// Calls emit(row, first, last) for the runs of a thin line (see
// ThinLineRuns), row by row for a steep line and column by column, merged
// along rows, for a flat one; only the pixels along the major axis whose
// centre c lit(c) accepts.
template <typename Emit, typename Lit>
void ThinLineRows(const PixelRows& rows, double x0, double y0, double x1, double y1, Emit emit,
                  Lit lit) {
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) {
        return;
    }
    const bool xMajor = std::abs(x1 - x0) >= std::abs(y1 - y0);
    // Walk the major axis from the lesser end; u is the major coordinate, v
    // the minor one, so that one loop serves both kinds of line.
    double u0 = xMajor ? x0 : y0;
    double v0 = xMajor ? y0 : x0;
    double u1 = xMajor ? x1 : y1;
    double v1 = xMajor ? y1 : x1;
    if (u1 < u0) {
        std::swap(u0, u1);
        std::swap(v0, v1);
    }
    const int majorCount = xMajor ? rows.width : rows.height;
    const int minorCount = xMajor ? rows.height : rows.width;
    // Pixels i whose centre i + ½ lies in [u0, u1].
    const int first = CeilWithin(u0 - 0.5, 0, majorCount);
    const int last = FloorWithin(u1 - 0.5, -1, majorCount - 1);
    const double slope = u1 > u0 ? (v1 - v0) / (u1 - u0) : 0.0;
    // A solid level line, such as a horizontal force component reaching
    // across the window, is one run: every pixel lies in the row of v0 (the
    // loop below would add (i + ½ − u0)·0 to it).
    if constexpr (std::is_same_v<Lit, EveryPixel>) {
        if (xMajor && slope == 0.0) {
            const int j = FloorWithin(v0, -1, minorCount);
            if (j >= 0 && j < minorCount && first <= last) {
                emit(j, first, last);
            }
            return;
        }
    }
    // A flat line's pixels in one row make one run, emitted when it ends.
    PixelRun pending{-1, 0, -1};
    for (int i = first; i <= last; ++i) {
        // The pixel across that holds the line at the centre of pixel i:
        // ⌊v⌋, computed afresh for every pixel so that no error builds up.
        const double v = v0 + (i + 0.5 - u0) * slope;
        const int j = FloorWithin(v, -1, minorCount);
        if (j < 0 || j >= minorCount || !lit(i + 0.5)) {
            continue;
        }
        if (!xMajor) {
            emit(i, j, j);
        } else if (pending.row == j && pending.last == i - 1) {
            pending.last = i;
        } else {
            if (pending.row >= 0) {
                emit(pending.row, pending.first, pending.last);
            }
            pending = {j, i, i};
        }
    }
    if (pending.row >= 0) {
        emit(pending.row, pending.first, pending.last);
    }
}

}  // namespace

void InkMap::reset(int width, int height, std::uint32_t background, bool inked, int offset) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    offset_ = static_cast<unsigned>(((offset % kChunk) + kChunk) % kChunk);
    const int chunks = (width_ + static_cast<int>(offset_) + kChunk - 1) / kChunk;
    words_ = (chunks + kChunksPerWord - 1) / kChunksPerWord;
    background_ = background;
    bits_.assign(static_cast<std::size_t>(words_) * static_cast<std::size_t>(height_),
                 inked ? ~std::uint64_t{0} : 0);
    changed_.assign(bits_.size(), ~std::uint64_t{0});
}

void InkMap::resize(int width, int height, bool newPixelsBackground, int offset) {
    InkMap resized;
    resized.reset(width, height, background_, false, offset);
    // Every marked stretch marks its pixels afresh, whichever stretches of
    // the new map they fall in.
    const int chunks = (width_ + static_cast<int>(offset_) + kChunk - 1) / kChunk;
    for (int row = 0; row < std::min(height_, resized.height_); ++row) {
        for (int chunk = 0; chunk < chunks; ++chunk) {
            const int start = chunk * kChunk - static_cast<int>(offset_);
            const int first = std::max(start, 0);
            if (marked(first, row)) {
                resized.markRun(row, first, std::min(start + kChunk, width_) - 1);
            }
        }
    }
    if (!newPixelsBackground) {
        for (int row = 0; row < resized.height_; ++row) {
            resized.markRun(row, row < height_ ? width_ : 0, resized.width_ - 1);
        }
    }
    *this = std::move(resized);
}

void InkMap::markRun(int row, int first, int last) {
    first = std::max(first, 0);
    last = std::min(last, width_ - 1);
    if (row < 0 || row >= height_ || first > last) {
        return;
    }
    std::uint64_t* w = words(row);
    std::uint64_t* changed = changed_.data() + wordAt(row, 0);
    forEachWord(first, last, [w, changed](unsigned word, std::uint64_t stretches) {
        w[word] |= stretches;
        changed[word] |= stretches;
        return true;
    });
}

void InkMap::markRect(int left, int top, int right, int bottom) {
    for (int row = std::max(top, 0); row <= std::min(bottom, height_ - 1); ++row) {
        markRun(row, left, right);
    }
}

bool InkMap::marked(int x, int row) const {
    if (x < 0 || x >= width_ || row < 0 || row >= height_) {
        return false;
    }
    const unsigned chunk = (static_cast<unsigned>(x) + offset_) / 16U;
    const std::uint64_t word =
        bits_[static_cast<std::size_t>(row) * static_cast<std::size_t>(words_) + chunk / 64U];
    return ((word >> (chunk % 64U)) & 1U) != 0;
}

void InkMap::Writer::eraseAcross(std::uint32_t* line, int row, int first, int last) const {
    // Each word's share is a run of its own.
    const auto c0 = (static_cast<unsigned>(first) + offset_) / 16U;
    const auto c1 = (static_cast<unsigned>(last) + offset_) / 16U;
    for (unsigned word = c0 / 64U; word <= c1 / 64U; ++word) {
        const unsigned low = word == c0 / 64U ? c0 : word * 64U;
        const unsigned high = word == c1 / 64U ? c1 : word * 64U + 63U;
        const std::size_t at = wordAt(row, word);
        const std::uint64_t marked = bits_[at] & BitsBetween(low % 64U, high % 64U);
        if (marked != 0) {
            const int from = std::max(first, static_cast<int>(low * 16U - offset_));
            const int to = std::min(last, static_cast<int>(high * 16U + 15U - offset_));
            bits_[at] &= ~eraseInWord(line, marked, low, high, from, to);
            changed_[at] |= marked;
        }
    }
}

void FillCapsule(const PixelRows& rows, double x0, double y0, double x1, double y1, double radius,
                 std::uint32_t colour) {
    WithPainter(rows, colour, [&](auto paint) {
        const RowSpan span(rows.width);
        // Forced inline: left to itself the compiler calls it for every row.
        const auto fill = [&](int row, double left, double right) __attribute__((always_inline)) {
            PixelRun run{};
            if (RunBetween(span, row, left, right, run)) {
                paint(run);
            }
        };
        if (rows.ink == nullptr || colour != rows.ink->background()) {
            CapsuleRows(rows, x0, y0, x1, y1, radius, fill, [](int) { return true; });
            return;
        }
        // An eraser: a row with no stretch marked anywhere the capsule could
        // reach (the columns of its bounding box) is left without working out
        // the capsule's share of it. Where erasers overlap, the first has
        // already cleared what the others would find.
        const int first = CeilWithin(std::min(x0, x1) - radius - 0.5, 0, rows.width);
        const int last = FloorWithin(std::max(x0, x1) + radius - 0.5, -1, rows.width - 1);
        if (first > last) {
            return;
        }
        const InkMap::Columns columns = rows.ink->columns(first, last);
        const InkMap::Writer ink(*rows.ink);
        CapsuleRows(rows, x0, y0, x1, y1, radius, fill,
                    [&](int row) { return ink.anyMarkedIn(row, columns); });
    });
}

void CapsuleRuns(const PixelRows& rows, double x0, double y0, double x1, double y1, double radius,
                 std::vector<PixelRun>& runs) {
    runs.clear();
    const RowSpan span(rows.width);
    CapsuleRows(
        rows, x0, y0, x1, y1, radius,
        [&](int row, double left, double right) {
            PixelRun run{};
            if (RunBetween(span, row, left, right, run)) {
                runs.push_back(run);
            }
        },
        [](int) { return true; });
}

void ThinLineRuns(const PixelRows& rows, double x0, double y0, double x1, double y1,
                  std::vector<PixelRun>& runs) {
    runs.clear();
    ThinLineRows(
        rows, x0, y0, x1, y1,
        [&](int row, int first, int last) {
            runs.push_back({row, first, last});
        },
        EveryPixel{});
}

void FillThinLine(const PixelRows& rows, double x0, double y0, double x1, double y1,
                  std::uint32_t colour) {
    WithPainter(rows, colour, [&](auto paint) {
        ThinLineRows(
            rows, x0, y0, x1, y1,
            [&](int row, int first, int last) {
                paint({row, first, last});
            },
            EveryPixel{});
    });
}

namespace {

// Calls emit(row, first, last) for the runs of FillDashedThinLine.
template <typename Emit>
void DashedThinLineRows(const PixelRows& rows, double x0, double y0, double x1, double y1,
                        std::span<const double> pattern, double offset, Emit emit) {
    double period = 0.0;
    for (const double length : pattern) {
        period += length;
    }
    // Beyond 2⁵² pixels into the pattern the place within it is lost to
    // rounding (and the division below would leave the range of an integer).
    if (!(period > 0.0) || !std::isfinite(period) || !(std::abs(offset) < 0x1p52)) {
        return;
    }
    // The distance along the line from (x0, y0) to where a pixel centre c on
    // the major axis meets it is (c − start)·length / (end − start).
    const bool xMajor = std::abs(x1 - x0) >= std::abs(y1 - y0);
    const double start = xMajor ? x0 : y0;
    const double extent = (xMajor ? x1 : y1) - start;
    const double scale = extent != 0.0 ? std::hypot(x1 - x0, y1 - y0) / extent : 0.0;
    ThinLineRows(rows, x0, y0, x1, y1, emit, [&](double centre) {
        // The place in the pattern; a truncating division rather than
        // std::fmod, which is a call into the maths library per pixel.
        const double along = offset + (centre - start) * scale;
        double phase = along - static_cast<double>(static_cast<long long>(along / period)) * period;
        if (phase < 0.0) {
            phase += period;
        }
        // Even places of the pattern are ink, odd ones gaps.
        for (std::size_t k = 0; k < pattern.size(); ++k) {
            if (phase < pattern[k]) {
                return k % 2 == 0;
            }
            phase -= pattern[k];
        }
        return false;
    });
}

}  // namespace

void FillDashedThinLine(const PixelRows& rows, double x0, double y0, double x1, double y1,
                        std::span<const double> pattern, double offset, std::uint32_t colour) {
    WithPainter(rows, colour, [&](auto paint) {
        DashedThinLineRows(rows, x0, y0, x1, y1, pattern, offset,
                           [&](int row, int first, int last) {
                               paint({row, first, last});
                           });
    });
}

void DashedThinLineRuns(const PixelRows& rows, double x0, double y0, double x1, double y1,
                        std::span<const double> pattern, double offset,
                        std::vector<PixelRun>& runs) {
    runs.clear();
    DashedThinLineRows(rows, x0, y0, x1, y1, pattern, offset, [&](int row, int first, int last) {
        runs.push_back({row, first, last});
    });
}

void FillRuns(const PixelRows& rows, const std::vector<PixelRun>& runs, std::uint32_t colour) {
    WithPainter(rows, colour, [&](auto paint) {
        for (const PixelRun& run : runs) {
            if (run.row < rows.height && run.last < rows.width) {
                paint(run);
            }
        }
    });
}

void PreparedRuns::prepare(const PixelRows& rows, const std::vector<PixelRun>& runs) {
    entries_.clear();
    stride_ = rows.stride;
    width_ = rows.width;
    height_ = rows.height;
    const InkMap* ink = rows.ink;
    offset_ = ink != nullptr ? ink->offset_ : 0;
    words_ = ink != nullptr ? ink->words_ : 0;
    if (ink == nullptr) {
        return;
    }
    for (const PixelRun& run : runs) {
        if (run.row < 0 || run.row >= rows.height || run.first < 0 || run.last >= rows.width ||
            run.first > run.last) {
            continue;
        }
        // A run across two words of the map is kept as two, one in each.
        ink->forEachWord(run.first, run.last, [&](unsigned word, std::uint64_t stretches) {
            const auto wordStart =
                static_cast<int>(word * 64U * 16U) - static_cast<int>(ink->offset_);
            const int first = std::max(run.first, wordStart);
            const int last = std::min(run.last, wordStart + 64 * InkMap::kChunk - 1);
            entries_.push_back(
                {static_cast<std::size_t>(run.row) * static_cast<std::size_t>(rows.stride) +
                     static_cast<std::size_t>(first),
                 static_cast<std::size_t>(run.row) * static_cast<std::size_t>(ink->words_) + word,
                 stretches, last - first + 1});
            return true;
        });
    }
}

bool PreparedRuns::fits(const PixelRows& rows) const {
    return rows.ink != nullptr && rows.stride == stride_ && rows.width == width_ &&
           rows.height == height_ && rows.ink->offset_ == offset_ && rows.ink->words_ == words_;
}

void PreparedRuns::paint(const PixelRows& rows, std::uint32_t colour) const {
    std::uint32_t* const pixels = rows.pixels;
    std::uint64_t* const bits = rows.ink->bits_.data();
    std::uint64_t* const changed = rows.ink->changed_.data();
    for (const Entry& entry : entries_) {
        // A stroke drawn again at every tick is mostly where nothing has
        // touched it since. A run that holds the colour already is left as it
        // is: its stretches are marked, as those of every pixel not in the
        // background are, and it is not counted as changed, so that the
        // screen is not given the curve and the axes anew at every frame.
        std::uint32_t* const run = pixels + entry.pixel;
        if (Holds(run, entry.count, colour)) {
            continue;
        }
        FillPixels(run, 0, entry.count - 1, colour);
        bits[entry.word] |= entry.stretches;
        changed[entry.word] |= entry.stretches;
    }
}

void MarkCapsule(const PixelRows& rows, double x0, double y0, double x1, double y1, double radius) {
    if (rows.ink == nullptr) {
        return;
    }
    const RowSpan span(rows.width);
    CapsuleRows(
        rows, x0, y0, x1, y1, radius,
        [&](int row, double left, double right) {
            PixelRun run{};
            if (RunBetween(span, row, left, right, run)) {
                InkMap::Writer(*rows.ink).markInside(run.row, run.first, run.last);
            }
        },
        [](int) { return true; });
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
    // The left half of the ring lies left of the centre and the right half
    // right of it: a half that cannot reach the buffer is not worked out.
    const bool left = cx > 0.0;
    const bool right = cx < rows.width;
    WithPainter(rows, colour, [&](auto paint) {
        const RowSpan span(rows.width);
        // Forced inline: left to itself the compiler calls it, twice a row.
        const auto fill = [&](int row, double from, double to) __attribute__((always_inline)) {
            PixelRun run{};
            if (RunBetween(span, row, from, to, run)) {
                paint(run);
            }
        };
        // The half-widths of a batch of rows are worked out before any of them
        // is painted: the square roots of neighbouring rows then go two to an
        // instruction and overlap one another, where worked out row by row each
        // waited on the painting of the row before.
        constexpr int kBatchRows = 64;
        std::array<double, kBatchRows> outerHalves{};
        std::array<double, kBatchRows> innerHalves{};
        std::array<double, kBatchRows> distances{};
        for (int batch = range.first; batch <= range.last; batch += kBatchRows) {
            const int count = std::min(kBatchRows, range.last - batch + 1);
            for (int k = 0; k < count; ++k) {
                // (outer − |dy|)(outer + |dy|) rather than outer² − dy², which
                // loses the row's share of a large ring to rounding. Rows beyond
                // the ring, or beyond its hole, take 0 and are not painted by it.
                const double ady = std::abs(batch + k + 0.5 - cy);
                const auto index = static_cast<std::size_t>(k);
                distances[index] = ady;
                outerHalves[index] = std::sqrt(std::max((outer - ady) * (outer + ady), 0.0));
                innerHalves[index] = std::sqrt(std::max((inner - ady) * (inner + ady), 0.0));
            }
            for (int k = 0; k < count; ++k) {
                const int row = batch + k;
                const double ady = distances[static_cast<std::size_t>(k)];
                if (ady > outer) {
                    continue;
                }
                const double outerHalf = outerHalves[static_cast<std::size_t>(k)];
                if (inner <= 0.0 || ady >= inner) {
                    fill(row, cx - outerHalf, cx + outerHalf);
                    continue;
                }
                const double innerHalf = innerHalves[static_cast<std::size_t>(k)];
                if (left) {
                    fill(row, cx - outerHalf, cx - innerHalf);
                }
                if (right) {
                    fill(row, cx + innerHalf, cx + outerHalf);
                }
            }
        }
    });
}

long long FirstUnmarkedInk(const std::uint32_t* pixels, int stride, const InkMap& ink) {
    for (int y = 0; y < ink.height(); ++y) {
        const std::uint32_t* line = pixels + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < ink.width(); ++x) {
            if (line[x] != ink.background() && !ink.marked(x, y)) {
                return static_cast<long long>(y) * ink.width() + x;
            }
        }
    }
    return -1;
}

}  // namespace zorva
