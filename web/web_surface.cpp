#include "web/web_surface.h"

#include "raster/clip.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

namespace zorva {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Dash, gap, dot, gap, in pen widths: the desktop's dash-dot pattern.
constexpr std::array<double, 4> kDashDotPattern{9.0, 4.0, 2.0, 4.0};
constexpr double kDashDotPeriod = 19.0;

// The thresholds below are the desktop window's, so that both decide alike
// which shape a primitive becomes.
//
// A stroke shorter than this is painted as a dot of the pen's width.
constexpr double kShortestStrokePx = 0.25;
// Rings up to this radius are filled row by row; beyond it the rows' share of
// the ring is lost to rounding, and the ring is drawn as arcs.
constexpr double kLargestFilledRingPx = 1e6;
// Strokes up to this width have their pixel runs remembered.
constexpr int kWidestRememberedStroke = 3;
// Most laid-out texts kept per font weight.
constexpr std::size_t kMostStoredTexts = 64;
// Text that starts further left than this cannot reach the image.
constexpr double kFarLeftPx = 1e6;
// How far beyond a text's box its glyphs may set a pixel.
constexpr double kGlyphReachPx = 2.0;

constexpr std::uint32_t kWhitePixel = 0xFFFFFFFFU;

bool IsFinite(PixelPoint p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// One channel of the glyph's colour laid over the pixel's at coverage alpha
// (0 to 255), rounded as the desktop's raster engine blends antialiased text.
std::uint32_t Blend(std::uint32_t ink, std::uint32_t under, std::uint32_t alpha) {
    const std::uint32_t t = ink * alpha + under * (255U - alpha);
    return (t + (t >> 8U) + 0x80U) >> 8U;
}

}  // namespace

WebSurface::WebSurface(int widthPx, int heightPx, double twipsPerPixel, TextRasteriser& text)
    : Surface(widthPx, heightPx, twipsPerPixel),
      widthPx_(std::max(widthPx, 1)),
      heightPx_(std::max(heightPx, 1)),
      pixels_(static_cast<std::size_t>(widthPx_) * static_cast<std::size_t>(heightPx_),
              kWhitePixel),
      text_(text) {
    ink_.reset(widthPx_, heightPx_, kWhitePixel, false);
    changed_ = {0, heightPx_};
}

std::uint32_t WebSurface::ToPixel(Colour colour) {
    const auto channel = [](int value) {
        return static_cast<std::uint32_t>(std::clamp(value, 0, 255));
    };
    return 0xFF000000U | (channel(colour.blue) << 16U) | (channel(colour.green) << 8U) |
           channel(colour.red);
}

WebSurface::RowSpan WebSurface::takeChangedRows() {
    const RowSpan span = changed_;
    changed_ = {heightPx_, 0};
    return span;
}

void WebSurface::touchRows(double top, double bottom) {
    if (!(top <= bottom)) {
        return;
    }
    const int first = static_cast<int>(std::clamp(std::floor(top), 0.0, double(heightPx_)));
    const int last = static_cast<int>(std::clamp(std::ceil(bottom) + 1.0, 0.0, double(heightPx_)));
    changed_.top = std::min(changed_.top, first);
    changed_.bottom = std::max(changed_.bottom, last);
}

PixelRows WebSurface::rows() {
    return {pixels_.data(), widthPx_, heightPx_, widthPx_, &ink_};
}

void WebSurface::clearTo(Colour background) {
    const std::uint32_t pixel = ToPixel(background);
    std::fill(pixels_.begin(), pixels_.end(), pixel);
    ink_.reset(widthPx_, heightPx_, pixel, false);
    textBoxes_.clear();
    changed_ = {0, heightPx_};
}

void WebSurface::fillDot(double xPx, double yPx, std::uint32_t colour, int diameterPx) {
    // Centred on a pixel (odd diameter) or a pixel corner (even), whichever is
    // nearest, so the dot is diameterPx pixels across every way.
    const double diameter = std::max(diameterPx, 1);
    const double left = std::floor(xPx - diameter / 2.0 + 0.5);
    const double top = std::floor(yPx - diameter / 2.0 + 0.5);
    if (left + diameter <= 0.0 || top + diameter <= 0.0 || left >= widthPx_ || top >= heightPx_) {
        return;
    }
    touchRows(top, top + diameter);
    // Up to three pixels across the disc covers every pixel centre of its
    // square, so the dot is the square: the desktop fills it as a rectangle.
    if (diameter <= 3.0) {
        const int x0 = static_cast<int>(std::max(left, 0.0));
        const int x1 = static_cast<int>(std::min(left + diameter, double(widthPx_))) - 1;
        const int y0 = static_cast<int>(std::max(top, 0.0));
        const int y1 = static_cast<int>(std::min(top + diameter, double(heightPx_))) - 1;
        std::vector<PixelRun> runs;
        for (int y = y0; y <= y1; ++y) {
            runs.push_back({y, x0, x1});
        }
        FillRuns(rows(), runs, colour);
        return;
    }
    FillRing(rows(), left + diameter / 2.0, top + diameter / 2.0, 0.0, diameter / 2.0, colour);
}

void WebSurface::drawDot(Point centre, Colour colour, int diameterPx) {
    const PixelPoint p = Frame().toPixel({centre.x, centre.y});
    if (IsFinite(p)) {
        fillDot(p.x, p.y, ToPixel(colour), diameterPx);
    }
}

void WebSurface::drawLine(Point from, Point to, const Pen& pen) {
    const PixelPoint a = Frame().toPixel({from.x, from.y});
    const PixelPoint b = Frame().toPixel({to.x, to.y});
    if (!IsFinite(a) || !IsFinite(b)) {
        return;
    }
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    if (dx * dx + dy * dy < kShortestStrokePx * kShortestStrokePx) {
        fillDot((a.x + b.x) / 2.0, (a.y + b.y) / 2.0, ToPixel(pen.colour), pen.width);
        return;
    }
    // Beyond one pen width from the image no part of the stroke can reach a
    // pixel of it; the dash pattern keeps its phase from the true start.
    PixelPoint start = a;
    PixelPoint end = b;
    const double margin = pen.width;
    if (!ClipSegment({-margin, -margin, widthPx_ + margin, heightPx_ + margin}, start.x, start.y,
                     end.x, end.y)) {
        return;
    }
    const double half = std::max(pen.width, 1) / 2.0;
    touchRows(std::min(start.y, end.y) - half - 1.0, std::max(start.y, end.y) + half + 1.0);
    const bool thin = pen.width <= 1;
    const bool dashed = pen.style == kDashDot;
    const double dashOffset = dashed ? std::hypot(start.x - a.x, start.y - a.y) : -1.0;
    const std::uint32_t colour = ToPixel(pen.colour);
    if (dashed && !thin) {
        paintWideDashes(start, end, dashOffset, pen);
        return;
    }
    const StrokeKey key{start.x, start.y, end.x, end.y, thin ? 0.0 : half, dashOffset};
    // Wide strokes are the erasers, which move at every tick.
    if (pen.width > kWidestRememberedStroke) {
        FillCapsule(rows(), key.x0, key.y0, key.x1, key.y1, key.radius, colour);
        return;
    }
    const StrokeShape shape = dashed ? StrokeShape::DashedThinLine
                              : thin ? StrokeShape::ThinLine
                                     : StrokeShape::Capsule;
    strokes_.paint(rows(), key, shape, kDashDotPattern, colour);
}

void WebSurface::paintWideDashes(PixelPoint start, PixelPoint end, double dashOffsetPx,
                                 const Pen& pen) {
    // A dash-dot stroke wider than a pixel: each dash or dot a stroke of the
    // pen's width between its ends along the line. The program itself draws
    // dash-dot lines one pixel wide only.
    const double width = std::max(pen.width, 1);
    const double length = std::hypot(end.x - start.x, end.y - start.y);
    const double ux = (end.x - start.x) / length;
    const double uy = (end.y - start.y) / length;
    double along = -std::fmod(dashOffsetPx / width, kDashDotPeriod) * width;
    for (std::size_t i = 0; along < length; i = (i + 1) % kDashDotPattern.size()) {
        const double next = along + kDashDotPattern[i] * width;
        if (i % 2 == 0 && next > 0.0) {
            const double s = std::max(along, 0.0) + width / 2.0;
            const double e = std::max(std::min(next, length) - width / 2.0, s);
            FillCapsule(rows(), start.x + ux * s, start.y + uy * s, start.x + ux * e,
                        start.y + uy * e, width / 2.0, ToPixel(pen.colour));
        }
        along = next;
    }
}

void WebSurface::drawCircle(Point centre, float radius, const Pen& pen) {
    const PixelPoint c = Frame().toPixel({centre.x, centre.y});
    const double r = Frame().lengthToPixels(radius);
    if (!IsFinite(c) || !std::isfinite(r)) {
        return;
    }
    if (r < kShortestStrokePx) {
        fillDot(c.x, c.y, ToPixel(pen.colour), pen.width);
        return;
    }
    // Only the arcs that run through the image grown by a whole pen width
    // can paint a pixel of it.
    const double margin = pen.width;
    const ClipArea area{-margin, -margin, widthPx_ + margin, heightPx_ + margin};
    const double halfWidth = pen.width / 2.0;
    if (!RingMeetsArea(area, c.x, c.y, r, halfWidth)) {
        return;
    }
    touchRows(c.y - r - halfWidth - 1.0, c.y + r + halfWidth + 1.0);
    if (pen.style != kDashDot && r + halfWidth <= kLargestFilledRingPx) {
        FillRing(rows(), c.x, c.y, r, halfWidth, ToPixel(pen.colour));
        return;
    }
    const double steps = CircleSteps(r + halfWidth);
    const double stepAngle = kTwoPi / steps;
    // A ring without a hole, or a circle wholly in the area, is drawn whole.
    const CircleArcs arcs =
        r <= halfWidth ? CircleArcs{} : ArcsInArea(area, c.x, c.y, r, stepAngle);
    if (!arcs.crossesEdge) {
        paintArc(c.x, c.y, r, 0.0, steps, stepAngle, pen);
        return;
    }
    for (std::size_t i = 0; i < arcs.count; ++i) {
        paintArc(c.x, c.y, r, arcs.steps[2 * i], arcs.steps[2 * i + 1], stepAngle, pen);
    }
}

void WebSurface::paintArc(double centreX, double centreY, double radiusPx, double firstStep,
                          double lastStep, double stepAngle, const Pen& pen) {
    // The arc as its chords, each stroked with the pen: the same vertices the
    // desktop joins into a polygon, of which a chord is within 1/64 pixel.
    const std::uint32_t colour = ToPixel(pen.colour);
    const double halfWidth = std::max(pen.width, 1) / 2.0;
    const double direction = lastStep >= firstStep ? 1.0 : -1.0;
    const double count = std::abs(lastStep - firstStep);
    const double chord = 2.0 * radiusPx * std::sin(stepAngle / 2.0);
    const auto at = [&](double step) {
        const double angle = step * stepAngle;
        return PixelPoint{centreX + radiusPx * std::cos(angle),
                          centreY + radiusPx * std::sin(angle)};
    };
    if (radiusPx <= halfWidth) {
        FillRing(rows(), centreX, centreY, radiusPx, halfWidth, colour);
        return;
    }
    PixelPoint previous = at(firstStep);
    for (double i = 1.0; i <= count; i += 1.0) {
        const PixelPoint next = at(firstStep + direction * i);
        if (pen.style == kDashDot && pen.width <= 1) {
            FillDashedThinLine(rows(), previous.x, previous.y, next.x, next.y, kDashDotPattern,
                               (firstStep + i - 1.0) * chord, colour);
        } else if (pen.style == kDashDot) {
            paintWideDashes(previous, next, (firstStep + i - 1.0) * chord, pen);
        } else {
            FillCapsule(rows(), previous.x, previous.y, next.x, next.y, halfWidth, colour);
        }
        previous = next;
    }
}

void WebSurface::drawText(Point topLeft, std::string_view text, Colour colour, bool bold) {
    const PixelPoint p = Frame().toPixel({topLeft.x, topLeft.y});
    const double lineHeight = text_.lineHeightPx();
    if (!IsFinite(p) || p.x >= widthPx_ || p.y >= heightPx_ || p.y + lineHeight < 0.0 ||
        p.x < -kFarLeftPx) {
        return;
    }
    auto& laidOut = printed_[bold ? 1 : 0];
    auto found = laidOut.find(std::string(text));
    if (found == laidOut.end()) {
        if (laidOut.size() >= kMostStoredTexts) {
            laidOut.clear();
        }
        PrintedText fresh;
        fresh.coverage = text_.rasterise(text, bold);
        found = laidOut.emplace(std::string(text), std::move(fresh)).first;
    }
    PrintedText& printed = found->second;
    const TextCoverage& coverage = printed.coverage;
    const int x = static_cast<int>(std::lround(p.x));
    const int y = static_cast<int>(std::lround(p.y));
    const int left = std::max(x - coverage.originX, 0);
    const int top = std::max(y, 0);
    const int right = std::min(x - coverage.originX + coverage.width, widthPx_);
    const int bottom = std::min(y + coverage.height, heightPx_);
    const TextBox area{left, top, std::max(right - left, 0), std::max(bottom - top, 0)};
    const std::uint32_t pixel = ToPixel(colour);
    // Antialiased glyphs blend with what lies under them, so a label printed
    // again and again over itself darkens at its edges until its pixels stop
    // changing; from then on, while nothing else changed a pixel under it,
    // printing it again would change nothing, and it is not printed.
    if (printed.settled && printed.x == x && printed.y == y && printed.colour == pixel &&
        printed.area == area && holds(area, printed.after)) {
        return;
    }
    copyPixels(area, textBefore_);
    for (int row = top; row < bottom; ++row) {
        std::uint32_t* line = pixels_.data() + static_cast<std::size_t>(row) * widthPx_;
        const std::uint8_t* cover =
            coverage.alpha.data() + static_cast<std::size_t>(row - y) * coverage.width;
        for (int col = left; col < right; ++col) {
            const std::uint32_t alpha = cover[col - (x - coverage.originX)];
            if (alpha == 0) {
                continue;
            }
            const std::uint32_t under = line[col];
            std::uint32_t out = 0xFF000000U;
            for (unsigned shift = 0; shift < 24; shift += 8) {
                out |= Blend((pixel >> shift) & 0xFFU, (under >> shift) & 0xFFU, alpha) << shift;
            }
            line[col] = out;
        }
    }
    copyPixels(area, printed.after);
    printed.settled = area.width > 0 && area.height > 0 && printed.after == textBefore_;
    printed.x = x;
    printed.y = y;
    printed.colour = pixel;
    printed.area = area;
    if (area.width > 0 && area.height > 0) {
        ink_.markRect(area.left, area.top, area.left + area.width - 1, area.top + area.height - 1);
        touchRows(area.top, area.top + area.height);
        const TextBox reach{static_cast<int>(area.left - kGlyphReachPx),
                            static_cast<int>(area.top - kGlyphReachPx),
                            static_cast<int>(area.width + 2 * kGlyphReachPx),
                            static_cast<int>(area.height + 2 * kGlyphReachPx)};
        if (textBoxes_.size() < kMostTextBoxes &&
            std::find(textBoxes_.begin(), textBoxes_.end(), reach) == textBoxes_.end()) {
            textBoxes_.push_back(reach);
        }
    }
}

bool WebSurface::holds(const TextBox& area, const std::vector<std::uint32_t>& pixels) const {
    const auto width = static_cast<std::size_t>(area.width);
    if (pixels.size() != width * static_cast<std::size_t>(area.height)) {
        return false;
    }
    for (int y = 0; y < area.height; ++y) {
        const std::uint32_t* row =
            pixels_.data() + static_cast<std::size_t>(area.top + y) * widthPx_ + area.left;
        if (std::memcmp(row, pixels.data() + static_cast<std::size_t>(y) * width,
                        width * sizeof(std::uint32_t)) != 0) {
            return false;
        }
    }
    return true;
}

void WebSurface::copyPixels(const TextBox& area, std::vector<std::uint32_t>& pixels) const {
    const auto width = static_cast<std::size_t>(area.width);
    pixels.resize(width * static_cast<std::size_t>(area.height));
    for (int y = 0; y < area.height; ++y) {
        const std::uint32_t* row =
            pixels_.data() + static_cast<std::size_t>(area.top + y) * widthPx_ + area.left;
        std::memcpy(pixels.data() + static_cast<std::size_t>(y) * width, row,
                    width * sizeof(std::uint32_t));
    }
}

double WebSurface::lineHeightPx() const {
    return text_.lineHeightPx();
}

void WebSurface::frameChanged() {
    strokes_.forget();
    // The image grows with the client area and never shrinks, so what is
    // drawn outside a smaller client area is still there when it grows again.
    const int widthPx = static_cast<int>(std::ceil(Frame().widthPx()));
    const int heightPx = static_cast<int>(std::ceil(Frame().heightPx()));
    if (widthPx <= widthPx_ && heightPx <= heightPx_) {
        return;
    }
    const int newWidth = std::max(widthPx, widthPx_);
    const int newHeight = std::max(heightPx, heightPx_);
    std::vector<std::uint32_t> grown(
        static_cast<std::size_t>(newWidth) * static_cast<std::size_t>(newHeight), kWhitePixel);
    for (int y = 0; y < heightPx_; ++y) {
        std::memcpy(grown.data() + static_cast<std::size_t>(y) * newWidth,
                    pixels_.data() + static_cast<std::size_t>(y) * widthPx_,
                    static_cast<std::size_t>(widthPx_) * sizeof(std::uint32_t));
    }
    pixels_ = std::move(grown);
    widthPx_ = newWidth;
    heightPx_ = newHeight;
    // The new pixels are white.
    ink_.resize(widthPx_, heightPx_, ink_.background() == kWhitePixel);
    for (auto& laidOut : printed_) {
        for (auto& [text, printed] : laidOut) {
            printed.settled = false;
        }
    }
    changed_ = {0, heightPx_};
}

}  // namespace zorva
