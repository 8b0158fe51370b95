// The window's retained drawing surface, as the model and the plot see it.
// The plot never draws itself: it calls these operations, and the window
// layer (or a recorder in the tests) turns them into pixels.
#pragma once

#include <string>
#include <string_view>

#include "plot/world_frame.h"

namespace zorva {

/// A colour as red, green and blue components, each 0 to 255.
struct Colour {
    int red = 0;
    int green = 0;
    int blue = 0;
    friend bool operator==(const Colour&, const Colour&) = default;
};

/// The colour made of red, green and blue, each 0 to 255.
constexpr Colour RGB(int red, int green, int blue) {
    return {red, green, blue};
}

/// Line styles: DrawStyle values.
inline constexpr int kSolid = 0;
inline constexpr int kDashDot = 3;

/// How a line or outline is stroked: colour, width in pixels, style.
struct Pen {
    Colour colour;
    int width = 1;
    int style = kSolid;
    friend bool operator==(const Pen&, const Pen&) = default;
};

/// The drawing surface. Coordinates are in the current user scale and are
/// handed to the implementation in single precision. Pen widths are pixels.
class Surface {
  public:
    /// A client area of widthPx × heightPx pixels (both ≥ 1), twipsPerPixel
    /// twips to a pixel; until Scale is called, the scale is in twips.
    Surface(int widthPx, int heightPx, double twipsPerPixel);
    virtual ~Surface() = default;
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    /// The client's top-left corner becomes (x1, y1) and its bottom-right
    /// corner (x2, y2); y2 < y1 makes y point upwards. Requires x1 ≠ x2, y1 ≠ y2.
    void Scale(double x1, double y1, double x2, double y2);
    /// Client size in current units: x2 − x1 and y2 − y1 (negative on a reversed axis).
    double ScaleWidth() const { return frame_.width(); }
    double ScaleHeight() const { return frame_.height(); }
    double ScaleLeft() const { return frame_.left(); }
    double ScaleTop() const { return frame_.top(); }
    const WorldFrame& Frame() const { return frame_; }
    double TwipsPerPixel() const { return twipsPerPixel_; }

    /// The client area changed size (pixels ≥ 1): the user scale keeps its
    /// top-left corner and its world size per pixel; what is drawn is kept.
    void Resize(int widthPx, int heightPx);

    /// Erases everything to BackColor and puts the text position at the top-left corner.
    void Cls();
    /// A dot DrawWidth pixels across, in ForeColor or the given colour.
    void PSet(double x, double y);
    void PSet(double x, double y, Colour colour);
    /// A segment DrawWidth pixels wide in DrawStyle, in ForeColor or the given colour.
    void Line(double x1, double y1, double x2, double y2);
    void Line(double x1, double y1, double x2, double y2, Colour colour);
    /// An outline circle; the radius is in x units.
    void Circle(double x, double y, double radius);
    void Circle(double x, double y, double radius, Colour colour);
    /// One line of text whose top-left corner is (CurrentX, CurrentY), in
    /// ForeColor, bold when FontBold; then moves the text position to the next line.
    void Print(std::string_view text);

    Colour BackColor = RGB(255, 255, 255);
    Colour ForeColor = RGB(0, 0, 0);
    /// Pen width in pixels, ≥ 1.
    int DrawWidth = 1;
    /// kSolid or kDashDot.
    int DrawStyle = kSolid;
    /// Text position in current units.
    double CurrentX = 0.0;
    double CurrentY = 0.0;
    bool FontBold = false;

  protected:
    /// What an implementation draws. Points are world coordinates of Frame().
    struct Point {
        float x;
        float y;
    };
    virtual void clearTo(Colour background) = 0;
    virtual void drawDot(Point centre, Colour colour, int diameterPx) = 0;
    virtual void drawLine(Point from, Point to, const Pen& pen) = 0;
    virtual void drawCircle(Point centre, float radius, const Pen& pen) = 0;
    virtual void drawText(Point topLeft, std::string_view text, Colour colour, bool bold) = 0;
    /// Height of one printed line in pixels.
    virtual double lineHeightPx() const = 0;
    /// Called after the frame changed through Scale or Resize.
    virtual void frameChanged() {}

  private:
    Pen penIn(Colour colour) const;

    WorldFrame frame_;
    double twipsPerPixel_;
};

}  // namespace zorva
