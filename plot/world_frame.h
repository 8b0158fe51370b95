// The mapping between world units and the pixels of the client area.
#pragma once

namespace zorva {

struct WorldPoint {
    double x = 0.0;
    double y = 0.0;
};

/// Pixel position: x to the right and y downwards from the client's top-left corner.
struct PixelPoint {
    double x = 0.0;
    double y = 0.0;
};

/// A user scale: the world coordinates of the client area's top-left corner
/// (left, top) and bottom-right corner (right, bottom), over a client area of
/// widthPx × heightPx pixels. top > bottom makes world y point upwards.
class WorldFrame {
  public:
    /// Requires widthPx, heightPx > 0, right ≠ left and bottom ≠ top.
    WorldFrame(double left, double top, double right, double bottom, double widthPx,
               double heightPx);

    double left() const { return left_; }
    double top() const { return top_; }
    /// right − left and bottom − top: negative on a reversed axis.
    double width() const { return width_; }
    double height() const { return height_; }
    double widthPx() const { return widthPx_; }
    double heightPx() const { return heightPx_; }

    /// The pixel position of p. Inline, as a tick maps some four hundred points.
    PixelPoint toPixel(WorldPoint p) const {
        return {(p.x - left_) / width_ * widthPx_, (p.y - top_) / height_ * heightPx_};
    }
    WorldPoint toWorld(PixelPoint p) const;
    /// Pixels per world unit along x, always positive.
    double pixelsPerUnitX() const;
    /// A world length along x (such as a circle's radius) in pixels, always ≥ 0.
    double lengthToPixels(double worldLength) const;

    /// The same scale on a client area of a new size: the top-left corner keeps
    /// its world coordinates and each pixel keeps its world size, so what is
    /// already drawn stays where it is and the new area simply shows more or less.
    WorldFrame resized(double newWidthPx, double newHeightPx) const;

    friend bool operator==(const WorldFrame&, const WorldFrame&) = default;

  private:
    double left_;
    double top_;
    double width_;
    double height_;
    double widthPx_;
    double heightPx_;
};

}  // namespace zorva
