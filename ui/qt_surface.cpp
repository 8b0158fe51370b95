#include "ui/qt_surface.h"

#include "raster/clip.h"
#include "raster/span_fill.h"
#include "raster/vector_state.h"
#include "ui/retained_image.h"

#include <QFontMetricsF>
#include <QList>
#include <QString>
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <numbers>

namespace zorva {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Dash, gap, dot, gap, in pen widths.
constexpr std::array<double, 4> kDashDotPattern{9.0, 4.0, 2.0, 4.0};
constexpr double kDashDotPeriod = 19.0;

// Qt strokes a segment of length zero with a wide pen as nothing at all, and
// a one-pixel segment a few hundredths of a pixel long as nothing either.
// Anything shorter than this is therefore painted as a dot of the pen's width,
// which is what a round-capped stroke of a point looks like.
constexpr double kShortestStrokePx = 0.25;

// Rings up to this radius are filled row by row; beyond it the rows' share
// of the ring is lost to rounding, and the ring is drawn as arcs.
constexpr double kLargestFilledRingPx = 1e6;

// Strokes up to this width have their pixel runs remembered.
constexpr int kWidestRememberedStroke = 3;

// Most laid-out texts kept per font weight.
constexpr std::size_t kMostStoredTexts = 64;

// Text that starts further left than this cannot reach the image.
constexpr double kFarLeftPx = 1e6;

// How far beyond a shape's own outline the painter may set a pixel, in
// device pixels: its aliased lines, filled polygons and glyphs keep well
// within this of where they were asked for. What the painter paints is marked
// in the ink map this much wider, so that no erased pixel is missed.
constexpr double kPainterReachPx = 2.0;

// The pixel value of white: the colour of a new image and of its new pixels.
constexpr QRgb kWhitePixel = qRgb(255, 255, 255);

QColor ToQColor(Colour colour) {
    return {std::clamp(colour.red, 0, 255), std::clamp(colour.green, 0, 255),
            std::clamp(colour.blue, 0, 255)};
}

// The pixel value of a colour in the image, without a QColor on the way.
QRgb ToPixel(Colour colour) {
    return qRgb(std::clamp(colour.red, 0, 255), std::clamp(colour.green, 0, 255),
                std::clamp(colour.blue, 0, 255));
}

bool IsFinite(PixelPoint p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// The Qt pen for what the painter still strokes: dash-dot lines wider than a
// device pixel and dash-dot circles (solid strokes, round ends included, are
// painted row by row; see QtSurface::drawLine). Dash-dot strokes have flat
// caps: round caps would grow each dash by a pen width and close the gaps.
// dashOffsetPx is how far along the dash pattern the stroke starts.
QPen ToQPen(const Pen& pen, double dashOffsetPx) {
    const double width = std::max(pen.width, 1);
    QPen qtPen(ToQColor(pen.colour), width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    if (pen.style == kDashDot) {
        qtPen.setCapStyle(Qt::FlatCap);
        qtPen.setDashPattern(QList<qreal>(kDashDotPattern.begin(), kDashDotPattern.end()));
        qtPen.setDashOffset(std::fmod(dashOffsetPx / width, kDashDotPeriod));
    }
    return qtPen;
}

// Appends the points of the circle about (centreX, centreY) at the angles
// k·stepAngle (y downwards), k running from fromStep to toStep either way.
void AppendArc(QPolygonF& polygon, double centreX, double centreY, double radiusPx, double fromStep,
               double toStep, double stepAngle) {
    const double direction = toStep >= fromStep ? 1.0 : -1.0;
    const double count = std::abs(toStep - fromStep);
    for (double i = 0.0; i <= count; i += 1.0) {
        const double angle = (fromStep + direction * i) * stepAngle;
        polygon.append(
            QPointF(centreX + radiusPx * std::cos(angle), centreY + radiusPx * std::sin(angle)));
    }
}

// The ink map's stretches start this many pixels left of each row, so that
// they lie on the cache lines of the image's memory (the rows of an image
// whose width is a multiple of 16 pixels all start alike): the image's
// memory begins 16 bytes into a cache line, and stretches on the image's own
// grid would each touch two lines.
int StretchOffset(const void* pixels) {
    constexpr std::uintptr_t kCacheLineBytes = 64;
    return static_cast<int>(reinterpret_cast<std::uintptr_t>(pixels) % kCacheLineBytes /
                            sizeof(std::uint32_t));
}

}  // namespace

QtSurface::QtSurface(int widthPx, int heightPx, double twipsPerPixel, double devicePixelRatio)
    : Surface(widthPx, heightPx, twipsPerPixel),
      devicePixelRatio_(std::max(devicePixelRatio, 1.0)),
      widthPx_(std::max(widthPx, 1)),
      heightPx_(std::max(heightPx, 1)),
      image_(BlankImage(widthPx_, heightPx_, devicePixelRatio_)) {
    ink_.reset(image_.width(), image_.height(), kWhitePixel, false,
               StretchOffset(image_.constBits()));
    setFont(QFont());
}

QtSurface::~QtSurface() {
    endPainting();
}

const QImage& QtSurface::image() {
    // Qt copies every pixel of an image that a painter is active on when the
    // image is copied, say into a pixmap for the screen. With the painter
    // ended a copy shares the pixels until the next primitive begins a new
    // painter, which then detaches this image from it.
    endPainting();
    rowsKnown_ = false;
    return image_;
}

void QtSurface::setFont(const QFont& font) {
    staticText_[0].clear();
    staticText_[1].clear();
    font_ = font;
    font_.setBold(false);
    boldFont_ = font;
    boldFont_.setBold(true);
    // The metrics of the image, not of the screen: its resolution decides the
    // size of the glyphs painted into it.
    const QFontMetricsF metrics(font_, &image_);
    lineHeightPx_ = metrics.lineSpacing();
    ascentPx_ = metrics.ascent();
    boldAscentPx_ = QFontMetricsF(boldFont_, &image_).ascent();
}

QPainter& QtSurface::painter() {
    // One painter serves every primitive until the image is handed out:
    // beginning a painter costs more than most of the primitives drawn with it.
    if (!painter_) {
        painter_ = std::make_unique<QPainter>(&image_);
        // Aliased throughout: an antialiased stroke 55 pixels wide costs
        // milliseconds, an aliased one microseconds. Text keeps its antialiasing.
        painter_->setRenderHint(QPainter::Antialiasing, false);
        painterPen_ = painter_->pen();
        painterFilling_ = false;
    }
    return *painter_;
}

void QtSurface::endPainting() {
    painter_.reset();
}

void QtSurface::usePen(const QPen& pen) {
    QPainter& qp = painter();
    if (painterFilling_ || pen != painterPen_) {
        qp.setPen(pen);
        qp.setBrush(Qt::NoBrush);
        painterPen_ = pen;
        painterFilling_ = false;
    }
}

void QtSurface::useFill(const QColor& colour) {
    QPainter& qp = painter();
    if (!painterFilling_ || colour != painterFill_) {
        qp.setPen(Qt::NoPen);
        qp.setBrush(colour);
        painterFill_ = colour;
        painterFilling_ = true;
    }
}

PixelRows QtSurface::pixelRows() {
    // Every shape painted pixel by pixel starts here, and the raster engine
    // may have painted a dot or a label just before.
    ClearUpperVectorState();
    // The image's pixels stay where they are until the image is handed out
    // (a copy then shares them), filled or grown.
    if (rowsKnown_) {
        return rows_;
    }
    // Writing through bits() first makes sure the image is not shared with a
    // copy handed out, so only this image changes.
    auto* pixels = reinterpret_cast<std::uint32_t*>(image_.bits());
    // Should that have moved the pixels to another place in memory, the
    // map's stretches follow its cache lines there.
    const int offset = StretchOffset(pixels);
    if (offset != ink_.offset()) {
        ink_.resize(ink_.width(), ink_.height(), true, offset);
    }
    rows_ = {pixels, image_.width(), image_.height(), static_cast<int>(image_.bytesPerLine() / 4),
             &ink_};
    rowsKnown_ = true;
    return rows_;
}

void QtSurface::markStroke(const QPointF& from, const QPointF& to, double widthPx) {
    const double ratio = devicePixelRatio_;
    MarkCapsule(pixelRows(), from.x() * ratio, from.y() * ratio, to.x() * ratio, to.y() * ratio,
                widthPx / 2.0 * ratio + kPainterReachPx);
}

void QtSurface::markRect(const QRectF& area) {
    const QRect pixels = reachedPixels(area);
    if (!pixels.isEmpty()) {
        ink_.markRect(pixels.left(), pixels.top(), pixels.right(), pixels.bottom());
    }
}

QRect QtSurface::reachedPixels(const QRectF& area) const {
    const double ratio = devicePixelRatio_;
    // Cut to the image first: the rectangle of a huge circle's arcs may run
    // far beyond the range of an int. (QRectF::intersected would drop a
    // rectangle of no width, such as that of an upright line.)
    const QRectF image = imageArea(kPainterReachPx);
    const double left = std::max(area.left(), image.left());
    const double top = std::max(area.top(), image.top());
    const double right = std::min(area.right(), image.right());
    const double bottom = std::min(area.bottom(), image.bottom());
    if (!(left <= right && top <= bottom)) {
        return {};
    }
    return QRect(QPoint(static_cast<int>(std::floor(left * ratio - kPainterReachPx)),
                        static_cast<int>(std::floor(top * ratio - kPainterReachPx))),
                 QPoint(static_cast<int>(std::ceil(right * ratio + kPainterReachPx)),
                        static_cast<int>(std::ceil(bottom * ratio + kPainterReachPx))))
        .intersected(image_.rect());
}

ClipArea QtSurface::clipArea(double marginPx) const {
    return {-marginPx, -marginPx, widthPx_ + marginPx, heightPx_ + marginPx};
}

QRectF QtSurface::imageArea(double marginPx) const {
    return {-marginPx, -marginPx, widthPx_ + 2.0 * marginPx, heightPx_ + 2.0 * marginPx};
}

void QtSurface::clearTo(Colour background) {
    endPainting();
    image_.fill(ToQColor(background));
    rowsKnown_ = false;
    ink_.reset(image_.width(), image_.height(), ToQColor(background).rgb(), false,
               StretchOffset(image_.constBits()));
}

void QtSurface::fillDot(double xPx, double yPx, const QColor& colour, int diameterPx) {
    // The dot is centred on a pixel (odd diameter) or on a pixel corner (even
    // diameter), whichever is nearest, so that it is diameterPx pixels across
    // in every direction; a one-pixel dot is the pixel that holds the point.
    const double diameter = std::max(diameterPx, 1);
    const double left = std::floor(xPx - diameter / 2.0 + 0.5);
    const double top = std::floor(yPx - diameter / 2.0 + 0.5);
    const QRectF box(left, top, diameter, diameter);
    if (!box.intersects(imageArea(0.0))) {
        return;
    }
    // Up to three pixels across, the disc covers every pixel centre of its square.
    if (diameter <= 3.0) {
        painter().fillRect(box, colour);
        markRect(box);
        return;
    }
    // The pixels whose centres lie in the disc, like every other shape.
    const double ratio = devicePixelRatio_;
    FillRing(pixelRows(), box.center().x() * ratio, box.center().y() * ratio, 0.0,
             diameter / 2.0 * ratio, colour.rgb());
}

void QtSurface::fillArc(const QColor& colour) {
    useFill(colour);
    painter().drawPolygon(arc_, Qt::OddEvenFill);
    markRect(arc_.boundingRect());
}

void QtSurface::drawDot(Point centre, Colour colour, int diameterPx) {
    const PixelPoint p = Frame().toPixel({centre.x, centre.y});
    if (IsFinite(p)) {
        fillDot(p.x, p.y, ToQColor(colour), diameterPx);
    }
}

void QtSurface::drawLine(Point from, Point to, const Pen& pen) {
    const PixelPoint a = Frame().toPixel({from.x, from.y});
    const PixelPoint b = Frame().toPixel({to.x, to.y});
    if (!IsFinite(a) || !IsFinite(b)) {
        return;
    }
    // Squared lengths compared: hypot is a call into the maths library, and
    // a tick draws some 170 strokes. Coordinates beyond 1e154 give an
    // infinite square, which is not short, as such a stroke is not.
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    if (dx * dx + dy * dy < kShortestStrokePx * kShortestStrokePx) {
        fillDot((a.x + b.x) / 2.0, (a.y + b.y) / 2.0, ToQColor(pen.colour), pen.width);
        return;
    }
    // The raster engine would otherwise walk the whole stroke, however far off
    // the image it runs. Beyond one pen width from the image no part of the
    // stroke, caps included, can reach a pixel of it, so cutting the segment
    // there changes no pixel. The dash pattern keeps its phase from the true
    // start point.
    PixelPoint start = a;
    PixelPoint end = b;
    if (!ClipSegment(clipArea(pen.width), start.x, start.y, end.x, end.y)) {
        return;
    }
    const double ratio = devicePixelRatio_;
    // A thin line is one device pixel thin; on a finer screen a one-pixel
    // pen is as wide as the screen's pixels per logical pixel.
    const bool thin = pen.width <= 1 && ratio == 1.0;
    const bool dashed = pen.style == kDashDot;
    const double dashOffset = dashed ? std::hypot(start.x - a.x, start.y - a.y) : -1.0;
    if (dashed && !thin) {
        usePen(ToQPen(pen, dashOffset));
        painter().drawLine(QPointF(start.x, start.y), QPointF(end.x, end.y));
        markStroke(QPointF(start.x, start.y), QPointF(end.x, end.y), std::max(pen.width, 1));
        return;
    }
    // Other strokes are painted pixel by pixel: a wide one with its round
    // ends, a one-pixel one as a thin line, solid or dash-dot.
    const PixelRows rows = pixelRows();
    const QRgb colour = ToPixel(pen.colour);
    const StrokeKey key{start.x * ratio,
                        start.y * ratio,
                        end.x * ratio,
                        end.y * ratio,
                        thin ? 0.0 : std::max(pen.width, 1) / 2.0 * ratio,
                        dashOffset};
    // Wide strokes are the erasers, which move at every tick; narrow ones
    // are stroked anew along the same segments.
    if (pen.width > kWidestRememberedStroke) {
        FillCapsule(rows, key.x0, key.y0, key.x1, key.y1, key.radius, colour);
        return;
    }
    const StrokeShape shape = dashed ? StrokeShape::DashedThinLine
                              : thin ? StrokeShape::ThinLine
                                     : StrokeShape::Capsule;
    strokes_.paint(rows, key, shape, kDashDotPattern, colour);
}

void QtSurface::drawCircle(Point centre, float radius, const Pen& pen) {
    const PixelPoint c = Frame().toPixel({centre.x, centre.y});
    const double r = Frame().lengthToPixels(radius);
    if (!IsFinite(c) || !std::isfinite(r)) {
        return;
    }
    // Like a point stroked with a round cap.
    if (r < kShortestStrokePx) {
        fillDot(c.x, c.y, ToQColor(pen.colour), pen.width);
        return;
    }
    // Only the arcs of the circle that run through the image grown by a
    // whole pen width can reach a pixel of it.
    const ClipArea area = clipArea(pen.width);
    const double halfWidth = pen.width / 2.0;
    if (!RingMeetsArea(area, c.x, c.y, r, halfWidth)) {
        return;
    }
    const double ratio = devicePixelRatio_;
    if (pen.style != kDashDot && (r + halfWidth) * ratio <= kLargestFilledRingPx) {
        FillRing(pixelRows(), c.x * ratio, c.y * ratio, r * ratio, halfWidth * ratio,
                 ToPixel(pen.colour));
        return;
    }
    const double steps = CircleSteps(r + halfWidth);
    const double stepAngle = kTwoPi / steps;
    // A ring without a hole is a disc at most two pen widths across; it is
    // drawn whole rather than cut into pieces that would have to be sectors.
    // So is a circle that lies wholly in the area.
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

void QtSurface::paintArc(double centreX, double centreY, double radiusPx, double firstStep,
                         double lastStep, double stepAngle, const Pen& pen) {
    // The arc runs a step past the area at both ends, so its square ends lie
    // more than half a pen width outside the image.
    arc_.clear();
    if (pen.style == kDashDot) {
        AppendArc(arc_, centreX, centreY, radiusPx, firstStep, lastStep, stepAngle);
        const double chord = 2.0 * radiusPx * std::sin(stepAngle / 2.0);
        usePen(ToQPen(pen, firstStep * chord));
        painter().drawPolyline(arc_);
        const double reach = std::max(pen.width, 1) / 2.0;
        markRect(arc_.boundingRect().adjusted(-reach, -reach, reach, reach));
        return;
    }
    // A solid ring is filled rather than stroked: Qt strokes a polygon of many
    // short sides ten times slower than it fills the same outline, and the
    // filled ring is sampled at pixel centres like every other shape. The
    // inner edge runs back the other way, so the ring has a hole.
    const double halfWidth = std::max(pen.width, 1) / 2.0;
    AppendArc(arc_, centreX, centreY, radiusPx + halfWidth, firstStep, lastStep, stepAngle);
    if (radiusPx > halfWidth) {
        AppendArc(arc_, centreX, centreY, radiusPx - halfWidth, lastStep, firstStep, stepAngle);
    }
    fillArc(ToQColor(pen.colour));
}

void QtSurface::drawText(Point topLeft, std::string_view text, Colour colour, bool bold) {
    const PixelPoint p = Frame().toPixel({topLeft.x, topLeft.y});
    // Text starting right of or below the image, or wholly above it, shows
    // nothing; nor does text starting a million pixels to its left, and Qt
    // places glyphs in 26.6 fixed point, which overflows not far beyond that.
    if (!IsFinite(p) || p.x >= widthPx_ || p.y >= heightPx_ || p.y + lineHeightPx_ < 0.0 ||
        p.x < -kFarLeftPx) {
        return;
    }
    // The labels are the same few texts at every tick: each is laid out once.
    // A text that is new when the store is full starts the store afresh, so
    // that texts that keep changing cannot grow it without bound.
    auto& laidOut = staticText_[bold ? 1 : 0];
    auto found = laidOut.find(std::string(text));
    if (found == laidOut.end()) {
        if (laidOut.size() >= kMostStoredTexts) {
            laidOut.clear();
        }
        QStaticText staticText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
        staticText.setTextFormat(Qt::PlainText);
        staticText.setPerformanceHint(QStaticText::AggressiveCaching);
        PrintedText fresh;
        fresh.layout = std::move(staticText);
        found = laidOut.emplace(std::string(text), std::move(fresh)).first;
    }
    PrintedText& printed = found->second;
    // Glyphs may reach a little beyond the text's layout box on either side.
    const QSizeF size = printed.layout.size();
    const double overhang = lineHeightPx_ / 2.0;
    const QRectF box(p.x - overhang, p.y, size.width() + 2.0 * overhang,
                     std::max(size.height(), lineHeightPx_));
    // Antialiased glyphs are blended with what lies under them, so a label
    // printed again and again over itself darkens at its edges until its
    // pixels stop changing. From then on, as long as nothing else has
    // changed a pixel under it, printing it again would change nothing, and
    // it is not printed.
    const QRect area = reachedPixels(box);
    const QRgb pixel = ToPixel(colour);
    const QPointF at(p.x, p.y);
    if (printed.settled && printed.at == at && printed.colour == pixel && printed.area == area &&
        holds(area, printed.after)) {
        return;
    }
    copyPixels(area, textBefore_);
    QPainter& qp = painter();
    qp.setFont(bold ? boldFont_ : font_);
    usePen(QPen(ToQColor(colour)));
    // Static text is placed by the top of its line, as the surface places it.
    qp.drawStaticText(at, printed.layout);
    copyPixels(area, printed.after);
    printed.settled = !area.isEmpty() && printed.after == textBefore_;
    printed.at = at;
    printed.colour = pixel;
    printed.area = area;
    markRect(box);
}

bool QtSurface::holds(const QRect& area, const std::vector<std::uint32_t>& pixels) const {
    const auto width = static_cast<std::size_t>(area.width());
    if (pixels.size() != width * static_cast<std::size_t>(area.height())) {
        return false;
    }
    for (int y = 0; y < area.height(); ++y) {
        const auto* row =
            reinterpret_cast<const std::uint32_t*>(image_.constScanLine(area.top() + y));
        if (std::memcmp(row + area.left(), pixels.data() + static_cast<std::size_t>(y) * width,
                        width * sizeof(std::uint32_t)) != 0) {
            return false;
        }
    }
    return true;
}

void QtSurface::copyPixels(const QRect& area, std::vector<std::uint32_t>& pixels) const {
    const auto width = static_cast<std::size_t>(std::max(area.width(), 0));
    pixels.resize(width * static_cast<std::size_t>(std::max(area.height(), 0)));
    for (int y = 0; y < area.height(); ++y) {
        const auto* row =
            reinterpret_cast<const std::uint32_t*>(image_.constScanLine(area.top() + y));
        std::memcpy(pixels.data() + static_cast<std::size_t>(y) * width, row + area.left(),
                    width * sizeof(std::uint32_t));
    }
}

double QtSurface::lineHeightPx() const {
    return lineHeightPx_;
}

void QtSurface::frameChanged() {
    strokes_.forget();
    // The image grows with the client area and never shrinks, so what is drawn
    // outside a smaller client area is still there when it grows again. It
    // grows no further than an 8K screen: a window stretched past any screen
    // would otherwise keep gigabytes for as long as the program runs. Past
    // the limit the drawing is cut there, as everything is cut to the image.
    const auto limit = [this](double clientPx, int maxDevicePx, int nowPx) {
        const int maxPx = static_cast<int>(std::floor(maxDevicePx / devicePixelRatio_));
        return std::max(nowPx, std::min(static_cast<int>(std::ceil(clientPx)), maxPx));
    };
    const int widthPx = limit(Frame().widthPx(), kMaxImageWidth, widthPx_);
    const int heightPx = limit(Frame().heightPx(), kMaxImageHeight, heightPx_);
    if (widthPx == widthPx_ && heightPx == heightPx_) {
        return;
    }
    QImage grown = BlankImage(widthPx, heightPx, devicePixelRatio_);
    // Without the memory the drawing stays as large as it was.
    if (grown.isNull()) {
        return;
    }
    endPainting();
    widthPx_ = widthPx;
    heightPx_ = heightPx;
    // Row by row: both images share format and resolution, and a painter could
    // resample.
    const auto rowBytes = static_cast<std::size_t>(image_.bytesPerLine());
    for (int y = 0; y < image_.height(); ++y) {
        std::memcpy(grown.scanLine(y), image_.constScanLine(y), rowBytes);
    }
    image_ = std::move(grown);
    rowsKnown_ = false;
    // The new pixels are white.
    ink_.resize(image_.width(), image_.height(), ink_.background() == kWhitePixel,
                StretchOffset(image_.constBits()));
}

}  // namespace zorva
