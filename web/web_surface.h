// What the page lends its drawing: the browser's text, which the page script
// rasterises to coverage and which is blended into the image here.
// Everything else about the pixels is the shared PixelSurface.
#pragma once

#include <cstdint>
#include <vector>

#include "canvas/pixel_surface.h"

namespace zorva {

class PageTextPainter : public TextPainter {
  public:
    PixelBox paint(const ImageView& image, std::string_view text, double x, double y,
                   std::uint32_t colour, bool bold, const PixelBox& within) override;
    double lineHeight() const override;

  private:
    /// A printed line's coverage as the page script gives it: width × height
    /// values from 0 (no ink) to 255 (full ink), row after row, starting
    /// originX pixels left of the text's start point.
    struct Coverage {
        int width = 0;
        int height = 0;
        int originX = 0;
        std::vector<std::uint8_t> alpha;
    };
    Coverage rasterise(std::string_view text, bool bold) const;
    /// By weight: the labels are the same few at every tick.
    TextStore<Coverage> coverage_[2];
};

}  // namespace zorva
