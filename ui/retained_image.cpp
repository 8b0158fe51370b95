#include "ui/retained_image.h"

#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#endif

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace zorva {
namespace {

// An image of width × height pixels (both ≥ 1) whose memory lies on 2 MB
// pages where the system offers them; a null image when it is too small to
// gain from them or the memory cannot be had. A tick paints a few pixels in
// each of thousands of rows, and at 4K every row of the image lies in a 4 kB
// page of its own: more pages than the processor keeps translated, so that
// most rows cost a walk through the page tables.
QImage LargePageImage(int width, int height) {
#ifdef MADV_HUGEPAGE
    constexpr std::size_t kLargePageBytes = std::size_t{2} << 20U;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * sizeof(std::uint32_t);
    const std::size_t bytes = rowBytes * static_cast<std::size_t>(height);
    if (bytes < kLargePageBytes) {
        return {};
    }
    const std::size_t rounded = (bytes + kLargePageBytes - 1) / kLargePageBytes * kLargePageBytes;
    void* memory = std::aligned_alloc(kLargePageBytes, rounded);
    if (memory == nullptr) {
        return {};
    }
    // Only a request: without large pages the memory is ordinary memory.
    madvise(memory, rounded, MADV_HUGEPAGE);
    QImage image(
        static_cast<uchar*>(memory), width, height, static_cast<qsizetype>(rowBytes),
        QImage::Format_RGB32, [](void* pixels) { std::free(pixels); }, memory);
    // An image Qt refuses never takes the memory over.
    if (image.isNull()) {
        std::free(memory);
    }
    return image;
#else
    static_cast<void>(width);
    static_cast<void>(height);
    return {};
#endif
}

}  // namespace

QImage BlankImage(int widthPx, int heightPx, double devicePixelRatio) {
    // The small allowance keeps a product such as 1000 × 1.1 from rounding up
    // to a device pixel that no logical pixel covers.
    const auto devicePixels = [devicePixelRatio](int logical) {
        return static_cast<int>(std::ceil(logical * devicePixelRatio - 1e-9));
    };
    const int width = devicePixels(widthPx);
    const int height = devicePixels(heightPx);
    QImage image = LargePageImage(width, height);
    if (image.isNull()) {
        image = QImage(width, height, QImage::Format_RGB32);
    }
    if (image.isNull()) {
        return image;
    }
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::white);
    return image;
}

}  // namespace zorva
