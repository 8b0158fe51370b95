// A surface that draws nothing and lists every primitive in order, so a test
// can say exactly what was drawn, where, in which colour, width and style.
#pragma once

#include <string>
#include <vector>

#include "plot/surface.h"

namespace zorva {

struct Primitive {
    enum class Kind { Clear, Dot, Line, Circle, Text };
    Kind kind = Kind::Clear;
    /// Dot and circle centre, line start, text top-left (world units, single precision).
    float x1 = 0;
    float y1 = 0;
    /// Line end.
    float x2 = 0;
    float y2 = 0;
    /// Circle radius (x units).
    float radius = 0;
    /// Colour, width (pixels: dot diameter or pen width) and style (lines and circles).
    Colour colour;
    int width = 1;
    int style = kSolid;
    std::string text;
    bool bold = false;
};

class RecordingSurface : public Surface {
  public:
    /// A client area of widthPx × heightPx pixels at 15 twips per pixel.
    RecordingSurface(int widthPx = 1920, int heightPx = 1080, double twipsPerPixel = 15.0)
        : Surface(widthPx, heightPx, twipsPerPixel) {}

    const std::vector<Primitive>& primitives() const { return primitives_; }
    void forget() { primitives_.clear(); }

  protected:
    void clearTo(Colour background) override;
    void drawDot(Point centre, Colour colour, int diameterPx) override;
    void drawLine(Point from, Point to, const Pen& pen) override;
    void drawCircle(Point centre, float radius, const Pen& pen) override;
    void drawText(Point topLeft, std::string_view text, Colour colour, bool bold) override;
    double lineHeightPx() const override { return 16.0; }

  private:
    std::vector<Primitive> primitives_;
};

}  // namespace zorva
