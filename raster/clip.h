// Cutting shapes down to the part of them that can reach the image, before
// any pixel is worked out: a stroke or a circle may run far beyond it.
#pragma once

#include <array>
#include <cstddef>

namespace zorva {

/// A rectangle in pixels, edges included; left ≤ right, top ≤ bottom.
struct ClipArea {
    double left = 0.0;
    double top = 0.0;
    double right = 0.0;
    double bottom = 0.0;
    bool contains(double x, double y) const {
        return x >= left && x <= right && y >= top && y <= bottom;
    }
};

/// Cuts the segment (x0, y0)–(x1, y1) down to its part inside area; false,
/// with the ends left anywhere, when no part is. An end moved onto a side
/// has that coordinate set exactly. Never throws.
bool ClipSegment(const ClipArea& area, double& x0, double& y0, double& x1, double& y1);

/// Whether a ring of radius r and half width halfWidth about (cx, cy) may
/// reach area; false only when it surely does not.
bool RingMeetsArea(const ClipArea& area, double cx, double cy, double r, double halfWidth);

/// The number of vertices (a multiple of 8, ≥ 8) of the polygon that stands
/// for a whole circle of radius radiusPx: its chords stay within 1/64 pixel
/// of the circle and no chord is longer than 1024 pixels.
double CircleSteps(double radiusPx);

/// The stretches of a circle, as whole steps of stepAngle (radians, y
/// downwards), that lie in area: first and last step of each.
struct CircleArcs {
    /// False when the circle crosses no line through an edge of area: it
    /// then lies wholly inside or wholly outside, and count is 0.
    bool crossesEdge = false;
    std::array<double, 16> steps{};
    std::size_t count = 0;  ///< number of stretches; stretch i is steps[2i]–steps[2i+1]
};
CircleArcs ArcsInArea(const ClipArea& area, double cx, double cy, double r, double stepAngle);

}  // namespace zorva
