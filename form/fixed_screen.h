// A screen of a fixed size with no frame around the window: the window takes
// the whole screen as its client area. For running the window's start-up
// without a real screen (the command line, tests, measurements).
#pragma once

#include "form/form.h"
#include "plot/surface.h"

namespace zorva {

class FixedScreen : public WindowHost {
  public:
    /// A screen of widthPx × heightPx pixels (≥ 1) at the surface's twips per
    /// pixel; the surface, which must outlive this, follows the window's size.
    FixedScreen(Surface& surface, int widthPx, int heightPx)
        : surface_(surface), widthPx_(widthPx), heightPx_(heightPx) {}
    void Move(double, double) override {}
    void SetOuterSize(double widthTwips, double heightTwips) override {
        surface_.Resize(static_cast<int>(widthTwips / surface_.TwipsPerPixel()),
                        static_cast<int>(heightTwips / surface_.TwipsPerPixel()));
    }
    double ScreenWidthTwips() const override { return widthPx_ * surface_.TwipsPerPixel(); }
    double ScreenHeightTwips() const override { return heightPx_ * surface_.TwipsPerPixel(); }
    void Show() override {}

  private:
    Surface& surface_;
    int widthPx_;
    int heightPx_;
};

}  // namespace zorva
