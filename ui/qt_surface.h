// The drawing surface of the main window: everything is painted into a
// retained image, which the window only copies to the screen.
#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPolygonF>
#include <QRect>
#include <QRectF>
#include <QStaticText>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "plot/surface.h"
#include "raster/clip.h"
#include "raster/span_fill.h"
#include "raster/stroke_cache.h"

namespace zorva {

class QtSurface : public Surface {
  public:
    /// A retained image of widthPx × heightPx logical pixels (≥ 1), white, at
    /// twipsPerPixel twips a pixel, kept at devicePixelRatio device pixels per
    /// logical pixel (≥ 1; smaller values count as 1).
    QtSurface(int widthPx, int heightPx, double twipsPerPixel, double devicePixelRatio = 1.0);
    ~QtSurface() override;

    /// The retained image, with everything drawn so far; null only when the
    /// first one could not be allocated. It grows with the client area up to
    /// kMaxImageWidth × kMaxImageHeight device pixels (or while memory
    /// allows) and never shrinks: when the client area shrinks, the part
    /// outside it is kept for when it grows again.
    const QImage& image();
    /// The most device pixels the image grows to by resizing: an 8K screen.
    static constexpr int kMaxImageWidth = 7680;
    static constexpr int kMaxImageHeight = 4320;
    /// Font of the printed text; its bold weight follows FontBold.
    void setFont(const QFont& font);
    /// Where the image may differ from its background (in device pixels): a
    /// shape painted in the background writes only there.
    const InkMap& inkMap() const { return ink_; }

  protected:
    void clearTo(Colour background) override;
    void drawDot(Point centre, Colour colour, int diameterPx) override;
    void drawLine(Point from, Point to, const Pen& pen) override;
    void drawCircle(Point centre, float radius, const Pen& pen) override;
    void drawText(Point topLeft, std::string_view text, Colour colour, bool bold) override;
    double lineHeightPx() const override;
    void frameChanged() override;

  private:
    QPainter& painter();
    void endPainting();
    /// Sets the painter's pen unless it already has one the same.
    void usePen(const QPen& pen);
    void useFill(const QColor& colour);
    /// The image's pixels, to be painted directly.
    PixelRows pixelRows();
    /// Marks in the ink map what the painter painted along a segment with a
    /// pen widthPx wide, or within a rectangle, in logical pixels.
    void markStroke(const QPointF& from, const QPointF& to, double widthPx);
    void markRect(const QRectF& area);
    /// The device pixels of the image the painter may set when it paints
    /// within area (logical pixels); empty when it cannot reach the image.
    QRect reachedPixels(const QRectF& area) const;
    /// The image in logical pixels, grown on every side by marginPx.
    QRectF imageArea(double marginPx) const;
    ClipArea clipArea(double marginPx) const;
    void fillDot(double xPx, double yPx, const QColor& colour, int diameterPx);
    void paintArc(double centreX, double centreY, double radiusPx, double firstStep,
                  double lastStep, double stepAngle, const Pen& pen);
    /// Fills the polygon in arc_.
    void fillArc(const QColor& colour);

    double devicePixelRatio_;
    /// The image's size in logical pixels.
    int widthPx_;
    int heightPx_;
    QImage image_;
    InkMap ink_;
    /// The image's pixels as last worked out, while rowsKnown_.
    PixelRows rows_;
    bool rowsKnown_ = false;
    std::unique_ptr<QPainter> painter_;
    /// What the painter was last given, to spare the raster engine the cost
    /// of taking the same pen or brush again for every primitive.
    QPen painterPen_;
    QColor painterFill_;
    bool painterFilling_ = false;
    /// The pixel runs of narrow strokes drawn lately.
    StrokeCache strokes_;
    /// A laid-out text and what its last printing left: the same labels are
    /// printed at every tick, mostly where nothing else was drawn since.
    struct PrintedText {
        QStaticText layout;
        /// Where it was last printed (logical pixels), in which colour, the
        /// device pixels it may have changed (cut to the image) and their
        /// values afterwards.
        QPointF at;
        QRgb colour = 0;
        QRect area;
        std::vector<std::uint32_t> after;
        /// Whether that printing changed none of them: printing again in
        /// the same place onto the same pixels would change nothing either.
        bool settled = false;
    };
    /// Whether area of the image holds exactly pixels (rows of area's width).
    bool holds(const QRect& area, const std::vector<std::uint32_t>& pixels) const;
    /// The pixels of area of the image, row after row, into pixels.
    void copyPixels(const QRect& area, std::vector<std::uint32_t>& pixels) const;
    /// Laid-out texts, by font weight.
    std::unordered_map<std::string, PrintedText> staticText_[2];
    /// The pixels under a text before it is printed.
    std::vector<std::uint32_t> textBefore_;
    QFont font_;
    QFont boldFont_;
    double lineHeightPx_ = 0.0;
    double ascentPx_ = 0.0;
    double boldAscentPx_ = 0.0;
    /// Vertices of the circle, arc or dot being drawn, kept to save an
    /// allocation per primitive.
    QPolygonF arc_;
};

}  // namespace zorva
