// The memory of the window's retained drawing.
#pragma once

#include <QImage>

namespace zorva {

/// A white image of widthPx × heightPx logical pixels (≥ 1) at
/// devicePixelRatio device pixels a logical pixel, on 2 MB pages where the
/// system offers them; a null image when the memory cannot be had.
QImage BlankImage(int widthPx, int heightPx, double devicePixelRatio);

}  // namespace zorva
