// A surface that draws nothing: for running the motion and the window's
// handlers where only the numbers matter, at no cost of a picture.
#pragma once

#include "plot/surface.h"

namespace zorva {

class NullSurface : public Surface {
  public:
    /// A client area of widthPx × heightPx pixels (≥ 1), twipsPerPixel twips a pixel.
    NullSurface(int widthPx, int heightPx, double twipsPerPixel)
        : Surface(widthPx, heightPx, twipsPerPixel) {}

  protected:
    void clearTo(Colour) override {}
    void drawDot(Point, Colour, int) override {}
    void drawLine(Point, Point, const Pen&) override {}
    void drawCircle(Point, float, const Pen&) override {}
    void drawText(Point, std::string_view, Colour, bool) override {}
    /// A typical line of the window's font.
    double lineHeightPx() const override { return 16.0; }
};

}  // namespace zorva
