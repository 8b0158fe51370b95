// The drawing surface of the main window: everything is painted into a
// retained image, which the window only copies to the screen.
#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPolygonF>
#include <QRectF>
#include <memory>

#include "plot/surface.h"

namespace zorva {

class QtSurface : public Surface {
  public:
    /// A retained image of widthPx × heightPx logical pixels (≥ 1), white, at
    /// twipsPerPixel twips a pixel, kept at devicePixelRatio device pixels per
    /// logical pixel (≥ 1; smaller values count as 1).
    QtSurface(int widthPx, int heightPx, double twipsPerPixel, double devicePixelRatio = 1.0);
    ~QtSurface() override;

    /// The retained image, with everything drawn so far. It is at least as
    /// large as the client area and never shrinks: when the client area
    /// shrinks, the part outside it is kept for when it grows again.
    const QImage& image();
    /// Font of the printed text; its bold weight follows FontBold.
    void setFont(const QFont& font);

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
    /// The image in logical pixels, grown on every side by marginPx.
    QRectF imageArea(double marginPx) const;
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
    std::unique_ptr<QPainter> painter_;
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
