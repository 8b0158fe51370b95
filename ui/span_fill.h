// Solid shapes painted straight into a 32-bit pixel buffer, one run of pixels
// per row. A pixel is painted when its centre lies in the shape: the rule a
// wide pen follows, so that a white pen covers exactly what a coloured pen of
// the same width painted there. The window's erasers paint hundreds of
// thousands of pixels a tick; filled this way they cost little more than the
// memory they write.
#pragma once

#include <cstdint>
#include <vector>

namespace zorva {

/// A pixel buffer: width × height pixels, rows `stride` pixels apart.
struct PixelRows {
    std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
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
/// Paints the runs; runs outside rows are left out.
void FillRuns(const PixelRows& rows, const std::vector<PixelRun>& runs, std::uint32_t colour);

/// The pixels whose centres lie within halfWidth of the circle of the given
/// radius about (cx, cy): a circle stroked with a pen of width 2 × halfWidth.
/// Where halfWidth ≥ radius, the disc of radius + halfWidth.
void FillRing(const PixelRows& rows, double cx, double cy, double radius, double halfWidth,
              std::uint32_t colour);

}  // namespace zorva
