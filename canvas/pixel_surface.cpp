#include "canvas/pixel_surface.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <new>
#include <numbers>

namespace zorva {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Dash, gap, dot, gap, in pen widths.
constexpr std::array<double, 4> kDashDotPattern{9.0, 4.0, 2.0, 4.0};
constexpr double kDashDotPeriod = 19.0;

// A stroke shorter than this is painted as a dot of the pen's width, which is
// what a round-capped stroke of a point looks like.
constexpr double kShortestStrokePx = 0.25;

// Rings up to this radius are filled row by row; beyond it the rows' share
// of the ring is lost to rounding, and the ring is drawn as its chords.
constexpr double kLargestFilledRingPx = 1e6;

// Strokes up to this width have their pixel runs remembered: the curve, the
// axes and the legend are stroked anew along the same segments at every
// tick. Wider ones are the erasers, which move at every tick.
constexpr int kWidestRememberedStroke = 3;

// Text that starts further left than this cannot reach the image, and the
// painters' glyph positions overflow not far beyond it.
constexpr double kFarLeftPx = 1e6;

// The smallest box that holds both.
PixelBox Union(const PixelBox& a, const PixelBox& b) {
    if (a.empty()) {
        return b;
    }
    if (b.empty()) {
        return a;
    }
    const int left = std::min(a.left, b.left);
    const int top = std::min(a.top, b.top);
    const int right = std::max(a.left + a.width, b.left + b.width);
    const int bottom = std::max(a.top + a.height, b.top + b.height);
    return {left, top, right - left, bottom - top};
}

// White, in either order: the colour of a new image and of its new pixels.
constexpr std::uint32_t kWhitePixel = 0xFFFFFFFFU;

bool IsFinite(PixelPoint p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// The ink map's stretches start this many pixels left of each row, so that
// they lie on the cache lines of the image's memory (the rows of an image
// whose width is a multiple of 16 pixels all start alike): stretches on the
// image's own grid would each touch two lines when the memory does not begin
// on one.
int StretchOffset(const void* pixels) {
    constexpr std::uintptr_t kCacheLineBytes = 64;
    return static_cast<int>(reinterpret_cast<std::uintptr_t>(pixels) % kCacheLineBytes /
                            sizeof(std::uint32_t));
}

// Device pixels for a logical length; the small allowance keeps a product
// such as 1000 × 1.1 from rounding up to a device pixel that no logical
// pixel covers.
int DevicePixels(int logical, double ratio) {
    return static_cast<int>(std::ceil(logical * ratio - 1e-9));
}

}  // namespace

std::uint32_t PixelOf(Colour colour, PixelOrder order) {
    const auto channel = [](int value) {
        return static_cast<std::uint32_t>(std::clamp(value, 0, 255));
    };
    const std::uint32_t red = channel(colour.red);
    const std::uint32_t blue = channel(colour.blue);
    const std::uint32_t high = order == PixelOrder::Xrgb ? red : blue;
    const std::uint32_t low = order == PixelOrder::Xrgb ? blue : red;
    return 0xFF000000U | (high << 16U) | (channel(colour.green) << 8U) | low;
}

std::uint32_t* HeapMemory::allocate(std::size_t count) noexcept {
    return new (std::nothrow) std::uint32_t[count];
}

void HeapMemory::release(std::uint32_t* block) noexcept {
    delete[] block;
}

PixelSurface::PixelSurface(int widthPx, int heightPx, double twipsPerPixel, PixelOrder order,
                           PixelMemory& memory, TextPainter& text, double devicePixelRatio)
    : Surface(widthPx, heightPx, twipsPerPixel),
      order_(order),
      memory_(memory),
      text_(text),
      ratio_(std::max(devicePixelRatio, 1.0)) {
    const int width = std::max(widthPx, 1);
    const int height = std::max(heightPx, 1);
    if (takeImage(DevicePixels(width, ratio_), DevicePixels(height, ratio_))) {
        widthPx_ = width;
        heightPx_ = height;
    }
}

PixelSurface::~PixelSurface() {
    memory_.release(image_.pixels);
}

bool PixelSurface::takeImage(int width, int height) {
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::uint32_t* block = memory_.allocate(count);
    if (block == nullptr) {
        return false;
    }
    std::fill(block, block + count, kWhitePixel);
    const ImageView old = image_;
    for (int y = 0; y < std::min(old.height, height); ++y) {
        std::memcpy(block + static_cast<std::size_t>(y) * width,
                    old.pixels + static_cast<std::size_t>(y) * old.stride,
                    static_cast<std::size_t>(std::min(old.width, width)) * sizeof(std::uint32_t));
    }
    memory_.release(old.pixels);
    image_ = {block, width, height, width};
    if (old.pixels == nullptr) {
        ink_.reset(width, height, kWhitePixel, false, StretchOffset(block));
    } else {
        ink_.resize(width, height, ink_.background() == kWhitePixel, StretchOffset(block));
    }
    return true;
}

const std::vector<PixelBox>& PixelSurface::takeChangedBoxes() {
    changedBoxes_.clear();
    ink_.takeChanges(kChangeRows, [this](int left, int top, int right, int bottom) {
        changedBoxes_.push_back({left, top, right - left + 1, bottom - top + 1});
    });
    return changedBoxes_;
}

ClipArea PixelSurface::logicalArea(double marginPx) const {
    return {-marginPx, -marginPx, widthPx_ + marginPx, heightPx_ + marginPx};
}

void PixelSurface::clearTo(Colour background) {
    if (image_.pixels == nullptr) {
        return;
    }
    const std::uint32_t pixel = pixelOf(background);
    std::fill(image_.pixels,
              image_.pixels + static_cast<std::size_t>(image_.stride) * image_.height, pixel);
    ink_.reset(image_.width, image_.height, pixel, false, StretchOffset(image_.pixels));
    textBoxes_.clear();
}

void PixelSurface::fillDot(double xPx, double yPx, std::uint32_t colour, int diameterPx) {
    // The dot is centred on a pixel (odd diameter) or on a pixel corner (even
    // diameter), whichever is nearest, so that it is diameterPx pixels across
    // in every direction; a one-pixel dot is the pixel that holds the point.
    const double diameter = std::max(diameterPx, 1);
    const double left = std::floor(xPx - diameter / 2.0 + 0.5);
    const double top = std::floor(yPx - diameter / 2.0 + 0.5);
    if (image_.pixels == nullptr || left + diameter <= 0.0 || top + diameter <= 0.0 ||
        left >= widthPx_ || top >= heightPx_) {
        return;
    }
    const double ratio = ratio_;
    // Up to three pixels across, the disc covers every pixel centre of its
    // square, so the dot is the square: the device pixels whose centres lie in it.
    if (diameter <= 3.0) {
        const auto first = [](double edge) { return static_cast<int>(std::ceil(edge - 0.5)); };
        const int x0 = std::max(first(left * ratio), 0);
        const int x1 = std::min(first((left + diameter) * ratio), image_.width) - 1;
        const int y0 = std::max(first(top * ratio), 0);
        const int y1 = std::min(first((top + diameter) * ratio), image_.height) - 1;
        for (int y = y0; y <= y1 && x0 <= x1; ++y) {
            FillPixels(image_.pixels + static_cast<std::size_t>(y) * image_.stride, x0, x1, colour);
        }
        if (x0 <= x1 && y0 <= y1) {
            ink_.markRect(x0, y0, x1, y1);
        }
        return;
    }
    FillRing(rows(), (left + diameter / 2.0) * ratio, (top + diameter / 2.0) * ratio, 0.0,
             diameter / 2.0 * ratio, colour);
}

void PixelSurface::drawDot(Point centre, Colour colour, int diameterPx) {
    const PixelPoint p = Frame().toPixel({centre.x, centre.y});
    if (IsFinite(p)) {
        fillDot(p.x, p.y, pixelOf(colour), diameterPx);
    }
}

void PixelSurface::drawLine(Point from, Point to, const Pen& pen) {
    const PixelPoint a = Frame().toPixel({from.x, from.y});
    const PixelPoint b = Frame().toPixel({to.x, to.y});
    if (image_.pixels == nullptr || !IsFinite(a) || !IsFinite(b)) {
        return;
    }
    const std::uint32_t colour = pixelOf(pen.colour);
    // Squared lengths compared: hypot is a call into the maths library, and
    // a tick draws some 170 strokes. Coordinates beyond 1e154 give an
    // infinite square, which is not short, as such a stroke is not.
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    if (dx * dx + dy * dy < kShortestStrokePx * kShortestStrokePx) {
        fillDot((a.x + b.x) / 2.0, (a.y + b.y) / 2.0, colour, pen.width);
        return;
    }
    // Beyond one pen width from the image no part of the stroke, caps
    // included, can reach a pixel of it, so cutting the segment there changes
    // no pixel and spares walking a stroke that runs far off the image. The
    // dash pattern keeps its phase from the true start point.
    PixelPoint start = a;
    PixelPoint end = b;
    if (!ClipSegment(logicalArea(pen.width), start.x, start.y, end.x, end.y)) {
        return;
    }
    const double ratio = ratio_;
    // A thin line is one device pixel thin; on a finer screen a one-pixel
    // pen is as wide as the screen's pixels per logical pixel.
    const bool thin = pen.width <= 1 && ratio == 1.0;
    const bool dashed = pen.style == kDashDot;
    const double dashOffset = dashed ? std::hypot(start.x - a.x, start.y - a.y) : -1.0;
    const double width = std::max(pen.width, 1) * ratio;
    const PixelPoint from2{start.x * ratio, start.y * ratio};
    const PixelPoint to2{end.x * ratio, end.y * ratio};
    if (dashed && !thin) {
        paintWideDashes(from2, to2, dashOffset * ratio, width, colour);
        return;
    }
    const StrokeKey key{from2.x, from2.y, to2.x, to2.y, thin ? 0.0 : width / 2.0, dashOffset};
    if (pen.width > kWidestRememberedStroke) {
        FillCapsule(rows(), key.x0, key.y0, key.x1, key.y1, key.radius, colour);
        return;
    }
    const StrokeShape shape = dashed ? StrokeShape::DashedThinLine
                              : thin ? StrokeShape::ThinLine
                                     : StrokeShape::Capsule;
    strokes_.paint(rows(), key, shape, kDashDotPattern, colour);
}

void PixelSurface::paintWideDashes(PixelPoint start, PixelPoint end, double dashOffsetPx,
                                   double widthPx, std::uint32_t colour) {
    // Each dash or dot of a dash-dot stroke wider than a pixel is a stroke of
    // the pen's width between its ends along the line, flat ends made round
    // within the dash's length.
    const double length = std::hypot(end.x - start.x, end.y - start.y);
    const double ux = (end.x - start.x) / length;
    const double uy = (end.y - start.y) / length;
    double along = -std::fmod(dashOffsetPx / widthPx, kDashDotPeriod) * widthPx;
    for (std::size_t i = 0; along < length; i = (i + 1) % kDashDotPattern.size()) {
        const double next = along + kDashDotPattern[i] * widthPx;
        if (i % 2 == 0 && next > 0.0) {
            const double s = std::max(along, 0.0) + widthPx / 2.0;
            const double e = std::max(std::min(next, length) - widthPx / 2.0, s);
            FillCapsule(rows(), start.x + ux * s, start.y + uy * s, start.x + ux * e,
                        start.y + uy * e, widthPx / 2.0, colour);
        }
        along = next;
    }
}

void PixelSurface::drawCircle(Point centre, float radius, const Pen& pen) {
    const PixelPoint c = Frame().toPixel({centre.x, centre.y});
    const double r = Frame().lengthToPixels(radius);
    if (image_.pixels == nullptr || !IsFinite(c) || !std::isfinite(r)) {
        return;
    }
    const std::uint32_t colour = pixelOf(pen.colour);
    // Like a point stroked with a round cap.
    if (r < kShortestStrokePx) {
        fillDot(c.x, c.y, colour, pen.width);
        return;
    }
    // Only the arcs of the circle that run through the image grown by a
    // whole pen width can reach a pixel of it.
    const ClipArea area = logicalArea(pen.width);
    const double halfWidth = pen.width / 2.0;
    if (!RingMeetsArea(area, c.x, c.y, r, halfWidth)) {
        return;
    }
    const double ratio = ratio_;
    const bool dashed = pen.style == kDashDot;
    if (!dashed && (r + halfWidth) * ratio <= kLargestFilledRingPx) {
        FillRing(rows(), c.x * ratio, c.y * ratio, r * ratio, halfWidth * ratio, colour);
        return;
    }
    const double steps = CircleSteps(r + halfWidth);
    const double stepAngle = kTwoPi / steps;
    // A ring without a hole is a disc at most two pen widths across; it is
    // drawn whole rather than cut into pieces. So is a circle that lies
    // wholly in the area.
    const CircleArcs arcs =
        r <= halfWidth ? CircleArcs{} : ArcsInArea(area, c.x, c.y, r, stepAngle);
    const double penHalf = std::max(pen.width, 1) / 2.0;
    if (!arcs.crossesEdge) {
        paintArc(c.x, c.y, r, 0.0, steps, stepAngle, penHalf, dashed, colour);
        return;
    }
    for (std::size_t i = 0; i < arcs.count; ++i) {
        paintArc(c.x, c.y, r, arcs.steps[2 * i], arcs.steps[2 * i + 1], stepAngle, penHalf, dashed,
                 colour);
    }
}

void PixelSurface::paintArc(double centreX, double centreY, double radiusPx, double firstStep,
                            double lastStep, double stepAngle, double halfWidth, bool dashed,
                            std::uint32_t colour) {
    // The arc as its chords, each stroked with the pen; a chord lies within
    // 1/64 pixel of the circle. The arc runs a step past the area at both
    // ends, so its ends lie more than half a pen width outside the image.
    // Vertices are worked out in logical pixels, then taken to device ones.
    const double ratio = ratio_;
    if (radiusPx <= halfWidth) {
        FillRing(rows(), centreX * ratio, centreY * ratio, radiusPx * ratio, halfWidth * ratio,
                 colour);
        return;
    }
    const bool thin = halfWidth <= 0.5 && ratio == 1.0;
    const double direction = lastStep >= firstStep ? 1.0 : -1.0;
    const double count = std::abs(lastStep - firstStep);
    const double chord = 2.0 * radiusPx * std::sin(stepAngle / 2.0);
    const auto at = [&](double step) {
        const double angle = step * stepAngle;
        return PixelPoint{(centreX + radiusPx * std::cos(angle)) * ratio,
                          (centreY + radiusPx * std::sin(angle)) * ratio};
    };
    PixelPoint previous = at(firstStep);
    for (double i = 1.0; i <= count; i += 1.0) {
        const PixelPoint next = at(firstStep + direction * i);
        const double dashOffset = (firstStep + i - 1.0) * chord * ratio;
        if (dashed && thin) {
            FillDashedThinLine(rows(), previous.x, previous.y, next.x, next.y, kDashDotPattern,
                               dashOffset, colour);
        } else if (dashed) {
            paintWideDashes(previous, next, dashOffset, 2.0 * halfWidth * ratio, colour);
        } else {
            FillCapsule(rows(), previous.x, previous.y, next.x, next.y, halfWidth * ratio, colour);
        }
        previous = next;
    }
}

void PixelSurface::drawText(Point topLeft, std::string_view text, Colour colour, bool bold) {
    const PixelPoint p = Frame().toPixel({topLeft.x, topLeft.y});
    // Text starting right of or below the image, or wholly above it, shows
    // nothing; nor does text starting a million pixels to its left.
    if (image_.pixels == nullptr || !IsFinite(p) || p.x >= widthPx_ || p.y >= heightPx_ ||
        p.y + lineHeightPx() < 0.0 || p.x < -kFarLeftPx) {
        return;
    }
    PrintedText& printed = printed_[bold ? 1 : 0].get(text, [] { return PrintedText{}; });
    const double x = p.x * ratio_;
    const double y = p.y * ratio_;
    const std::uint32_t pixel = pixelOf(colour);
    // Antialiased glyphs are blended with what lies under them, so a label
    // printed again and again over itself darkens at its edges until its
    // pixels stop changing. A pixel the last printing left as it was, and
    // that nothing else has changed since, would be left as it is again: the
    // label is printed again only within the box that holds every other
    // pixel, and not at all when there is none. That box is small where an
    // arrow crosses the label, and empty once it has settled.
    const bool again = printed.known && printed.x == x && printed.y == y && printed.colour == pixel;
    PixelBox within{0, 0, image_.width, image_.height};
    if (again) {
        within = Union(printed.unsettled, differences(printed.area, printed.area, printed.after));
        if (within.empty()) {
            return;
        }
        copyPixels(within, textBefore_);
    }
    const PixelBox painted = text_.paint(image_, text, x, y, pixel, bold, within);
    if (again) {
        printed.unsettled = differences(within, within, textBefore_);
        storePixels(within, printed.area, printed.after);
    } else {
        printed.known = true;
        printed.x = x;
        printed.y = y;
        printed.colour = pixel;
        printed.area = painted;
        copyPixels(painted, printed.after);
        printed.unsettled = painted;
    }
    if (painted.empty()) {
        return;
    }
    ink_.markRect(painted.left, painted.top, painted.left + painted.width - 1,
                  painted.top + painted.height - 1);
    if (!again && textBoxes_.size() < kMostTextBoxes &&
        std::find(textBoxes_.begin(), textBoxes_.end(), painted) == textBoxes_.end()) {
        textBoxes_.push_back(painted);
    }
}

PixelBox PixelSurface::differences(const PixelBox& part, const PixelBox& layout,
                                   const std::vector<std::uint32_t>& pixels) const {
    if (part.empty() || pixels.size() != static_cast<std::size_t>(layout.width) *
                                             static_cast<std::size_t>(layout.height)) {
        return part;
    }
    int left = part.left + part.width;
    int right = part.left - 1;
    int top = -1;
    int bottom = -1;
    for (int row = part.top; row < part.top + part.height; ++row) {
        const std::uint32_t* now =
            image_.pixels + static_cast<std::size_t>(row) * image_.stride + part.left;
        const std::uint32_t* kept = pixels.data() +
                                    static_cast<std::size_t>(row - layout.top) * layout.width +
                                    (part.left - layout.left);
        if (std::memcmp(now, kept, static_cast<std::size_t>(part.width) * sizeof *now) == 0) {
            continue;
        }
        int first = 0;
        while (now[first] == kept[first]) {
            ++first;
        }
        int last = part.width - 1;
        while (now[last] == kept[last]) {
            --last;
        }
        left = std::min(left, part.left + first);
        right = std::max(right, part.left + last);
        top = top < 0 ? row : top;
        bottom = row;
    }
    return top < 0 ? PixelBox{} : PixelBox{left, top, right - left + 1, bottom - top + 1};
}

void PixelSurface::copyPixels(const PixelBox& area, std::vector<std::uint32_t>& pixels) const {
    const auto width = static_cast<std::size_t>(std::max(area.width, 0));
    pixels.resize(width * static_cast<std::size_t>(std::max(area.height, 0)));
    for (int y = 0; y < area.height; ++y) {
        const std::uint32_t* row =
            image_.pixels + static_cast<std::size_t>(area.top + y) * image_.stride + area.left;
        std::memcpy(pixels.data() + static_cast<std::size_t>(y) * width, row,
                    width * sizeof(std::uint32_t));
    }
}

void PixelSurface::storePixels(const PixelBox& part, const PixelBox& layout,
                               std::vector<std::uint32_t>& pixels) const {
    for (int row = part.top; row < part.top + part.height; ++row) {
        std::memcpy(pixels.data() + static_cast<std::size_t>(row - layout.top) * layout.width +
                        (part.left - layout.left),
                    image_.pixels + static_cast<std::size_t>(row) * image_.stride + part.left,
                    static_cast<std::size_t>(part.width) * sizeof(std::uint32_t));
    }
}

double PixelSurface::lineHeightPx() const {
    return text_.lineHeight() / ratio_;
}

void PixelSurface::frameChanged() {
    strokes_.forget();
    if (image_.pixels == nullptr) {
        return;
    }
    // The image grows with the client area and never shrinks, so what is drawn
    // outside a smaller client area is still there when it grows again. It
    // grows no further than an 8K screen: a window stretched past any screen
    // would otherwise keep gigabytes for as long as the program runs. Past
    // the limit the drawing is cut there, as everything is cut to the image.
    const auto limit = [this](double clientPx, int maxDevicePx, int nowPx) {
        const int maxPx = static_cast<int>(std::floor(maxDevicePx / ratio_));
        return std::max(nowPx, std::min(static_cast<int>(std::ceil(clientPx)), maxPx));
    };
    const int widthPx = limit(Frame().widthPx(), kMaxImageWidth, widthPx_);
    const int heightPx = limit(Frame().heightPx(), kMaxImageHeight, heightPx_);
    if (widthPx == widthPx_ && heightPx == heightPx_) {
        return;
    }
    // Without the memory the drawing stays as large as it was.
    if (!takeImage(DevicePixels(widthPx, ratio_), DevicePixels(heightPx, ratio_))) {
        return;
    }
    widthPx_ = widthPx;
    heightPx_ = heightPx;
    // A label's box may reach into the new pixels, which it has not been
    // printed on.
    for (auto& laidOut : printed_) {
        laidOut.forEach([](PrintedText& printed) { printed.known = false; });
    }
}

}  // namespace zorva
