// What a shape should paint, pixel by pixel, for the tests that scan whole
// images: a pixel belongs to a shape when its centre lies within the shape,
// and a pixel whose centre lies on the shape's edge, to within a tie, may go
// either way.
#pragma once

#include <cmath>
#include <optional>

namespace zorva {

/// Calls visit(x, y) for every pixel of a width × height image, row by row.
template <typename Visit>
void ForEachPixel(int width, int height, Visit&& visit) {
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            visit(x, y);
        }
    }
}

/// The pixels of a width × height image for which wrong(x, y) holds: how
/// many, and the first in row order (−1, −1 when none).
struct Mismatches {
    int count = 0;
    int firstX = -1;
    int firstY = -1;
};
template <typename Wrong>
Mismatches FindMismatches(int width, int height, Wrong&& wrong) {
    Mismatches found;
    ForEachPixel(width, height, [&](int x, int y) {
        if (wrong(x, y) && found.count++ == 0) {
            found.firstX = x;
            found.firstY = y;
        }
    });
    return found;
}

/// How far the centre of pixel (x, y) lies from the circle of radius r
/// about (cx, cy), in pixels.
inline double OffRing(int x, int y, double cx, double cy, double r) {
    return std::abs(std::hypot(x + 0.5 - cx, y + 0.5 - cy) - r);
}

/// Whether pixel (x, y) belongs to the ring of half width halfWidth about the
/// circle; nothing when its centre lies within tie of the ring's edge.
inline std::optional<bool> InRing(int x, int y, double cx, double cy, double r, double halfWidth,
                                  double tie) {
    const double off = OffRing(x, y, cx, cy, r);
    if (std::abs(off - halfWidth) <= tie) {
        return std::nullopt;
    }
    return off < halfWidth;
}

}  // namespace zorva
