#include "web/web_surface.h"

#include <emscripten/emscripten.h>

#include <algorithm>
#include <cmath>

namespace zorva {
namespace {

// How far beyond its coverage a label is taken to reach: the desktop's glyphs
// for the same text may reach that much further.
constexpr int kGlyphReachPx = 2;

// The browser's text rasteriser, through the page script.
EM_JS(double, PageLineHeight, (), { return Module["zorvaText"].lineHeight(); });
EM_JS(int, PageRasterise, (const char* text, int length, int bold),
      { return Module["zorvaText"].rasterise(UTF8ToString(text, length), bold > 0); });
EM_JS(int, PageCoverageWidth, (), { return Module["zorvaText"].last.width; });
EM_JS(int, PageCoverageHeight, (), { return Module["zorvaText"].last.height; });
EM_JS(int, PageCoverageOrigin, (), { return Module["zorvaText"].last.originX; });
EM_JS(void, PageCopyCoverage, (unsigned char* to),
      { HEAPU8.set(Module["zorvaText"].last.alpha, to); });

// One channel of the glyph's colour laid over the pixel's at coverage alpha
// (0 to 255), rounded as the desktop's raster engine blends antialiased text.
std::uint32_t Blend(std::uint32_t ink, std::uint32_t under, std::uint32_t alpha) {
    const std::uint32_t t = ink * alpha + under * (255U - alpha);
    return (t + (t >> 8U) + 0x80U) >> 8U;
}

}  // namespace

double PageTextPainter::lineHeight() const {
    return PageLineHeight();
}

PageTextPainter::Coverage PageTextPainter::rasterise(std::string_view text, bool bold) const {
    Coverage coverage;
    if (PageRasterise(text.data(), static_cast<int>(text.size()), bold ? 1 : 0) == 0) {
        return coverage;
    }
    coverage.width = PageCoverageWidth();
    coverage.height = PageCoverageHeight();
    coverage.originX = PageCoverageOrigin();
    coverage.alpha.resize(static_cast<std::size_t>(coverage.width) *
                          static_cast<std::size_t>(coverage.height));
    PageCopyCoverage(coverage.alpha.data());
    return coverage;
}

PixelBox PageTextPainter::paint(const ImageView& image, std::string_view text, double x, double y,
                                std::uint32_t colour, bool bold, const PixelBox& within) {
    const Coverage& coverage =
        coverage_[bold ? 1 : 0].get(text, [&] { return rasterise(text, bold); });
    const int originX = static_cast<int>(std::lround(x)) - coverage.originX;
    const int originY = static_cast<int>(std::lround(y));
    const int left = std::max({originX, 0, within.left});
    const int top = std::max({originY, 0, within.top});
    const int right = std::min({originX + coverage.width, image.width, within.left + within.width});
    const int bottom =
        std::min({originY + coverage.height, image.height, within.top + within.height});
    for (int row = top; row < bottom; ++row) {
        std::uint32_t* line = image.pixels + static_cast<std::size_t>(row) * image.stride;
        const std::uint8_t* cover =
            coverage.alpha.data() + static_cast<std::size_t>(row - originY) * coverage.width;
        for (int col = left; col < right; ++col) {
            const std::uint32_t alpha = cover[col - originX];
            if (alpha == 0) {
                continue;
            }
            const std::uint32_t under = line[col];
            std::uint32_t out = 0xFF000000U;
            for (unsigned shift = 0; shift < 24; shift += 8) {
                out |= Blend((colour >> shift) & 0xFFU, (under >> shift) & 0xFFU, alpha) << shift;
            }
            line[col] = out;
        }
    }
    if (left >= right || top >= bottom) {
        return {};
    }
    const int x0 = std::max({left - kGlyphReachPx, 0, within.left});
    const int y0 = std::max({top - kGlyphReachPx, 0, within.top});
    const int x1 = std::min({right + kGlyphReachPx, image.width, within.left + within.width});
    const int y1 = std::min({bottom + kGlyphReachPx, image.height, within.top + within.height});
    return {x0, y0, x1 - x0, y1 - y0};
}

}  // namespace zorva
