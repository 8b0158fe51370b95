// The drawing surface of the main window: everything is painted into a
// retained image, which the window only copies to the screen.
#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <memory>

#include "plot/surface.h"

namespace zorva {

class QtSurface : public Surface {
public:
    /// A retained image of widthPx × heightPx logical pixels (≥ 1), white, at
    /// twipsPerPixel twips a pixel, kept at devicePixelRatio device pixels per
    /// logical pixel (≥ 1).
    QtSurface(int widthPx, int heightPx, double twipsPerPixel, double devicePixelRatio = 1.0);
    ~QtSurface() override;

    /// The retained image, with everything drawn so far.
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

    QImage image_;
    std::unique_ptr<QPainter> painter_;
    QFont font_;
};

}  // namespace zorva
