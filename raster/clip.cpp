#include "raster/clip.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace zorva {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Circles are drawn as polygons with their vertices on the circle. Their
// chords stay within this distance of the true circle: a painter's own
// 1/64-pixel grid, so the pixels are those of the circle itself.
constexpr double kChordDeviationPx = 1.0 / 64.0;
// No chord is longer than this, so that the vertices of a huge circle, of
// which only the part crossing the image is drawn, stay near the image.
constexpr double kLongestChordPx = 1024.0;
// Bounds the vertex count of an absurdly large circle so that it stays an
// exact integer in double precision.
constexpr double kMostCircleSteps = 1 << 30;

// Which sides of area the point lies beyond, as bits.
int OutCode(const ClipArea& area, double x, double y) {
    return (x < area.left ? 1 : 0) | (x > area.right ? 2 : 0) | (y < area.top ? 4 : 0) |
           (y > area.bottom ? 8 : 0);
}

}  // namespace

// Cohen–Sutherland. An end point that lies outside is moved along the
// segment onto the side it lies beyond, with that coordinate set exactly, so
// that a segment running beyond any screen along an axis keeps its other
// coordinate to the last bit. (A parametric clip would lose it: the image's
// share of such a segment is below the precision of the parameter.)
bool ClipSegment(const ClipArea& area, double& x0, double& y0, double& x1, double& y1) {
    // Each step puts one coordinate of an end point on a side, so four settle it.
    for (int step = 0; step < 4; ++step) {
        const int codeA = OutCode(area, x0, y0);
        const int codeB = OutCode(area, x1, y1);
        if ((codeA | codeB) == 0) {
            return true;
        }
        if ((codeA & codeB) != 0) {
            return false;
        }
        double& outsideX = codeA != 0 ? x0 : x1;
        double& outsideY = codeA != 0 ? y0 : y1;
        const double otherX = codeA != 0 ? x1 : x0;
        const double otherY = codeA != 0 ? y1 : y0;
        const int code = codeA != 0 ? codeA : codeB;
        const double dx = otherX - outsideX;
        const double dy = otherY - outsideY;
        if ((code & 3) != 0) {
            const double x = (code & 1) != 0 ? area.left : area.right;
            outsideY = outsideY + dy * ((x - outsideX) / dx);
            outsideX = x;
        } else {
            const double y = (code & 4) != 0 ? area.top : area.bottom;
            outsideX = outsideX + dx * ((y - outsideY) / dy);
            outsideY = y;
        }
    }
    return OutCode(area, x0, y0) == 0 && OutCode(area, x1, y1) == 0;
}

// A pixel is painted when its centre lies within half a pen width of the
// circle; the nearest point of the circle then lies within the area, when
// the area is the image grown by a whole pen width.
bool RingMeetsArea(const ClipArea& area, double cx, double cy, double r, double halfWidth) {
    const double nearX = std::max({area.left - cx, 0.0, cx - area.right});
    const double nearY = std::max({area.top - cy, 0.0, cy - area.bottom});
    const double farX = std::max(std::abs(cx - area.left), std::abs(cx - area.right));
    const double farY = std::max(std::abs(cy - area.top), std::abs(cy - area.bottom));
    return !(r + halfWidth < std::hypot(nearX, nearY) || r - halfWidth > std::hypot(farX, farY));
}

// A chord spanning the angle φ lies radius·(1 − cos(φ/2)) ≈ radius·φ²/8
// inside the circle at its middle. A multiple of eight keeps the polygon as
// symmetric as the circle under quarter turns and mirroring, so that a dot
// is as wide as it is high.
double CircleSteps(double radiusPx) {
    const double byDeviation = kTwoPi / std::sqrt(8.0 * kChordDeviationPx / radiusPx);
    const double byLength = kTwoPi * radiusPx / kLongestChordPx;
    return 8.0 *
           std::ceil(std::clamp(std::max(byDeviation, byLength), 8.0, kMostCircleSteps) / 8.0);
}

// The angles where the circle crosses the lines through the area's edges;
// between two neighbours it is wholly inside or outside the area. Unused
// places stay infinite and sort last. Each stretch runs a step past the
// area at both ends.
CircleArcs ArcsInArea(const ClipArea& area, double cx, double cy, double r, double stepAngle) {
    std::array<double, 8> cuts{};
    cuts.fill(std::numeric_limits<double>::infinity());
    std::size_t cutCount = 0;
    const auto cut = [&](double angle) { cuts[cutCount++] = angle < 0.0 ? angle + kTwoPi : angle; };
    for (const double x : {area.left, area.right}) {
        const double cosine = (x - cx) / r;
        if (std::abs(cosine) < 1.0) {
            cut(std::acos(cosine));
            cut(-std::acos(cosine));
        }
    }
    for (const double y : {area.top, area.bottom}) {
        const double sine = (y - cy) / r;
        if (std::abs(sine) < 1.0) {
            cut(std::asin(sine));
            cut(std::numbers::pi - std::asin(sine));
        }
    }
    CircleArcs arcs;
    arcs.crossesEdge = cutCount > 0;
    std::sort(cuts.begin(), cuts.end());
    for (std::size_t i = 0; i < cutCount; ++i) {
        const double start = cuts[i];
        const double end = i + 1 < cutCount ? cuts[i + 1] : cuts[0] + kTwoPi;
        const double middle = (start + end) / 2.0;
        if (end > start && area.contains(cx + r * std::cos(middle), cy + r * std::sin(middle))) {
            arcs.steps[2 * arcs.count] = std::floor(start / stepAngle);
            arcs.steps[2 * arcs.count + 1] = std::ceil(end / stepAngle);
            ++arcs.count;
        }
    }
    return arcs;
}

}  // namespace zorva
