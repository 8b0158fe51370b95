#include "plot/recording_surface.h"

namespace zorva {

void RecordingSurface::clearTo(Colour background) {
    Primitive p;
    p.kind = Primitive::Kind::Clear;
    p.colour = background;
    primitives_.push_back(p);
}

void RecordingSurface::drawDot(Point centre, Colour colour, int diameterPx) {
    Primitive p;
    p.kind = Primitive::Kind::Dot;
    p.x1 = centre.x;
    p.y1 = centre.y;
    p.colour = colour;
    p.width = diameterPx;
    primitives_.push_back(p);
}

void RecordingSurface::drawLine(Point from, Point to, const Pen& pen) {
    Primitive p;
    p.kind = Primitive::Kind::Line;
    p.x1 = from.x;
    p.y1 = from.y;
    p.x2 = to.x;
    p.y2 = to.y;
    p.colour = pen.colour;
    p.width = pen.width;
    p.style = pen.style;
    primitives_.push_back(p);
}

void RecordingSurface::drawCircle(Point centre, float radius, const Pen& pen) {
    Primitive p;
    p.kind = Primitive::Kind::Circle;
    p.x1 = centre.x;
    p.y1 = centre.y;
    p.radius = radius;
    p.colour = pen.colour;
    p.width = pen.width;
    p.style = pen.style;
    primitives_.push_back(p);
}

void RecordingSurface::drawText(Point topLeft, std::string_view text, Colour colour, bool bold) {
    Primitive p;
    p.kind = Primitive::Kind::Text;
    p.x1 = topLeft.x;
    p.y1 = topLeft.y;
    p.text = std::string(text);
    p.colour = colour;
    p.bold = bold;
    primitives_.push_back(p);
}

}  // namespace zorva
