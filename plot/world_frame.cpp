#include "plot/world_frame.h"

#include <cmath>

namespace zorva {

WorldFrame::WorldFrame(double left, double top, double right, double bottom, double widthPx,
                       double heightPx)
    : left_(left),
      top_(top),
      width_(right - left),
      height_(bottom - top),
      widthPx_(widthPx),
      heightPx_(heightPx) {}

WorldPoint WorldFrame::toWorld(PixelPoint p) const {
    return {left_ + p.x / widthPx_ * width_, top_ + p.y / heightPx_ * height_};
}

double WorldFrame::pixelsPerUnitX() const {
    return widthPx_ / std::fabs(width_);
}

double WorldFrame::lengthToPixels(double worldLength) const {
    return std::fabs(worldLength) * pixelsPerUnitX();
}

WorldFrame WorldFrame::resized(double newWidthPx, double newHeightPx) const {
    const double right = left_ + width_ / widthPx_ * newWidthPx;
    const double bottom = top_ + height_ / heightPx_ * newHeightPx;
    return {left_, top_, right, bottom, newWidthPx, newHeightPx};
}

}  // namespace zorva
