// The drawing surface of the page: a retained image in the module's memory,
// painted row by row by the same pixel engine as the desktop window, which
// the page copies into a canvas.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "plot/surface.h"
#include "raster/span_fill.h"
#include "raster/stroke_cache.h"

namespace zorva {

/// A printed line's coverage, as the page's text rasteriser gives it.
struct TextCoverage {
    /// Size of the coverage in pixels (≥ 0).
    int width = 0;
    int height = 0;
    /// How far left of the text's start point the coverage begins, in pixels (≥ 0).
    int originX = 0;
    /// width × height values, 0 (no ink) to 255 (full ink), row after row.
    std::vector<std::uint8_t> alpha;
};

/// Turns a line of text into coverage; the page gives it the browser's own.
class TextRasteriser {
  public:
    virtual ~TextRasteriser() = default;
    /// The coverage of text printed with its line's top at y = 0, bold or not.
    virtual TextCoverage rasterise(std::string_view text, bool bold) = 0;
    /// Height of one printed line in pixels (> 0).
    virtual double lineHeightPx() const = 0;
};

/// Where a text was printed, in pixels of the image: the box its glyphs may reach.
struct TextBox {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const TextBox&, const TextBox&) = default;
};

class WebSurface : public Surface {
  public:
    /// A white image of widthPx × heightPx pixels (≥ 1) at twipsPerPixel
    /// twips a pixel, printing through text (which must outlive this).
    WebSurface(int widthPx, int heightPx, double twipsPerPixel, TextRasteriser& text);

    /// The image: imageWidth() × imageHeight() pixels, rows imageWidth()
    /// apart, each pixel red, green, blue and 255 in memory order (a canvas's
    /// ImageData). At least as large as the client area; never shrinks.
    const std::uint32_t* pixels() const { return pixels_.data(); }
    int imageWidth() const { return widthPx_; }
    int imageHeight() const { return heightPx_; }

    /// The rows [top, bottom) that may have changed since the last call
    /// (top ≥ bottom when none), and forgets them.
    struct RowSpan {
        int top = 0;
        int bottom = 0;
    };
    RowSpan takeChangedRows();

    /// The boxes of the texts printed since the image was last cleared
    /// (each once, at most kMostTextBoxes).
    const std::vector<TextBox>& textBoxes() const { return textBoxes_; }
    static constexpr std::size_t kMostTextBoxes = 4096;

    /// The pixel value of a colour in the image.
    static std::uint32_t ToPixel(Colour colour);

  protected:
    void clearTo(Colour background) override;
    void drawDot(Point centre, Colour colour, int diameterPx) override;
    void drawLine(Point from, Point to, const Pen& pen) override;
    void drawCircle(Point centre, float radius, const Pen& pen) override;
    void drawText(Point topLeft, std::string_view text, Colour colour, bool bold) override;
    double lineHeightPx() const override;
    void frameChanged() override;

  private:
    PixelRows rows();
    /// Rows top to bottom (inclusive, any values) may have changed.
    void touchRows(double top, double bottom);
    void fillDot(double xPx, double yPx, std::uint32_t colour, int diameterPx);
    void paintArc(double centreX, double centreY, double radiusPx, double firstStep,
                  double lastStep, double stepAngle, const Pen& pen);
    void paintWideDashes(PixelPoint start, PixelPoint end, double dashOffsetPx, const Pen& pen);

    /// The pixel runs of narrow strokes drawn lately, as the desktop keeps them.
    StrokeCache strokes_;

    int widthPx_;
    int heightPx_;
    std::vector<std::uint32_t> pixels_;
    InkMap ink_;
    RowSpan changed_;
    TextRasteriser& text_;

    /// A laid-out text and what its last printing left, as on the desktop:
    /// a label printed again over itself onto unchanged pixels is skipped.
    struct PrintedText {
        TextCoverage coverage;
        int x = 0;
        int y = 0;
        std::uint32_t colour = 0;
        TextBox area;
        std::vector<std::uint32_t> after;
        bool settled = false;
    };
    std::unordered_map<std::string, PrintedText> printed_[2];
    std::vector<std::uint32_t> textBefore_;
    std::vector<TextBox> textBoxes_;
    bool holds(const TextBox& area, const std::vector<std::uint32_t>& pixels) const;
    void copyPixels(const TextBox& area, std::vector<std::uint32_t>& pixels) const;
};

}  // namespace zorva
