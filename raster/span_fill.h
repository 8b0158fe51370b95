// Solid shapes painted straight into a 32-bit pixel buffer, one run of pixels
// per row. A pixel is painted when its centre lies in the shape: the rule a
// wide pen follows, so that a white pen covers exactly what a coloured pen of
// the same width painted there. The window's erasers paint hundreds of
// thousands of pixels a tick; filled this way they cost little more than the
// memory they write; and where the window knows a stretch to be white
// already, a white shape does not write it at all.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace zorva {

/// Writes colour to pixels first to last (first ≤ last) of line. Runs of a
/// few pixels are the common case (thin lines, the ends of a wide eraser's
/// run): they are written without a loop whose length the processor would
/// have to guess.
inline void FillPixels(std::uint32_t* line, int first, int last, std::uint32_t colour) {
    const int count = last - first + 1;
    if (count < 4) {
        line[first] = colour;
        line[first + count / 2] = colour;
        line[last] = colour;
        return;
    }
    const std::array<std::uint32_t, 4> four{colour, colour, colour, colour};
    std::uint32_t* at = line + first;
    std::uint32_t* const end = line + last + 1;
    for (; end - at >= 4; at += 4) {
        std::memcpy(at, four.data(), sizeof four);
    }
    // The last few pixels: four written again, ending at the run's end.
    if (at != end) {
        std::memcpy(end - 4, four.data(), sizeof four);
    }
}

/// Writes colour to the 16 pixels from at.
inline void FillStretch(std::uint32_t* at, std::uint32_t colour) {
    const std::array<std::uint32_t, 4> four{colour, colour, colour, colour};
    std::memcpy(at, four.data(), sizeof four);
    std::memcpy(at + 4, four.data(), sizeof four);
    std::memcpy(at + 8, four.data(), sizeof four);
    std::memcpy(at + 12, four.data(), sizeof four);
}

/// Which stretches of a pixel buffer may differ from its background colour.
/// A stretch is kChunk pixels of one row; the stretches of every row start
/// `offset` pixels left of the row's first pixel (so that they can lie on
/// the cache lines of the buffer), and the first and last of a row may be
/// shorter.
/// A stretch not marked holds only the background; a marked one may hold
/// anything. Whoever paints anything but the background marks what it
/// painted (or more); a shape painted in the background then writes only
/// the marked stretches it touches, and unmarks those it covers whole.
/// The map also notes, on the same stretches, every stretch written since
/// the changes were last taken (see takeChanges): the screen needs a copy of
/// only those.
class InkMap {
  public:
    static constexpr int kChunk = 16;

    /// A map of width × height pixels (negative counts as 0) whose stretches
    /// start offset pixels (0 to kChunk − 1; taken modulo kChunk) left of each
    /// row, every stretch marked when inked, none otherwise, for the given
    /// background colour; every stretch counts as changed.
    void reset(int width, int height, std::uint32_t background, bool inked, int offset = 0);
    /// Takes a new size and stretch offset, keeping marked every pixel both
    /// sizes share that was marked; the new pixels count as background when
    /// newPixelsBackground, as inked otherwise. Every stretch counts as changed.
    void resize(int width, int height, bool newPixelsBackground, int offset = 0);
    int offset() const { return static_cast<int>(offset_); }
    /// Marks the stretches that hold any of pixels first to last (inclusive)
    /// of row, as inked and changed; the parts outside the map are left out.
    void markRun(int row, int first, int last);
    /// Marks every stretch that holds a pixel of the rectangle of columns
    /// left to right and rows top to bottom (inclusive), cut to the map, as
    /// inked and changed.
    void markRect(int left, int top, int right, int bottom);

    /// Calls visit(left, top, right, bottom) (pixels, inclusive, within the
    /// map) for boxes that together hold every stretch changed since the last
    /// call, and forgets those changes: for each band of bandRows rows (≥ 1)
    /// from the top, the runs of stretches changed in any of its rows, left
    /// to right, each cut to the map.
    template <typename Visit>
    void takeChanges(int bandRows, Visit visit);
    /// Whether the stretch holding pixel (x, row) is marked; false outside.
    bool marked(int x, int row) const;
    std::uint32_t background() const { return background_; }
    int width() const { return width_; }
    int height() const { return height_; }

    /// The stretches of a row that hold pixels first to last, worked out once
    /// for asking many rows about the same columns (see anyMarkedIn).
    struct Columns {
        unsigned firstWord;
        unsigned lastWord;
        std::uint64_t firstBits;
        std::uint64_t lastBits;
    };
    /// The columns of pixels first to last, 0 ≤ first ≤ last < width().
    Columns columns(int first, int last) const {
        const auto c0 = (static_cast<unsigned>(first) + offset_) / 16U;
        const auto c1 = (static_cast<unsigned>(last) + offset_) / 16U;
        if (c0 / 64U == c1 / 64U) {
            return {c0 / 64U, c1 / 64U, BitsBetween(c0 % 64U, c1 % 64U), 0};
        }
        return {c0 / 64U, c1 / 64U, BitsBetween(c0 % 64U, 63U), BitsBetween(0U, c1 % 64U)};
    }

    /// What the drawing uses for the runs of one shape, thousands a tick:
    /// the map's layout and storage as plain values. Read through the map,
    /// they would be read again after every pixel written, which as far as
    /// the compiler knows could have changed them. Valid while the map keeps
    /// its size.
    class Writer {
      public:
        explicit Writer(InkMap& map)
            : bits_(map.bits_.data()),
              changed_(map.changed_.data()),
              words_(static_cast<std::size_t>(map.words_)),
              offset_(map.offset_),
              width_(map.width_),
              background_(map.background_) {}

        /// markRun for a run known to lie within the map.
        [[gnu::always_inline]] void markInside(int row, int first, int last) const {
            const auto c0 = (static_cast<unsigned>(first) + offset_) / 16U;
            const auto c1 = (static_cast<unsigned>(last) + offset_) / 16U;
            const std::size_t at = wordAt(row, c0 / 64U);
            if (c0 / 64U == c1 / 64U) {
                const std::uint64_t bits = BitsBetween(c0 % 64U, c1 % 64U);
                bits_[at] |= bits;
                changed_[at] |= bits;
            } else {
                const std::uint64_t low = BitsBetween(c0 % 64U, 63U);
                const std::uint64_t high = BitsBetween(0U, c1 % 64U);
                bits_[at] |= low;
                changed_[at] |= low;
                for (std::size_t k = at + 1; k < at + (c1 / 64U - c0 / 64U); ++k) {
                    bits_[k] = ~std::uint64_t{0};
                    changed_[k] = ~std::uint64_t{0};
                }
                const std::size_t end = at + (c1 / 64U - c0 / 64U);
                bits_[end] |= high;
                changed_[end] |= high;
            }
        }

        /// Whether any stretch of the columns is marked in row.
        [[gnu::always_inline]] bool anyMarkedIn(int row, const Columns& columns) const {
            const std::uint64_t* w = bits_ + wordAt(row, 0);
            if ((w[columns.firstWord] & columns.firstBits) != 0) {
                return true;
            }
            for (unsigned word = columns.firstWord + 1; word < columns.lastWord; ++word) {
                if (w[word] != 0) {
                    return true;
                }
            }
            return (w[columns.lastWord] & columns.lastBits) != 0;
        }

        /// Paints pixels first to last of row in the background colour where
        /// the map is marked (line is the row's first pixel), and unmarks the
        /// stretches it covers whole. first and last must lie within the row.
        [[gnu::always_inline]] void erase(std::uint32_t* line, int row, int first, int last) const {
            // Most runs lie within one word of the map, and most find it clear
            // where they lie: a tick's erasers ask this thousands of times.
            const auto c0 = (static_cast<unsigned>(first) + offset_) / 16U;
            const auto c1 = (static_cast<unsigned>(last) + offset_) / 16U;
            if (c0 / 64U != c1 / 64U) {
                eraseAcross(line, row, first, last);
                return;
            }
            const std::size_t at = wordAt(row, c0 / 64U);
            const std::uint64_t marked = bits_[at] & BitsBetween(c0 % 64U, c1 % 64U);
            if (marked == 0) {
                return;
            }
            changed_[at] |= marked;
            // One marked stretch strictly inside the run: last tick's thin
            // arrow or circle, in the middle of the wide eraser painted over it.
            const std::uint64_t ends =
                (std::uint64_t{1} << (c0 % 64U)) | (std::uint64_t{1} << (c1 % 64U));
            if ((marked & (marked - 1)) == 0 && (marked & ends) == 0) {
                const unsigned chunk =
                    (c0 & ~63U) + static_cast<unsigned>(std::countr_zero(marked));
                FillStretch(line + (chunk * 16U - offset_), background_);
                bits_[at] &= ~marked;
                return;
            }
            bits_[at] &= ~eraseInWord(line, marked, c0, c1, first, last);
        }

      private:
        std::size_t wordAt(int row, unsigned word) const {
            return static_cast<std::size_t>(row) * words_ + word;
        }
        /// erase for a run across words of the map.
        void eraseAcross(std::uint32_t* line, int row, int first, int last) const;
        /// Paints the marked stretches (bits of one word of the map) of the
        /// run of pixels first to last, whose end stretches are c0 and c1, and
        /// returns the bits of those it covered whole.
        [[gnu::always_inline]] std::uint64_t eraseInWord(std::uint32_t* line, std::uint64_t marked,
                                                         unsigned c0, unsigned c1, int first,
                                                         int last) const {
            const std::uint64_t firstBit = std::uint64_t{1} << (c0 % 64U);
            const std::uint64_t lastBit = std::uint64_t{1} << (c1 % 64U);
            // The stretches between the end ones lie wholly within the run,
            // and so within the row.
            std::uint64_t covered = marked & ~(firstBit | lastBit);
            for (std::uint64_t rest = covered; rest != 0; rest &= rest - 1) {
                const unsigned chunk = (c0 & ~63U) + static_cast<unsigned>(std::countr_zero(rest));
                FillStretch(line + (chunk * 16U - offset_), background_);
            }
            // The run may cover the end stretches only in part, and the first
            // and last stretch of a row may be short.
            const int start0 = static_cast<int>(c0 * 16U - offset_);
            if ((marked & firstBit) != 0) {
                const int end = std::min(last, start0 + kChunk - 1);
                FillPixels(line, first, end, background_);
                if (first <= std::max(start0, 0) && end >= std::min(start0 + kChunk, width_) - 1) {
                    covered |= firstBit;
                }
            }
            if (c1 != c0 && (marked & lastBit) != 0) {
                const int start1 = static_cast<int>(c1 * 16U - offset_);
                FillPixels(line, start1, last, background_);
                if (last >= std::min(start1 + kChunk, width_) - 1) {
                    covered |= lastBit;
                }
            }
            return covered;
        }

        std::uint64_t* bits_;
        std::uint64_t* changed_;
        std::size_t words_;
        unsigned offset_;
        int width_;
        std::uint32_t background_;
    };

  private:
    friend class PreparedRuns;
    static constexpr int kChunksPerWord = 64;
    static_assert(kChunk == 16 && kChunksPerWord == 64, "the inline paths divide by shifting");
    /// Bits first to last (0 ≤ first ≤ last ≤ 63) of a word.
    static std::uint64_t BitsBetween(unsigned first, unsigned last) {
        return (~std::uint64_t{0} << first) & (~std::uint64_t{0} >> (63 - last));
    }
    /// Calls visit(word, stretches) for each word of a row's map that holds
    /// stretches of pixels first to last (≥ 0), stretches selecting them in
    /// the word, until visit returns false.
    template <typename Visit>
    void forEachWord(int first, int last, Visit visit) const {
        const auto c0 = (static_cast<unsigned>(first) + offset_) / 16U;
        const auto c1 = (static_cast<unsigned>(last) + offset_) / 16U;
        for (unsigned word = c0 / 64U; word <= c1 / 64U; ++word) {
            const unsigned low = word == c0 / 64U ? c0 % 64U : 0U;
            const unsigned high = word == c1 / 64U ? c1 % 64U : 63U;
            if (!visit(word, BitsBetween(low, high))) {
                return;
            }
        }
    }
    std::uint64_t* words(int row) {
        return bits_.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(words_);
    }
    std::size_t wordAt(int row, unsigned word) const {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(words_) + word;
    }

    int width_ = 0;
    int height_ = 0;
    unsigned offset_ = 0;
    int words_ = 0;
    std::uint32_t background_ = 0;
    std::vector<std::uint64_t> bits_;
    /// The stretches written since the changes were last taken, laid out as
    /// bits_.
    std::vector<std::uint64_t> changed_;
    /// The changed stretches of a band of rows (takeChanges).
    std::vector<std::uint64_t> bandBits_;
};

/// A pixel buffer: width × height pixels, rows `stride` pixels apart, with
/// the map of its ink when it has one (of the same size). Every shape
/// painted through it keeps the map true.
struct PixelRows {
    std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
    InkMap* ink = nullptr;
};

/// The pixels whose centres lie within radius of the segment from (x0, y0) to
/// (x1, y1): a stroke of width 2 × radius with round ends. Coordinates in
/// pixels, y downwards; pixel (i, j) has its centre at (i + ½, j + ½). Parts
/// outside the buffer are left out. Non-finite input paints nothing.
void FillCapsule(const PixelRows& rows, double x0, double y0, double x1, double y1, double radius,
                 std::uint32_t colour);

/// Pixels first to last (inclusive) of one row.
struct PixelRun {
    int row;
    int first;
    int last;
};

/// The runs FillCapsule would paint in rows, kept in runs (cleared first), so
/// that a stroke drawn again and again costs only its painting.
void CapsuleRuns(const PixelRows& rows, double x0, double y0, double x1, double y1, double radius,
                 std::vector<PixelRun>& runs);
/// The runs of a line one pixel thin from (x0, y0) to (x1, y1): along its
/// major axis every pixel whose centre lies between the ends, ends included,
/// and across it the pixel that holds the line there (a line on a pixel edge
/// takes the pixel right of or below it). Kept in runs (cleared first); parts
/// outside the buffer are left out. Non-finite input gives no runs.
void ThinLineRuns(const PixelRows& rows, double x0, double y0, double x1, double y1,
                  std::vector<PixelRun>& runs);
/// Paints the runs ThinLineRuns would give.
void FillThinLine(const PixelRows& rows, double x0, double y0, double x1, double y1,
                  std::uint32_t colour);
/// The pixels of FillThinLine that the dash pattern inks: pattern holds the
/// lengths of ink and gap in turn (pixels, ≥ 0, summing to more than 0),
/// repeated along the line from (x0, y0), which lies offset pixels into it.
/// A pixel is inked when the point where its centre meets the line is.
void FillDashedThinLine(const PixelRows& rows, double x0, double y0, double x1, double y1,
                        std::span<const double> pattern, double offset, std::uint32_t colour);
/// The runs FillDashedThinLine would paint, kept in runs (cleared first).
void DashedThinLineRuns(const PixelRows& rows, double x0, double y0, double x1, double y1,
                        std::span<const double> pattern, double offset,
                        std::vector<PixelRun>& runs);
/// Paints the runs; runs outside rows are left out.
void FillRuns(const PixelRows& rows, const std::vector<PixelRun>& runs, std::uint32_t colour);

/// Runs made ready to be painted into one buffer with an ink map again and
/// again: each knows where it starts among the pixels and which bits of the
/// map it marks, so that painting it is a few stores. The curve, the axes and
/// the legend are painted this way at every tick, thousands of runs.
class PreparedRuns {
  public:
    /// Makes runs ready for rows (which must have an ink map to be of use);
    /// runs outside rows are left out.
    void prepare(const PixelRows& rows, const std::vector<PixelRun>& runs);
    /// Whether they were made ready for a buffer laid out as rows is: the
    /// same rows and the same map layout (the runs are kept as places
    /// within the pixels, wherever these are).
    bool fits(const PixelRows& rows) const;
    /// Paints them in colour, which must not be the map's background, into
    /// rows, for which they must fit, and marks them in its map.
    void paint(const PixelRows& rows, std::uint32_t colour) const;

  private:
    struct Entry {
        std::size_t pixel;
        std::size_t word;
        std::uint64_t stretches;
        int count;
    };
    std::vector<Entry> entries_;
    int stride_ = 0;
    int width_ = 0;
    int height_ = 0;
    unsigned offset_ = 0;
    int words_ = 0;
};
/// Marks in rows' ink map every stretch FillCapsule would paint, for a shape
/// painted by other means that lies within the capsule. Nothing without a map.
void MarkCapsule(const PixelRows& rows, double x0, double y0, double x1, double y1, double radius);

/// The pixels whose centres lie within halfWidth of the circle of the given
/// radius about (cx, cy): a circle stroked with a pen of width 2 × halfWidth.
/// Where halfWidth ≥ radius, the disc of radius + halfWidth.
void FillRing(const PixelRows& rows, double cx, double cy, double radius, double halfWidth,
              std::uint32_t colour);

/// The first pixel, in reading order, that differs from the background in a
/// stretch the ink map leaves unmarked, as y × width + x, for a buffer of the
/// map's size with rows stride pixels apart; −1 when there is none. For
/// checks: it reads every pixel.
long long FirstUnmarkedInk(const std::uint32_t* pixels, int stride, const InkMap& ink);

template <typename Visit>
void InkMap::takeChanges(int bandRows, Visit visit) {
    bandRows = std::max(bandRows, 1);
    const auto words = static_cast<std::size_t>(words_);
    const std::size_t stretches = words * 64;
    std::vector<std::uint64_t>& band = bandBits_;
    band.resize(words);
    // The first stretch from i on whose bit is set (flip 0) or clear (flip ~0).
    const auto next = [&](std::size_t i, std::uint64_t flip) {
        std::size_t k = i / 64;
        if (k >= words) {
            return stretches;
        }
        std::uint64_t bits = (band[k] ^ flip) & (~std::uint64_t{0} << (i % 64));
        while (bits == 0) {
            if (++k == words) {
                return stretches;
            }
            bits = band[k] ^ flip;
        }
        return k * 64 + static_cast<std::size_t>(std::countr_zero(bits));
    };
    const auto pixel = [this](std::size_t stretch) {
        return static_cast<int>(stretch) * kChunk - static_cast<int>(offset_);
    };
    for (int top = 0; top < height_; top += bandRows) {
        const int bottom = std::min(top + bandRows, height_) - 1;
        std::fill(band.begin(), band.end(), 0);
        for (int row = top; row <= bottom; ++row) {
            std::uint64_t* changed = changed_.data() + wordAt(row, 0);
            for (std::size_t k = 0; k < words; ++k) {
                band[k] |= changed[k];
                changed[k] = 0;
            }
        }
        for (std::size_t start = next(0, 0); start < stretches;) {
            const std::size_t end = next(start, ~std::uint64_t{0});
            const int left = std::max(pixel(start), 0);
            const int right = std::min(pixel(end), width_) - 1;
            if (left <= right) {
                visit(left, top, right, bottom);
            }
            start = next(end, 0);
        }
    }
}

}  // namespace zorva
