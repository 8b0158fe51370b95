#include "ui/qt_surface.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#endif

#include "ui/vector_state.h"

namespace zorva {
namespace {

// How far beyond a text's layout box Qt may set a pixel, in device pixels:
// its glyphs keep well within this of where they were asked for.
constexpr double kPainterReachPx = 2.0;

#ifdef MADV_HUGEPAGE
constexpr std::size_t kLargePageBytes = std::size_t{2} << 20U;
#endif

}  // namespace

// A tick paints a few pixels in each of thousands of rows, and at 4K every
// row of the image lies in a 4 kB page of its own: more pages than the
// processor keeps translated, so that most rows would cost a walk through the
// page tables. An image too small to gain from large pages takes ordinary
// memory.
std::uint32_t* LargePageMemory::allocate(std::size_t count) noexcept {
    if (count > SIZE_MAX / sizeof(std::uint32_t)) {
        return nullptr;
    }
    const std::size_t bytes = count * sizeof(std::uint32_t);
#ifdef MADV_HUGEPAGE
    if (bytes >= kLargePageBytes) {
        const std::size_t rounded =
            (bytes + kLargePageBytes - 1) / kLargePageBytes * kLargePageBytes;
        void* memory = std::aligned_alloc(kLargePageBytes, rounded);
        if (memory != nullptr) {
            // Only a request: without large pages the memory is ordinary memory.
            madvise(memory, rounded, MADV_HUGEPAGE);
            return static_cast<std::uint32_t*>(memory);
        }
    }
#endif
    return static_cast<std::uint32_t*>(std::malloc(bytes));
}

void LargePageMemory::release(std::uint32_t* block) noexcept {
    if (releasing) {
        releasing();
    }
    std::free(block);
}

QtTextPainter::QtTextPainter(double devicePixelRatio) : ratio_(std::max(devicePixelRatio, 1.0)) {
    setFont(QFont());
}

void QtTextPainter::setFont(const QFont& font) {
    laidOut_[0].clear();
    laidOut_[1].clear();
    font_[0] = font;
    font_[0].setBold(false);
    font_[1] = font;
    font_[1].setBold(true);
    // The metrics of an image, not of the screen: its resolution decides the
    // size of the glyphs painted into it.
    const QImage device(1, 1, QImage::Format_RGB32);
    lineHeight_ = QFontMetricsF(font_[0], &device).lineSpacing() * ratio_;
}

PixelBox QtTextPainter::paint(const ImageView& image, std::string_view text, double x, double y,
                              std::uint32_t colour, bool bold,
                              [[maybe_unused]] const PixelBox& within) {
    // Qt blends a glyph's pixels faster than it sets up a clip: the whole
    // label is printed, which leaves the pixels outside within as they were.
    QStaticText& layout = laidOut_[bold ? 1 : 0].get(text, [text] {
        QStaticText laid(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
        laid.setTextFormat(Qt::PlainText);
        laid.setPerformanceHint(QStaticText::AggressiveCaching);
        return laid;
    });
    if (!painter_ || target_.constBits() != reinterpret_cast<const uchar*>(image.pixels) ||
        target_.width() != image.width || target_.height() != image.height) {
        painter_.reset();
        target_ = QImage(reinterpret_cast<uchar*>(image.pixels), image.width, image.height,
                         static_cast<qsizetype>(image.stride) * 4, QImage::Format_RGB32);
        target_.setDevicePixelRatio(ratio_);
        painter_ = std::make_unique<QPainter>(&target_);
    }
    // Static text is placed by the top of its line, as the surface places it.
    const QPointF at(x / ratio_, y / ratio_);
    painter_->setFont(font_[bold ? 1 : 0]);
    painter_->setPen(QColor::fromRgb(colour));
    painter_->drawStaticText(at, layout);
    ClearUpperVectorState();
    // Glyphs may reach a little beyond the text's layout box on either side.
    const double lineHeight = lineHeight_ / ratio_;
    const QSizeF size = layout.size();
    const double overhang = lineHeight / 2.0;
    const double left = (at.x() - overhang) * ratio_ - kPainterReachPx;
    const double top = at.y() * ratio_ - kPainterReachPx;
    const double right = (at.x() + size.width() + overhang) * ratio_ + kPainterReachPx;
    const double bottom = (at.y() + std::max(size.height(), lineHeight)) * ratio_ + kPainterReachPx;
    const int x0 = static_cast<int>(std::max(std::floor(left), 0.0));
    const int y0 = static_cast<int>(std::max(std::floor(top), 0.0));
    const int x1 = static_cast<int>(std::min(std::ceil(right), image.width - 1.0));
    const int y1 = static_cast<int>(std::min(std::ceil(bottom), image.height - 1.0));
    return x0 <= x1 && y0 <= y1 ? PixelBox{x0, y0, x1 - x0 + 1, y1 - y0 + 1} : PixelBox{};
}

QtSurface::QtSurface(int widthPx, int heightPx, double twipsPerPixel, double devicePixelRatio)
    : QtSurfaceParts(devicePixelRatio),
      PixelSurface(widthPx, heightPx, twipsPerPixel, PixelOrder::Xrgb, memory, text,
                   devicePixelRatio) {}

QImage ImageOf(const PixelSurface& surface) {
    const ImageView& view = surface.image();
    if (view.pixels == nullptr) {
        return {};
    }
    QImage image(reinterpret_cast<uchar*>(view.pixels), view.width, view.height,
                 static_cast<qsizetype>(view.stride) * 4, QImage::Format_RGB32);
    image.setDevicePixelRatio(surface.devicePixelRatio());
    return image;
}

QImage ImageOf(const PixelSurface& surface, int widthPx, int heightPx) {
    const ImageView& view = surface.image();
    const double ratio = surface.devicePixelRatio();
    const int width = std::clamp(static_cast<int>(widthPx * ratio), 0, view.width);
    const int height = std::clamp(static_cast<int>(heightPx * ratio), 0, view.height);
    if (view.pixels == nullptr || width == 0 || height == 0) {
        return {};
    }
    // The rows keep the image's stride: a narrower part is viewed, not copied.
    QImage image(reinterpret_cast<uchar*>(view.pixels), width, height,
                 static_cast<qsizetype>(view.stride) * 4, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    return image;
}

}  // namespace zorva
