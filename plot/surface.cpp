#include "plot/surface.h"

#include <algorithm>

namespace zorva {
namespace {
float Single(double value) {
    return static_cast<float>(value);
}
}  // namespace

Surface::Surface(int widthPx, int heightPx, double twipsPerPixel)
    : frame_(0.0, 0.0, widthPx * twipsPerPixel, heightPx * twipsPerPixel, widthPx, heightPx),
      twipsPerPixel_(twipsPerPixel) {}

void Surface::Scale(double x1, double y1, double x2, double y2) {
    frame_ = WorldFrame(x1, y1, x2, y2, frame_.widthPx(), frame_.heightPx());
    frameChanged();
}

void Surface::Resize(int widthPx, int heightPx) {
    frame_ = frame_.resized(std::max(widthPx, 1), std::max(heightPx, 1));
    frameChanged();
}

void Surface::Cls() {
    clearTo(BackColor);
    CurrentX = frame_.left();
    CurrentY = frame_.top();
}

Pen Surface::penIn(Colour colour) const {
    return {colour, std::max(DrawWidth, 1), DrawStyle};
}

void Surface::PSet(double x, double y) {
    PSet(x, y, ForeColor);
}

void Surface::PSet(double x, double y, Colour colour) {
    drawDot({Single(x), Single(y)}, colour, std::max(DrawWidth, 1));
}

void Surface::Line(double x1, double y1, double x2, double y2) {
    Line(x1, y1, x2, y2, ForeColor);
}

void Surface::Line(double x1, double y1, double x2, double y2, Colour colour) {
    drawLine({Single(x1), Single(y1)}, {Single(x2), Single(y2)}, penIn(colour));
}

void Surface::Circle(double x, double y, double radius) {
    Circle(x, y, radius, ForeColor);
}

void Surface::Circle(double x, double y, double radius, Colour colour) {
    drawCircle({Single(x), Single(y)}, Single(radius), penIn(colour));
}

void Surface::Print(std::string_view text) {
    drawText({Single(CurrentX), Single(CurrentY)}, text, ForeColor, FontBold);
    // The next line starts at the left edge, one line lower.
    CurrentX = frame_.left();
    CurrentY += lineHeightPx() / frame_.heightPx() * frame_.height();
}

}  // namespace zorva
