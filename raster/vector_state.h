// The processor's vector registers as Qt's raster engine leaves them.
#pragma once

namespace zorva {

/// Marks the upper halves of the 256-bit vector registers unused. Some of the
/// raster engine's fills (a small QPainter::fillRect, for one) return with
/// them marked in use, and until they are cleared the processor runs code
/// built for the baseline instruction set, which is all of the window's own
/// drawing, more slowly: on this project's machines a whole tick took a
/// quarter longer. To be called where control comes back from Qt into the
/// window's own drawing. Does nothing on a processor without them and
/// elsewhere than on x86. Never throws.
void ClearUpperVectorState();

}  // namespace zorva
