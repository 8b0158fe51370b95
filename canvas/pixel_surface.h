// The retained drawing as pixels: the one surface both front ends draw with.
// It decides which pixels every primitive paints, keeps the ink map and the
// remembered strokes, grows the image with the client area and passes over
// labels whose printing would change nothing. A front end lends it the
// image's memory and a painter for text, and copies the image to the screen.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "plot/surface.h"
#include "raster/clip.h"
#include "raster/span_fill.h"
#include "raster/stroke_cache.h"

namespace zorva {

/// How a colour lies in a 32-bit pixel.
enum class PixelOrder {
    Xrgb,  ///< 0xFFRRGGBB as a number, as a Qt RGB32 image holds it
    Xbgr,  ///< red, green, blue, 255 in memory order, as a canvas's ImageData holds it
};

/// The pixel value of colour (each channel clamped to 0–255) in order.
std::uint32_t PixelOf(Colour colour, PixelOrder order);

/// Image pixels: columns left to left + width − 1, rows top to top + height − 1.
struct PixelBox {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool empty() const { return width <= 0 || height <= 0; }
    friend bool operator==(const PixelBox&, const PixelBox&) = default;
};

/// An image: width × height pixels, rows stride pixels apart.
struct ImageView {
    std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
};

/// Memory for the image's pixels, lent by the front end.
class PixelMemory {
  public:
    virtual ~PixelMemory() = default;
    /// A block of count pixels (≥ 1), its content unspecified; nullptr when
    /// the memory cannot be had. Never throws.
    virtual std::uint32_t* allocate(std::size_t count) noexcept = 0;
    /// Takes back a block that allocate gave.
    virtual void release(std::uint32_t* block) noexcept = 0;
};

/// Memory from the free store.
class HeapMemory : public PixelMemory {
  public:
    std::uint32_t* allocate(std::size_t count) noexcept override;
    void release(std::uint32_t* block) noexcept override;
};

/// Values kept by text, for the few labels printed at every tick: at most
/// kMost of them. A new text when the store is full starts it afresh, so that
/// texts that keep changing cannot grow it without bound.
template <typename Value>
class TextStore {
  public:
    static constexpr std::size_t kMost = 64;
    /// The value kept for text, made by make() when there is none.
    template <typename Make>
    Value& get(std::string_view text, Make make) {
        auto found = values_.find(text);
        if (found == values_.end()) {
            if (values_.size() >= kMost) {
                values_.clear();
            }
            found = values_.emplace(std::string(text), make()).first;
        }
        return found->second;
    }
    void clear() { values_.clear(); }
    template <typename Visit>
    void forEach(Visit visit) {
        for (auto& entry : values_) {
            visit(entry.second);
        }
    }

  private:
    // Looked up by the text as it comes, without making a string of it.
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };
    std::unordered_map<std::string, Value, Hash, std::equal_to<>> values_;
};

/// Prints text into the image with the front end's fonts.
class TextPainter {
  public:
    virtual ~TextPainter() = default;
    /// Paints text, its line's top-left corner at (x, y) device pixels, into
    /// image in the pixel value colour, bold or not; returns the box of
    /// pixels it may have changed, within the image. It need paint only
    /// within (a box of the image): the caller knows that painting would
    /// leave every other pixel as it is. A pixel painted gets the same value
    /// whatever within is.
    virtual PixelBox paint(const ImageView& image, std::string_view text, double x, double y,
                           std::uint32_t colour, bool bold, const PixelBox& within) = 0;
    /// Height of one printed line in device pixels (> 0).
    virtual double lineHeight() const = 0;
};

class PixelSurface : public Surface {
  public:
    /// A white image for a client area of widthPx × heightPx logical pixels
    /// (≥ 1) at twipsPerPixel twips a pixel, held at devicePixelRatio device
    /// pixels a logical pixel (< 1 counts as 1), in memory (which, like
    /// text, must outlive this).
    PixelSurface(int widthPx, int heightPx, double twipsPerPixel, PixelOrder order,
                 PixelMemory& memory, TextPainter& text, double devicePixelRatio = 1.0);
    ~PixelSurface() override;

    /// The image, everything drawn so far, in device pixels: at least as
    /// large as the client area, up to kMaxImageWidth × kMaxImageHeight. It
    /// grows with the client area and never shrinks. Empty only when not even
    /// the first image's memory could be had.
    const ImageView& image() const { return image_; }
    static constexpr int kMaxImageWidth = 7680;
    static constexpr int kMaxImageHeight = 4320;
    double devicePixelRatio() const { return ratio_; }
    PixelOrder order() const { return order_; }
    /// The pixel value of a colour in this image.
    std::uint32_t pixelOf(Colour colour) const { return PixelOf(colour, order_); }

    /// Boxes of the image, not overlapping, that hold every pixel that may
    /// have changed since the changes were last taken, and forgets those
    /// changes: a front end copies only these to its screen. They come band
    /// by band of kChangeRows rows from the top, each band's boxes left to
    /// right, whole stretches of kChangeColumns pixels across, cut to the
    /// image. Valid until the next call.
    const std::vector<PixelBox>& takeChangedBoxes();
    static constexpr int kChangeColumns = InkMap::kChunk;
    static constexpr int kChangeRows = 16;

    /// The boxes the labels printed since the last Cls may have changed,
    /// each once, at most kMostTextBoxes.
    const std::vector<PixelBox>& textBoxes() const { return textBoxes_; }
    static constexpr std::size_t kMostTextBoxes = 4096;

    /// Where the image may differ from its background: a shape painted in the
    /// background writes only there.
    const InkMap& inkMap() const { return ink_; }

  protected:
    void clearTo(Colour background) override;
    void drawDot(Point centre, Colour colour, int diameterPx) override;
    void drawLine(Point from, Point to, const Pen& pen) override;
    void drawCircle(Point centre, float radius, const Pen& pen) override;
    void drawText(Point topLeft, std::string_view text, Colour colour, bool bold) override;
    double lineHeightPx() const override;
    void frameChanged() override;

  private:
    PixelRows rows() { return {image_.pixels, image_.width, image_.height, image_.stride, &ink_}; }
    /// The image in logical pixels, grown on every side by marginPx.
    ClipArea logicalArea(double marginPx) const;
    /// A new white image of the given device size with the old one's pixels
    /// copied in; false, with nothing changed, without the memory.
    bool takeImage(int width, int height);
    void fillDot(double xPx, double yPx, std::uint32_t colour, int diameterPx);
    /// Device pixels from here on.
    void paintArc(double centreX, double centreY, double radiusPx, double firstStep,
                  double lastStep, double stepAngle, double halfWidth, bool dashed,
                  std::uint32_t colour);
    void paintWideDashes(PixelPoint start, PixelPoint end, double dashOffsetPx, double widthPx,
                         std::uint32_t colour);
    /// The smallest box holding the pixels of part (within layout) that
    /// differ from pixels, which holds layout's pixels row after row; part
    /// itself when pixels does not hold layout.
    PixelBox differences(const PixelBox& part, const PixelBox& layout,
                         const std::vector<std::uint32_t>& pixels) const;
    /// The pixels of area, row after row, into pixels.
    void copyPixels(const PixelBox& area, std::vector<std::uint32_t>& pixels) const;
    /// The pixels of part into pixels, which holds layout's (part lies within
    /// layout).
    void storePixels(const PixelBox& part, const PixelBox& layout,
                     std::vector<std::uint32_t>& pixels) const;

    PixelOrder order_;
    PixelMemory& memory_;
    TextPainter& text_;
    double ratio_;
    /// The image's size in logical pixels.
    int widthPx_ = 0;
    int heightPx_ = 0;
    ImageView image_;
    InkMap ink_;
    std::vector<PixelBox> changedBoxes_;
    /// The pixel runs of narrow strokes drawn lately.
    StrokeCache strokes_;

    /// What a label's last printing left: the same labels are printed at
    /// every tick, mostly where nothing else was drawn since.
    struct PrintedText {
        bool known = false;
        /// Where it was printed (device pixels), in which colour, the box it
        /// may have changed and that box's pixels afterwards.
        double x = 0.0;
        double y = 0.0;
        std::uint32_t colour = 0;
        PixelBox area;
        std::vector<std::uint32_t> after;
        /// The box of the pixels that printing changed: printing again in
        /// the same place would change no other pixel it left as it was.
        PixelBox unsettled;
    };
    /// By font weight.
    TextStore<PrintedText> printed_[2];
    /// The pixels under a label before it is printed.
    std::vector<std::uint32_t> textBefore_;
    std::vector<PixelBox> textBoxes_;
};

}  // namespace zorva
