// What the window lends its drawing: the image's memory, on large pages, and
// Qt's text. Everything else about the pixels is the shared PixelSurface.
#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QStaticText>
#include <functional>
#include <memory>

#include "canvas/pixel_surface.h"

namespace zorva {

/// Image memory on 2 MB pages where the system offers them, ordinary
/// memory otherwise.
class LargePageMemory : public PixelMemory {
  public:
    std::uint32_t* allocate(std::size_t count) noexcept override;
    void release(std::uint32_t* block) noexcept override;
    /// Called before a block is given back: whatever paints into it stops.
    std::function<void()> releasing;
};

/// Prints with Qt's fonts into an RGB32 image.
class QtTextPainter : public TextPainter {
  public:
    /// For an image of devicePixelRatio (≥ 1) device pixels a logical pixel.
    explicit QtTextPainter(double devicePixelRatio);
    /// The font of the printed text; its bold weight follows the print.
    void setFont(const QFont& font);
    PixelBox paint(const ImageView& image, std::string_view text, double x, double y,
                   std::uint32_t colour, bool bold, const PixelBox& within) override;
    double lineHeight() const override { return lineHeight_; }
    /// Ends the painter kept on the image, before its memory goes.
    void endPainting() { painter_.reset(); }

  private:
    double ratio_;
    /// One painter serves every label while the image stays where it is:
    /// beginning a painter costs more than the label.
    QImage target_;
    std::unique_ptr<QPainter> painter_;
    QFont font_[2];
    double lineHeight_ = 0.0;
    /// Laid-out texts by weight: the labels are the same few at every tick.
    TextStore<QStaticText> laidOut_[2];
};

/// The parts a QtSurface lends its PixelSurface, made before it.
struct QtSurfaceParts {
    explicit QtSurfaceParts(double devicePixelRatio) : text(devicePixelRatio) {
        memory.releasing = [this] { text.endPainting(); };
    }
    QtSurfaceParts(const QtSurfaceParts&) = delete;
    QtSurfaceParts& operator=(const QtSurfaceParts&) = delete;
    LargePageMemory memory;
    QtTextPainter text;
};

/// The window's retained drawing: a PixelSurface in Qt's pixel order over
/// memory on large pages, printing with Qt's fonts.
class QtSurface : private QtSurfaceParts, public PixelSurface {
  public:
    /// A white image of widthPx × heightPx logical pixels (≥ 1) at
    /// twipsPerPixel twips a pixel and devicePixelRatio device pixels a
    /// logical pixel (< 1 counts as 1), printing in the application's font.
    QtSurface(int widthPx, int heightPx, double twipsPerPixel, double devicePixelRatio = 1.0);
    void setFont(const QFont& font) { text.setFont(font); }
};

/// The surface's image as a QImage over its pixels, at its device-pixel
/// ratio: no copy, so valid only until the surface next draws or grows.
/// Null when the surface has no image.
QImage ImageOf(const PixelSurface& surface);

/// The same over only the image's top-left part that a client area of
/// widthPx × heightPx logical pixels shows, cut to the image.
QImage ImageOf(const PixelSurface& surface, int widthPx, int heightPx);

}  // namespace zorva
