// The processor's vector registers as a library may leave them.
#pragma once

namespace zorva {

/// Marks the upper halves of the 256-bit vector registers unused; does
/// nothing on a processor without them and off x86. Never throws.
void ClearUpperVectorState();

}  // namespace zorva
